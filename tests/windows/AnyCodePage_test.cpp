// The window's texts on a system whose code page is not 932: registered to run
// under a Western locale (code page 1252), where a text handed to a narrow
// call would read as mojibake. Every text is read back through the wide calls
// and must be the Japanese text itself.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>
#include <richedit.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

#include "app/CapturePageWin32.h"
#include "app/MainWindowWin32.h"
#include "app/resource.h"
#include "log/WideText.h"
#include "support/CaptureFakes.h"
#include "support/GuiHarness.h"
#include "support/TempDir.h"

namespace {

constexpr const char* kAdmitUdp =
    "[Common_config]\r\nRING_MAX=0\r\nRING_ROOP=0\r\nCAP_FPS=10\r\n"
    "[Protocol_config]\r\nTCP=0\r\nUDP=1\r\nICMP=0\r\nOTHER=0\r\n"
    "[IP_config]\r\nLIST_NUM=1\r\n0_LIST_SRC_IP=0.0.0.0\r\n0_LIST_SRC_PORT=*\r\n"
    "0_LIST_DEST_IP=0.0.0.0\r\n0_LIST_DEST_PORT=*\r\n0_LIST_VEC=0\r\n";

std::wstring StatusText(int part) {
  wchar_t text[256] = {};
  SendMessageW(StatusBar, SB_GETTEXTW, part, reinterpret_cast<LPARAM>(text));
  return text;
}

std::wstring Cell(int row, int column) {
  wchar_t text[256] = {};
  LVITEMW item{};
  item.iSubItem = column;
  item.pszText = text;
  item.cchTextMax = 256;
  SendMessageW(capture_page.panes.list, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
  return text;
}

std::wstring HexPaneText() {
  static wchar_t text[1 << 16];
  GETTEXTEX how{sizeof(text), GT_DEFAULT, 1200, nullptr, nullptr};
  SendMessageW(capture_page.panes.hex, EM_GETTEXTEX, reinterpret_cast<WPARAM>(&how),
               reinterpret_cast<LPARAM>(text));
  return text;
}

std::wstring WideWindowText(HWND window) {
  wchar_t text[256] = {};
  GetWindowTextW(window, text, 256);
  return text;
}

// What a helper thread read from the dialog titled `title` before cancelling it.
struct SeenDialog {
  bool found = false;
  std::wstring first_text;  // the first static control's (a box's message)
};

std::future<SeenDialog> CancelDialog(const wchar_t* title) {
  return std::async(std::launch::async, [title] {
    SeenDialog seen;
    HWND dialog = nullptr;
    seen.found = WaitUntil(
        [&] { return (dialog = FindWindowW(L"#32770", title)) != nullptr; }, kDialogWaitMs);
    if (!seen.found) return seen;
    for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
      wchar_t name[16] = {};
      GetClassNameW(child, name, 16);
      if (std::wstring(name) == L"Static" && !WideWindowText(child).empty()) {
        seen.first_text = WideWindowText(child);
        break;
      }
    }
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    WaitUntil([&] { return !IsWindow(dialog); }, kDialogWaitMs);
    return seen;
  });
}

TEST(AnyCodePage, TextsReadBackInJapaneseThroughTheWideCalls) {
  ASSERT_EQ(GetACP(), 1252u) << "registered to run under a Western locale";
  TempDir dir;
  WriteFileBytes("config.ini", kAdmitUdp);
  ScriptedSource source;
  source.quiet_wait = std::chrono::milliseconds(5);
  // A UDP datagram whose data are "日本" in code page 932.
  std::vector<uint8_t> japanese = SizedDatagram(32);
  const uint8_t nihon[] = {0x93, 0xFA, 0x96, 0x7B};
  std::copy(std::begin(nihon), std::end(nihon), japanese.begin() + 28);
  MainWindowSession session(&source);
  ASSERT_NE(session.window(), nullptr);
  source.PushDatagram(japanese);
  EXPECT_EQ(StatusText(0), L"状態：停止中");

  SendMessageW(MainWindow, WM_COMMAND, MAKEWPARAM(IDM_CAPTURE_START, 0), 0);
  ASSERT_TRUE(PumpUntil([] { return ListRowCount(capture_page.panes.list) == 1; }, 10000))
      << Utf8FromWide(StatusText(1));
  SendMessageW(MainWindow, WM_COMMAND, MAKEWPARAM(IDM_CAPTURE_STOP, 0), 0);
  EXPECT_EQ(StatusText(1).rfind(L"Packet:1　", 0), 0u) << StatusText(1).size();
  EXPECT_EQ(Cell(0, 1), L"UDP");
  EXPECT_EQ(Cell(0, 5), L"10.0.0.2");

  ListSelectRow(capture_page.panes.list, 0);
  ASSERT_TRUE(PumpUntil([] { return HexPaneText().find(L"日本") != std::wstring::npos; }, 5000))
      << "hex pane: " << HexPaneText().size() << " characters";

  auto exit_box = CancelDialog(L"終了確認");
  PostMessageW(MainWindow, WM_CLOSE, 0, 0);
  ASSERT_TRUE(PumpUntilAnswered(exit_box));
  const SeenDialog box = exit_box.get();
  EXPECT_TRUE(box.found);
  EXPECT_EQ(box.first_text, L"終了しますか？");

  auto filter_dialog = CancelDialog(L"フィルター設定");
  PostMessageW(MainWindow, WM_COMMAND, MAKEWPARAM(IDM_FILTER_SETTINGS, 0), 0);
  ASSERT_TRUE(PumpUntilAnswered(filter_dialog));
  EXPECT_TRUE(filter_dialog.get().found);
}

}  // namespace
