// The filter-settings dialog, opened with the main window's menu command and
// toolbar button and driven from a helper thread the way a user would: ticks,
// typed fields, Add, the Delete key, Save and the three ways to cancel.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <future>
#include <string>
#include <vector>

#include "app/CapturePageWin32.h"
#include "app/resource.h"
#include "config/ConfigFile.h"
#include "config/PacketFilter.h"
#include "log/SettingsPaths.h"
#include "support/Datagrams.h"
#include "support/GuiHarness.h"
#include "support/TempDir.h"

namespace {

// What the controls show. Ticks of TCP, UDP, ICMP, other and loop as 1 and 0;
// each row as its cells joined by '|' and '#' with its tag.
struct Shown {
  std::string ring_max, cap_fps, ticks;
  std::vector<std::string> rows;
  int selected = -1;
};

Shown Read(HWND dialog) {
  Shown s;
  s.ring_max = WindowText(GetDlgItem(dialog, IDC_FILTER_RING_MAX));
  s.cap_fps = WindowText(GetDlgItem(dialog, IDC_FILTER_CAP_FPS));
  for (int id :
       {IDC_FILTER_TCP, IDC_FILTER_UDP, IDC_FILTER_ICMP, IDC_FILTER_OTHER, IDC_FILTER_RING_ROOP}) {
    s.ticks += IsDlgButtonChecked(dialog, id) == BST_CHECKED ? '1' : '0';
  }
  HWND list = GetDlgItem(dialog, IDC_FILTER_RULES);
  for (int row = 0; row < ListView_GetItemCount(list); ++row) {
    std::string line;
    for (int column = 0; column < 5; ++column) {
      if (column > 0) line += '|';
      line += ListCell(list, row, column);
    }
    LVITEMA item{};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    line += '#';
    line += std::to_string(item.lParam);
    s.rows.push_back(line);
  }
  s.selected = ListView_GetNextItem(list, -1, LVNI_SELECTED);
  return s;
}

void Click(HWND dialog, int id) {
  SendMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

// Runs `steps` on a helper thread once the dialog is open, while this thread
// sends `command` to the main window, which returns when the dialog has ended.
template <typename Steps>
auto WhileOpen(HWND main, int command, Steps steps) {
  auto helper = std::async(std::launch::async, [steps] {
    HWND dialog = nullptr;
    WaitUntil([&] { return (dialog = FindDialog("フィルター設定")) != nullptr; }, 10000);
    Sleep(100);
    return steps(dialog);
  });
  SendMessageA(main, WM_COMMAND, MAKEWPARAM(command, 0), 0);
  return helper.get();
}

// Only exactly 1 ticks a box; vec 7 leaves the direction cell empty; the third
// rule is missing from the file.
constexpr const char* kHandEditedFile =
    "[Common_config]\r\nRING_MAX=300\r\nRING_ROOP=1\r\nCAP_FPS=25\r\n"
    "[Protocol_config]\r\nTCP=1\r\nUDP=2\r\nOTHER=1\r\n"
    "[IP_config]\r\nLIST_NUM=3\r\n0_LIST_SRC_IP=192.168.0.1\r\n0_LIST_SRC_PORT=*\r\n"
    "0_LIST_DEST_IP=10.0.0.2\r\n0_LIST_DEST_PORT=80\r\n0_LIST_VEC=1\r\n"
    "1_LIST_SRC_IP=0.0.0.0\r\n1_LIST_VEC=7\r\n";

TEST(FilterDialog, OpensOnTheFileAndDeleteKeySelectsTheFollower) {
  TempDir dir;
  WriteFileBytes(SettingsPaths::Config(), kHandEditedFile);
  MainWindowSession session;
  const std::string r0 = "192.168.0.1|*|====>|10.0.0.2|80", r1 = "0.0.0.0||||", r2 = "||<===>||";
  struct Step {
    int select;  // -1: no row selected before the Delete key
    std::vector<std::string> rows;
    int selected;
  };
  const Step steps[] = {
      {1, {r0 + "#0", r2 + "#1"}, 1}, {1, {r0 + "#0"}, -1}, {-1, {r0 + "#0"}, -1}};
  std::vector<Shown> seen = WhileOpen(session.window(), IDT_FILTER_SETTINGS, [&](HWND dialog) {
    std::vector<Shown> after = {Read(dialog)};
    HWND list = GetDlgItem(dialog, IDC_FILTER_RULES);
    for (const Step& step : steps) {
      ListView_SetItemState(list, -1, 0, LVIS_SELECTED);
      if (step.select >= 0) ListView_SetItemState(list, step.select, LVIS_SELECTED, LVIS_SELECTED);
      SendMessageA(list, WM_KEYDOWN, VK_DELETE, 1);
      after.push_back(Read(dialog));
    }
    Click(dialog, IDC_FILTER_ADD);
    after.push_back(Read(dialog));
    Click(dialog, IDCANCEL);
    return after;
  });
  ASSERT_EQ(seen.size(), 5u);
  EXPECT_EQ(seen[0].ring_max + "," + seen[0].cap_fps + "," + seen[0].ticks, "300,25,10011");
  EXPECT_EQ(seen[0].rows, (std::vector<std::string>{r0 + "#0", r1 + "#1", r2 + "#2"}));
  for (size_t i = 0; i < std::size(steps); ++i) {
    EXPECT_EQ(seen[i + 1].rows, steps[i].rows) << i;
    EXPECT_EQ(seen[i + 1].selected, steps[i].selected) << i;
  }
  // Untouched fields add a rule for any address and port, both ways.
  EXPECT_EQ(seen[4].rows.back(), "0.0.0.0|*|<===>|0.0.0.0|*#1");
  EXPECT_EQ(ReadFileBytes(SettingsPaths::Config()), kHandEditedFile);
}

TEST(FilterDialog, SaveWritesAndAppliesAndCancelKeepsTheFile) {
  TempDir dir;
  MainWindowSession session;
  HWND main = session.window();
  // UDP 192.168.0.1:12345 -> 10.0.0.2:`port`.
  PacketFilter filter(SettingsPaths::Config());
  const auto accepts = [&filter](uint8_t port) {
    const std::vector<uint8_t> udp = Datagram(17, {0x30, 0x39, 0x00, port, 0x00, 0x08, 0, 0});
    return filter.Accept(udp.data(), static_cast<int32_t>(udp.size()));
  };
  EXPECT_EQ(accepts(53), 0);  // without a file every switch is off

  const Shown defaults = WhileOpen(main, IDM_FILTER_SETTINGS, [](HWND dialog) {
    const Shown s = Read(dialog);
    Click(dialog, IDC_FILTER_UDP);
    Click(dialog, IDC_FILTER_RING_ROOP);
    SetDlgItemTextA(dialog, IDC_FILTER_RING_MAX, "5");
    SetDlgItemTextA(dialog, IDC_FILTER_CAP_FPS, "");
    SendDlgItemMessageA(dialog, IDC_FILTER_ADDRESS1, IPM_SETADDRESS, 0,
                        MAKEIPADDRESS(192, 168, 0, 1));
    SendDlgItemMessageA(dialog, IDC_FILTER_ADDRESS2, IPM_SETADDRESS, 0, MAKEIPADDRESS(10, 0, 0, 2));
    SetDlgItemTextA(dialog, IDC_FILTER_PORT2, "53");
    SendDlgItemMessageA(dialog, IDC_FILTER_DIRECTION, CB_SETCURSEL, 1, 0);
    Click(dialog, IDC_FILTER_ADD);
    SendDlgItemMessageA(dialog, IDC_FILTER_ADDRESS1, IPM_CLEARADDRESS, 0, 0);
    SetDlgItemTextA(dialog, IDC_FILTER_PORT1, "8080");
    SetDlgItemTextA(dialog, IDC_FILTER_PORT2, "");
    SendDlgItemMessageA(dialog, IDC_FILTER_ADDRESS2, IPM_SETADDRESS, 0, MAKEIPADDRESS(10, 0, 0, 9));
    SendDlgItemMessageA(dialog, IDC_FILTER_DIRECTION, CB_SETCURSEL, 0, 0);
    Click(dialog, IDC_FILTER_ADD);
    Click(dialog, IDC_FILTER_SAVE);
    return s;
  });
  EXPECT_EQ(defaults.ring_max + "," + defaults.cap_fps + "," + defaults.ticks, "0,10,00000");
  EXPECT_TRUE(defaults.rows.empty());
  // The size limit and interval reach the capture at once, the rules with the next packet.
  EXPECT_EQ(capture_page.store.LimitKbytes(), 5);
  EXPECT_EQ(capture_page.control.receive_interval_ms.load(), 0);
  EXPECT_EQ(accepts(53), 1);
  EXPECT_EQ(accepts(54), 0);  // UDP is on, but no rule admits port 54
  const std::string saved = ReadFileBytes(SettingsPaths::Config());
  FilterSettings expected;
  expected.ring_max = 5;
  expected.ring_roop = expected.udp = true;
  expected.cap_fps = 0;
  expected.rules = {{"192.168.0.1", "*", "10.0.0.2", "53", 1},
                    {"0.0.0.0", "8080", "10.0.0.9", "*", 0}};
  ASSERT_EQ(ConfigFile::Write(expected), 1);
  EXPECT_EQ(saved, ReadFileBytes(SettingsPaths::Config()));

  // Each way of cancelling discards an Add and a Delete and applies nothing.
  capture_page.store.SetLimitKbytes(77);
  enum Way { kButton, kEscape, kCloseBox };
  const DWORD gui_thread = GetCurrentThreadId();
  for (Way way : {kButton, kEscape, kCloseBox}) {
    const Shown shown = WhileOpen(main, IDT_FILTER_SETTINGS, [way, gui_thread](HWND dialog) {
      const Shown s = Read(dialog);
      Click(dialog, IDC_FILTER_ADD);
      HWND list = GetDlgItem(dialog, IDC_FILTER_RULES);
      ListView_SetItemState(list, 0, LVIS_SELECTED, LVIS_SELECTED);
      SendMessageA(list, WM_KEYDOWN, VK_DELETE, 1);
      if (way == kButton) Click(dialog, IDCANCEL);
      if (way == kEscape) PressKey(gui_thread, dialog, VK_ESCAPE);
      if (way == kCloseBox) PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
      return s;
    });
    EXPECT_EQ(shown.ring_max + "," + shown.cap_fps + "," + shown.ticks, "5,0,01001");
    EXPECT_EQ(shown.rows, (std::vector<std::string>{"192.168.0.1|*|====>|10.0.0.2|53#0",
                                                    "0.0.0.0|8080|<===>|10.0.0.9|*#1"}));
    EXPECT_EQ(ReadFileBytes(SettingsPaths::Config()), saved) << way;
    EXPECT_EQ(capture_page.store.LimitKbytes(), 77) << way;
  }
}

TEST(FilterDialog, UnwritableFileWarnsAndKeepsTheDialog) {
  TempDir dir;
  MainWindowSession session;
  // A folder in the file's place cannot be replaced by the new file.
  std::filesystem::create_directory(SettingsPaths::Config());
  struct Seen {
    AnsweredBox box;
    bool owned_by_dialog = false, retry_failed = false;
  };
  const Seen seen = WhileOpen(session.window(), IDM_FILTER_SETTINGS, [](HWND dialog) {
    Seen s;
    Click(dialog, IDC_FILTER_TCP);
    auto box = AnswerBox("保存エラー", IDOK);
    Click(dialog, IDC_FILTER_SAVE);
    s.box = box.get();
    s.owned_by_dialog = s.box.owner == dialog;
    // The dialog is still there with the tick: once the folder is gone, Save
    // succeeds. Should it fail again, the box is answered and Cancel ends it.
    std::filesystem::remove(SettingsPaths::Config());
    auto unexpected = AnswerBox("保存エラー", IDOK, 2000);
    Click(dialog, IDC_FILTER_SAVE);
    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    s.retry_failed = unexpected.get().found;
    return s;
  });
  EXPECT_EQ(seen.box.text, "設定ファイルの保存に失敗しました");
  EXPECT_TRUE(seen.box.has_warning_icon);
  EXPECT_TRUE(seen.owned_by_dialog);
  EXPECT_FALSE(seen.retry_failed);
  EXPECT_TRUE(ConfigFile::Load().tcp);
}

}  // namespace
