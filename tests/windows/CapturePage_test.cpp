// The capture page in the real main window: its panes and their state file,
// the layout and the user's resizing, packets arriving through the real
// capture thread from a scripted source, the selected packet's tree and hex
// dump, overwrite mode, and the store commands through their real dialogs.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>
#include <richedit.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/CapturePageWin32.h"
#include "app/MainWindowWin32.h"
#include "capturefile/CaptureFile.h"
#include "views/QuietPanes.h"
#include "app/resource.h"
#include "support/CaptureFakes.h"
#include "support/GuiHarness.h"
#include "support/TempDir.h"

namespace {

constexpr const char* kAdmitAll =
    "[Common_config]\r\nRING_MAX=0\r\nRING_ROOP=0\r\nCAP_FPS=10\r\n"
    "[Protocol_config]\r\nTCP=1\r\nUDP=1\r\nICMP=1\r\nOTHER=1\r\n"
    "[IP_config]\r\nLIST_NUM=1\r\n0_LIST_SRC_IP=0.0.0.0\r\n0_LIST_SRC_PORT=*\r\n"
    "0_LIST_DEST_IP=0.0.0.0\r\n0_LIST_DEST_PORT=*\r\n0_LIST_VEC=0\r\n";

int RowCount() {
  return ListRowCount(capture_page.panes.list);
}

std::string HexText() {
  return LongWindowText(capture_page.panes.hex);
}

void Request(int command) {
  SendMessageA(MainWindow, WM_COMMAND, MAKEWPARAM(command, 0), 0);
}

// A TCP segment with `flags` and `payload` bytes of data.
std::vector<uint8_t> TcpSegment(uint8_t flags, uint32_t payload) {
  std::vector<uint8_t> d = SizedDatagram(40 + payload, 6, 49152, 80);
  d[27] = 7;  // sequence number 7
  d[31] = 9;  // acknowledgement number 9
  d[33] = flags;
  return d;
}

// A session whose capture thread reads from a script, with the given settings
// (every protocol admitted unless said otherwise) in place before the page
// applies them.
struct CaptureSession {
  struct Settings {
    explicit Settings(const char* text) { WriteFileBytes("config.ini", text); }
  };
  struct QuietSource : ScriptedSource {
    QuietSource() { quiet_wait = std::chrono::milliseconds(5); }
  };
  explicit CaptureSession(const char* config = kAdmitAll) : settings(config) {}
  // Captures the scripted datagrams until the list has been brought up to date
  // for all `packets` of them and shows `rows` rows.
  bool CaptureUntilListed(int packets, int rows) {
    const std::string counted = "Packet:" + std::to_string(packets) + "　";
    Request(IDM_CAPTURE_START);
    const bool listed = PumpUntil(
        [&] { return StatusPartText(StatusBar, 1).rfind(counted, 0) == 0 && RowCount() == rows; },
        10000);
    Request(IDM_CAPTURE_STOP);
    return listed;
  }
  Settings settings;
  QuietSource source;
  MainWindowSession window{&source};
};

std::vector<std::string> Row(int row) {
  return ListRow(capture_page.panes.list, row);
}

TEST(CapturePage, PanesAreBuiltAndTheTreeStateFileIsReadAndWritten) {
  TempDir dir;
  WriteFileBytes("system.ini", "[treeview_system]\r\nip=1\r\nUdp=2\r\nextra=5\r\n");
  {
    MainWindowSession session;
    ASSERT_NE(session.window(), nullptr);
    EXPECT_EQ(capture_page.tree_flags.ip, 1);
    EXPECT_EQ(capture_page.tree_flags.udp, 2);
    EXPECT_EQ(capture_page.tree_flags.tcp, 0);

    struct Pane {
      HWND window;
      int id;
      const char* window_class;
      DWORD style;
    };
    const Pane panes[] = {
        {capture_page.panes.list, IDC_PACKET_LIST, "SysListView32",
         WS_THICKFRAME | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS},
        {capture_page.panes.tree, IDC_DETAIL_TREE, "SysTreeView32",
         WS_BORDER | WS_THICKFRAME | TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT |
             TVS_SHOWSELALWAYS | TVS_TRACKSELECT},
        {capture_page.panes.hex, IDC_HEX_PANE, "RICHEDIT",
         WS_BORDER | WS_VSCROLL | WS_TABSTOP | ES_MULTILINE | ES_READONLY},
    };
    for (const Pane& pane : panes) {
      SCOPED_TRACE(pane.window_class);
      ASSERT_EQ(GetDlgItem(capture_page.window, pane.id), pane.window);
      EXPECT_EQ(WindowClass(pane.window), pane.window_class);
      EXPECT_EQ(GetWindowLongA(pane.window, GWL_STYLE) & pane.style, pane.style);
    }
    EXPECT_EQ(GetWindowLongA(capture_page.panes.tree, GWL_STYLE) & WS_TABSTOP, 0);
    EXPECT_TRUE(GetWindowLongA(capture_page.panes.hex, GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
    const auto extended = SendMessageA(capture_page.panes.list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0);
    EXPECT_EQ(extended & (LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT),
              LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
    EXPECT_EQ(SendMessageA(capture_page.panes.hex, EM_GETEVENTMASK, 0, 0), 0x80001);
    // The dump of a 65,535-byte datagram fits.
    EXPECT_GE(SendMessageA(capture_page.panes.hex, EM_GETLIMITTEXT, 0, 0), 4 * 76 + 4096 * 76);

    std::string headers;
    for (int column = 0; column < 14; ++column) {
      char text[32] = {};
      LVCOLUMNA read{};
      read.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
      read.pszText = text;
      read.cchTextMax = sizeof(text);
      SendMessageA(capture_page.panes.list, LVM_GETCOLUMNA, column, reinterpret_cast<LPARAM>(&read));
      EXPECT_EQ(read.fmt & LVCFMT_JUSTIFYMASK, LVCFMT_LEFT);
      headers += std::string(text) + "/" + std::to_string(read.cx) + ",";
    }
    EXPECT_EQ(headers,
              "Packet/50,Protocol/140,SendIP/120,Port/50, /25,RecvIP/120,Port/50,Total/45,"
              "Size/45,Sequence/80,Acknow/80,RecvTime/160,DiffTime/85,/10,");
    LOGFONTA font{};
    GetObjectA(reinterpret_cast<HFONT>(SendMessageA(capture_page.panes.tree, WM_GETFONT, 0, 0)),
               sizeof(font), &font);
    EXPECT_STREQ(font.lfFaceName, "ＭＳ ゴシック");
    EXPECT_EQ(font.lfHeight, 12);
    EXPECT_EQ(SendMessageA(capture_page.panes.list, WM_GETFONT, 0, 0),
              SendMessageA(capture_page.panes.tree, WM_GETFONT, 0, 0));

    // Tab moves between the list and the hex pane only.
    EXPECT_EQ(GetNextDlgTabItem(capture_page.window, capture_page.panes.list, FALSE), capture_page.panes.hex);
    EXPECT_EQ(GetNextDlgTabItem(capture_page.window, capture_page.panes.hex, FALSE), capture_page.panes.list);
    capture_page.tree_flags.tcp = 1;  // as if the user had opened "TCP HEADER"
  }
  // Rewritten whole at shutdown, in the program's own key names; 2 stays 2.
  EXPECT_EQ(ReadFileBytes("system.ini"),
            "#ツリービュー設定--------------------------------\r\n[TreeView_System]\r\n"
            "#IP(0:閉じる 1:展開)\r\nIP=1\r\n#ICMP(0:閉じる 1:展開)\r\nICMP=0\r\n"
            "#TCP(0:閉じる 1:展開)\r\nTCP=1\r\n#UDP(0:閉じる 1:展開)\r\nUDP=2\r\n"
            "#DATA(0:閉じる 1:展開)\r\nDATA=0\r\n");
  EXPECT_EQ(capture_page.panes.list, nullptr);
}

TEST(CapturePage, PanesTakeThirdsAndTheUserResizesOnlyAllowedEdges) {
  TempDir dir;
  MainWindowSession session;
  ASSERT_NE(session.window(), nullptr);
  SetWindowPos(session.window(), nullptr, 0, 0, 900, 700, SWP_NOMOVE | SWP_NOZORDER);
  RECT page{};
  GetClientRect(capture_page.window, &page);
  const int third = page.bottom / 3;
  HWND panes[] = {capture_page.panes.list, capture_page.panes.tree, capture_page.panes.hex};
  for (int i = 0; i < 3; ++i) {
    RECT rect{};
    GetWindowRect(panes[i], &rect);
    MapWindowPoints(nullptr, capture_page.window, reinterpret_cast<POINT*>(&rect), 2);
    EXPECT_EQ(rect.top, i * third);
    EXPECT_EQ(rect.bottom - rect.top, third);
    EXPECT_EQ(rect.right - rect.left, page.right);
  }

  // The default result at each border, and what each pane makes of it.
  struct Border {
    const char* where;
    int x, y;  // 0 left/top edge, 1 middle, 2 right/bottom edge
    LRESULT list, tree;
  };
  const Border borders[] = {
      {"left", 0, 1, HTNOWHERE, HTNOWHERE}, {"right", 2, 1, HTNOWHERE, HTNOWHERE},
      {"top", 1, 0, HTNOWHERE, HTTOP},      {"bottom", 1, 2, HTBOTTOM, HTBOTTOM},
      {"top left", 0, 0, HTNOWHERE, HTTOP}, {"bottom right", 2, 2, HTBOTTOM, HTBOTTOM},
      {"middle", 1, 1, HTCLIENT, HTCLIENT},
  };
  auto hit = [](HWND pane, int x, int y) {
    RECT rect{};
    GetWindowRect(pane, &rect);
    const int xs[] = {rect.left + 1, (rect.left + rect.right) / 2, rect.right - 2};
    const int ys[] = {rect.top + 1, (rect.top + rect.bottom) / 2, rect.bottom - 2};
    return SendMessageA(pane, WM_NCHITTEST, 0, MAKELPARAM(xs[x], ys[y]));
  };
  for (const Border& b : borders) {
    SCOPED_TRACE(b.where);
    EXPECT_EQ(hit(capture_page.panes.list, b.x, b.y), b.list);
    EXPECT_EQ(hit(capture_page.panes.tree, b.x, b.y), b.tree);
    const LRESULT hex = hit(capture_page.panes.hex, b.x, b.y);
    EXPECT_TRUE(hex < HTLEFT || hex > HTBOTTOMRIGHT) << hex;
  }

  // Dragging the tree's bottom edge down: the hex pane takes what is left.
  auto rect_of = [](HWND pane) {
    RECT rect{};
    GetWindowRect(pane, &rect);
    MapWindowPoints(nullptr, capture_page.window, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
  };
  MoveWindow(capture_page.panes.tree, 0, third, page.right, third + 40, TRUE);
  EXPECT_EQ(rect_of(capture_page.panes.hex).top, 2 * third + 40);
  EXPECT_EQ(rect_of(capture_page.panes.hex).bottom, page.bottom);
  EXPECT_EQ(rect_of(capture_page.panes.list).bottom, third);
  // Dragging its top edge up: the list takes what is left above it.
  MoveWindow(capture_page.panes.tree, 0, third - 30, page.right, third + 70, TRUE);
  EXPECT_EQ(rect_of(capture_page.panes.list).bottom, third - 30);
  EXPECT_EQ(rect_of(capture_page.panes.tree).top, third - 30);
  EXPECT_EQ(rect_of(capture_page.panes.hex).top, 2 * third + 40);
  // A new size of the window brings the thirds back.
  SetWindowPos(session.window(), nullptr, 0, 0, 800, 600, SWP_NOMOVE | SWP_NOZORDER);
  GetClientRect(capture_page.window, &page);
  EXPECT_EQ(rect_of(capture_page.panes.tree).top, page.bottom / 3);
  EXPECT_EQ(rect_of(capture_page.panes.hex).top, 2 * (page.bottom / 3));
}

TEST(CapturePage, CapturedPacketsAreListedAndTheSelectedOneIsShown) {
  TempDir dir;
  CaptureSession s;
  ASSERT_NE(s.window.window(), nullptr);
  std::vector<uint8_t> icmp = SizedDatagram(28, 1);
  icmp[20] = 8;  // echo request
  s.source.PushDatagram(SizedDatagram(40, 17, 5353, 53));
  s.source.PushDatagram(TcpSegment(0x12, 4));  // SYN ACK with 4 bytes of data
  s.source.PushDatagram(icmp);
  s.source.PushDatagram(SizedDatagram(65535, 17, 7, 9));
  ASSERT_TRUE(s.CaptureUntilListed(4, 4));

  const std::vector<std::vector<std::string>> expected = {
      {"0", "UDP", "192.168.0.1", "5353", "⇒", "10.0.0.2", "53", "40", "12", "-----", "-----"},
      {"1", "TCP  SYN ACK", "192.168.0.1", "49152", "⇒", "10.0.0.2", "80", "44", "4", "7", "9"},
      {"2", "ICMP(Echo Request)", "192.168.0.1", "-----", "⇒", "10.0.0.2", "-----", "28", "4",
       "-----", "-----"},
  };
  for (int row = 0; row < 3; ++row) {
    SCOPED_TRACE(row);
    std::vector<std::string> cells = Row(row);
    EXPECT_EQ(cells[11].size(), 24u) << cells[11];  // "2026/12/07(18:20:35.123)"
    EXPECT_EQ(cells[12].substr(cells[12].size() - 4), " sec");
    cells.resize(11);
    EXPECT_EQ(cells, expected[row]);
  }
  EXPECT_EQ(Row(0)[12], "0 sec");

  // The selected row's packet shows within a timer period; TCP opens by itself.
  capture_page.tree_flags = TreeExpansionFlags{0, 0, 1, 0, 0};
  ListSelectRow(capture_page.panes.list, 1);
  ASSERT_TRUE(PumpUntil([] { return capture_page.list.shown_row == 1; }, 1000));
  const std::vector<std::string> outline = TreeOutline(capture_page.panes.tree);
  ASSERT_GE(outline.size(), 18u);
  EXPECT_EQ(outline[0], "+RecvData");
  EXPECT_EQ(outline[1], " +Header");
  EXPECT_EQ(outline[2], "  -IP HEADER");
  EXPECT_EQ(outline[15], "  +TCP HEADER");
  EXPECT_EQ(outline[19], "   AcknowledgementNumber: 9");
  EXPECT_EQ(outline[27], " -DATA");
  const std::string hex = HexText();
  EXPECT_EQ(hex.find("000000 | 45 00 00 2C "), 76u * 3) << hex.substr(0, 400);

  // The user's opening and closing of tracked branches sets their flags.
  auto press = [](HTREEITEM item, WPARAM key) {
    SendMessageA(capture_page.panes.tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
    SendMessageA(capture_page.panes.tree, WM_KEYDOWN, key, 0);
  };
  const auto tcp_item = reinterpret_cast<HTREEITEM>(capture_page.tree_items.tcp_header);
  const auto ip_item = reinterpret_cast<HTREEITEM>(capture_page.tree_items.ip_header);
  press(tcp_item, VK_SUBTRACT);
  press(ip_item, VK_ADD);
  press(TreeView_GetRoot(capture_page.panes.tree), VK_SUBTRACT);
  EXPECT_EQ(capture_page.tree_flags.tcp, 0);
  EXPECT_EQ(capture_page.tree_flags.ip, 1);
  EXPECT_EQ(capture_page.tree_flags.icmp + capture_page.tree_flags.udp + capture_page.tree_flags.data, 0);

  // The largest datagram's dump is whole: 4,096 rows, the last one with 15 bytes.
  ListSelectRow(capture_page.panes.list, 3);
  ASSERT_TRUE(PumpUntil([] { return capture_page.list.shown_row == 3; }, 1000));
  const std::string big = HexText();
  EXPECT_EQ(big.size(), (4u + 4096u) * 76u);
  EXPECT_EQ(big.substr(big.size() - 2 * 76, 10), "004095 | 0");
}

// Typing in the list selects the first row at or after the focused one,
// wrapping around, whose number begins with the typed text; the tree follows.
TEST(CapturePage, TypingARowNumberSelectsItsRow) {
  TempDir dir;
  CaptureSession s;
  ASSERT_NE(s.window.window(), nullptr);
  for (uint16_t i = 0; i < 20; ++i) s.source.PushDatagram(SizedDatagram(40, 17, 1000 + i, 53));
  ASSERT_TRUE(s.CaptureUntilListed(20, 20));
  ListSelectRow(capture_page.panes.list, 12);
  ASSERT_TRUE(PumpUntil([] { return capture_page.list.shown_row == 12; }, 1000));

  SetFocus(capture_page.panes.list);
  SendMessageA(capture_page.panes.list, WM_CHAR, '5', 1);  // lParam: a repeat count of 1
  EXPECT_EQ(ListView_GetNextItem(capture_page.panes.list, -1, LVNI_SELECTED), 5);
  ASSERT_TRUE(PumpUntil([] { return capture_page.list.shown_row == 5; }, 1000));
  const std::vector<std::string> outline = TreeOutline(capture_page.panes.tree);
  EXPECT_TRUE(std::any_of(outline.begin(), outline.end(), [](const std::string& line) {
    return line.find("SourcePort     : 1005") != std::string::npos;
  }));
}

TEST(CapturePage, OverwriteModeRemovesTopRowsAndRowIShowsRecordI) {
  TempDir dir;
  std::string config = kAdmitAll;
  config.replace(config.find("RING_MAX=0"), 10, "RING_MAX=1");
  config.replace(config.find("RING_ROOP=0"), 11, "RING_ROOP=1");
  CaptureSession s(config.c_str());
  ASSERT_NE(s.window.window(), nullptr);
  // Sent once capturing: what arrives while stopped belongs to no capture.
  auto send = [&](uint16_t first, uint16_t last) {
    Request(IDM_CAPTURE_START);
    for (uint16_t port = first; port <= last; ++port) {
      s.source.PushDatagram(SizedDatagram(100, 17, port, 80));
    }
    return s.CaptureUntilListed(last, 10);  // the newest 1,000 bytes, after an even count
  };
  auto record_port = [](int index) {
    CapturedPacket packet;
    return capture_page.store.Get(index, packet) == 1 ? packet.data[20] * 256 + packet.data[21] : -1;
  };
  auto selected = [] {
    return static_cast<int>(SendMessageA(capture_page.panes.list, LVM_GETNEXTITEM,
                                         static_cast<WPARAM>(-1), LVNI_SELECTED));
  };
  ASSERT_TRUE(send(1, 40));
  ASSERT_EQ(capture_page.store.Count(), 10u);
  for (int row = 0; row < 10; ++row) {
    SCOPED_TRACE(row);
    EXPECT_EQ(ListCell(capture_page.panes.list, row, 0), std::to_string(30 + row));
    EXPECT_EQ(ListCell(capture_page.panes.list, row, 3), std::to_string(record_port(row)));
  }
  EXPECT_EQ(record_port(0), 31);
  ListSelectRow(capture_page.panes.list, 4);
  ASSERT_TRUE(PumpUntil([] { return capture_page.list.shown_row == 4; }, 1000));
  EXPECT_NE(HexText().find("000001 | 0A 00 00 02 00 23 00 50"),
            std::string::npos);  // port 35 -> 80
  const auto ip_header = reinterpret_cast<HTREEITEM>(capture_page.tree_items.ip_header);
  SendMessageA(capture_page.panes.tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(ip_header));

  // Rows leave above the selection: it moves up with its packet, and the
  // detail panes, which show that packet already, are left as the user has them.
  ASSERT_TRUE(send(41, 42));
  EXPECT_EQ(selected(), 2);
  EXPECT_EQ(ListCell(capture_page.panes.list, 2, 3), "35");
  EXPECT_EQ(ListCell(capture_page.panes.list, 9, 3), std::to_string(record_port(9)));
  Sleep(400);
  PumpMessages();
  EXPECT_EQ(capture_page.list.shown_row, 2);
  EXPECT_EQ(TreeView_GetSelection(capture_page.panes.tree), ip_header);
  // The selected packet itself leaves: so does the selection.
  ASSERT_TRUE(send(43, 50));
  EXPECT_EQ(selected(), -1);
  EXPECT_EQ(capture_page.list.shown_row, -1);
  EXPECT_EQ(ListCell(capture_page.panes.list, 0, 0), std::to_string(record_port(0) - 1));
}

// A capture beyond a 16-bit count opens into the list in full: the progress
// bar's range holds the count, the last row shows the last record and selects
// like any other.
TEST(CapturePage, LargeCaptureOpensWhole) {
  TempDir dir;
  CaptureSession s;
  ASSERT_NE(s.window.window(), nullptr);
  constexpr int kPackets = 70000;
  {
    PacketStore store;
    for (int i = 0; i < kPackets; ++i) {
      const std::vector<uint8_t> d = SizedDatagram(28, 17, static_cast<uint16_t>(i), 53);
      store.Add(d.data(), 28, SystemTime{2026, 12, 1, 7, 8, 0, 0, 0});
    }
    SilentProgressBar bar;
    ASSERT_EQ(SaveCaptureFile("large.bin", store, bar), FileOutcome::Written);
  }
  auto dialog = AnswerFileDialog("バイナリデータファイル読み込み", dir.path().string() + "\\large.bin");
  auto box = AnswerBox("読み込み完了", IDOK);
  Request(IDM_OPEN);
  ASSERT_TRUE(PumpUntilAnswered(box, 60000));
  ASSERT_TRUE(PumpUntil([] { return RowCount() == kPackets; }, 5000));
  EXPECT_EQ(SendMessageA(ProgressBarWindow, PBM_GETRANGE, FALSE, 0), kPackets);
  EXPECT_EQ(SendMessageA(ProgressBarWindow, PBM_GETPOS, 0, 0), 0);
  EXPECT_EQ(Row(kPackets - 1), (std::vector<std::string>{
                                   "69999", "UDP", "192.168.0.1", "4463", "⇒", "10.0.0.2", "53",
                                   "28", "0", "-----", "-----", "2026/12/07(08:00:00.000)",
                                   "0.000 sec", ""}));
  ListSelectRow(capture_page.panes.list, kPackets - 1);
  ASSERT_TRUE(PumpUntil([] { return capture_page.list.shown_row == kPackets - 1; }, 1000));
  EXPECT_EQ(HexText().find("000000 | 45 00 00 1C "), 76u * 3);
}

TEST(CapturePage, SaveExportDeleteAllAndOpenGoThroughTheirDialogs) {
  TempDir dir;
  CaptureSession s;
  ASSERT_NE(s.window.window(), nullptr);
  s.source.PushDatagram(SizedDatagram(40, 17, 1000, 2000));
  s.source.PushDatagram(TcpSegment(0x18, 10));
  ASSERT_TRUE(s.CaptureUntilListed(2, 2));
  const std::vector<std::string> before[] = {Row(0), Row(1)};
  ListSelectRow(capture_page.panes.list, 1);
  ASSERT_TRUE(PumpUntil([] { return capture_page.list.shown_row == 1; }, 1000));

  const std::string folder = dir.path().string();
  struct Command {
    int id;
    const char* dialog;
    std::string path;
    const char* box;
  };
  const Command saves[] = {
      {IDM_SAVE_BINARY, "バイナリデータファイル保存", folder + "\\capture.bin", "保存完了"},
      {IDM_SAVE_TEXT, "テキストデータファイル保存", folder + "\\report.txt", "保存完了"},
  };
  for (const Command& c : saves) {
    SCOPED_TRACE(c.dialog);
    auto dialog = AnswerFileDialog(c.dialog, c.path);
    auto box = AnswerBox(c.box, IDOK);
    Request(c.id);
    ASSERT_TRUE(PumpUntilAnswered(box));
    EXPECT_TRUE(dialog.get());
    EXPECT_TRUE(box.get().found);
  }
  EXPECT_EQ(ReadFileBytes("capture.bin").size(), 68u + 2 * 20 + 40 + 50);
  EXPECT_NE(ReadFileBytes("report.txt").find("[49152] -> [80]\r\n"), std::string::npos);

  Request(IDM_DELETE_ALL);
  ASSERT_TRUE(PumpUntil([] { return capture_page.store.Count() == 0 && HexText().empty(); }, 5000));
  EXPECT_EQ(RowCount(), 0);
  EXPECT_EQ(capture_page.list.shown_row, -1);
  EXPECT_TRUE(TreeOutline(capture_page.panes.tree).empty());

  auto dialog = AnswerFileDialog("バイナリデータファイル読み込み", folder + "\\capture.bin");
  auto box = AnswerBox("読み込み完了", IDOK);
  Request(IDM_OPEN);
  ASSERT_TRUE(PumpUntil([&] { return RowCount() == 2; }, 20000));
  ASSERT_TRUE(PumpUntilAnswered(box));
  EXPECT_TRUE(dialog.get());
  EXPECT_EQ(box.get().text, "読み込みが完了しました");
  EXPECT_EQ(Row(0), before[0]);
  EXPECT_EQ(Row(1), before[1]);
  // The same row index as before the reload shows the reloaded packet.
  ListSelectRow(capture_page.panes.list, 1);
  ASSERT_TRUE(PumpUntil([] { return capture_page.list.shown_row == 1; }, 1000));
  EXPECT_EQ(TreeOutline(capture_page.panes.tree).at(0), "+RecvData");
}

}  // namespace
