// The About dialog, run from the main window's menu and driven from a helper
// thread the way a user would: keys, the close box, the buttons. The web-page
// button's shell call is recorded instead of starting a browser.
#include <windows.h>

#include <gtest/gtest.h>

#include <future>
#include <mutex>
#include <string>
#include <vector>

#include "app/AboutDialogWin32.h"
#include "app/AppTitleWin32.h"
#include "app/resource.h"
#include "support/GuiHarness.h"
#include "support/TempDir.h"

namespace {

constexpr const char* kCaption = "バージョン情報";

std::mutex opened_lock;
std::vector<std::string> opened;

void RecordOpen(HWND, const char* address) {
  std::lock_guard<std::mutex> guard(opened_lock);
  opened.push_back(address);
}

size_t OpenedCount() {
  std::lock_guard<std::mutex> guard(opened_lock);
  return opened.size();
}

struct AboutSeen {
  bool found = false;
  std::string name_line;
  std::string comment;
  std::string web_button;
  bool open_after_escape = false;
  bool open_after_close_box = false;
  bool open_after_web_button = false;
  size_t opened_by_web_button = 0;
};

bool StaysOpen(HWND dialog) {
  Sleep(300);
  return IsWindow(dialog) && IsWindowVisible(dialog);
}

// Esc, the close box and the web-page button (twice) leave the dialog open;
// then the dialog is closed with Enter on OK, or with a click on OK.
std::future<AboutSeen> DriveAbout(DWORD gui_thread, bool close_with_enter) {
  return std::async(std::launch::async, [gui_thread, close_with_enter] {
    AboutSeen seen;
    HWND dialog = nullptr;
    if (!WaitUntil([&] { return (dialog = FindDialog(kCaption)) != nullptr; }, 10000)) return seen;
    seen.found = true;
    Sleep(200);
    seen.name_line = WindowText(GetDlgItem(dialog, IDC_ABOUT_TITLE));
    seen.comment = WindowText(GetDlgItem(dialog, IDC_ABOUT_COMMENT));
    seen.web_button = WindowText(GetDlgItem(dialog, IDC_ABOUT_WEB_PAGE));

    PressKey(gui_thread, dialog, VK_ESCAPE);
    seen.open_after_escape = StaysOpen(dialog);
    PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
    seen.open_after_close_box = StaysOpen(dialog);
    const size_t before = OpenedCount();
    HWND web = GetDlgItem(dialog, IDC_ABOUT_WEB_PAGE);
    PostMessageA(web, BM_CLICK, 0, 0);
    PostMessageA(web, BM_CLICK, 0, 0);
    seen.open_after_web_button = StaysOpen(dialog);
    seen.opened_by_web_button = OpenedCount() - before;

    HWND ok = GetDlgItem(dialog, IDOK);
    if (close_with_enter) {
      PostMessageA(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(ok), TRUE);
      Sleep(100);
      PressKey(gui_thread, dialog, VK_RETURN);
    } else {
      PostMessageA(ok, BM_CLICK, 0, 0);
    }
    return seen;
  });
}

TEST(AboutDialog, ShowsTheTitleAndClosesOnlyThroughOk) {
  TempDir dir;
  MainWindowSession session;
  HWND main = session.window();
  ASSERT_NE(main, nullptr);
  SetAboutShellOpener(RecordOpen);

  for (bool close_with_enter : {true, false}) {
    SCOPED_TRACE(close_with_enter ? "Enter" : "OK button");
    auto driver = DriveAbout(GetCurrentThreadId(), close_with_enter);
    // Returns once the modal dialog has ended.
    SendMessageA(main, WM_COMMAND, IDM_ABOUT, 0);
    const AboutSeen seen = driver.get();
    ASSERT_TRUE(seen.found);
    EXPECT_EQ(seen.name_line, WindowText(main));
    EXPECT_EQ(seen.name_line, "Kestrel_Scan Ver 1.0.1.0");
    EXPECT_EQ(seen.comment, kAboutComment);
    EXPECT_EQ(seen.web_button, "https://kestrel-scan.example.org/");
    EXPECT_TRUE(seen.open_after_escape);
    EXPECT_TRUE(seen.open_after_close_box);
    EXPECT_TRUE(seen.open_after_web_button);
    EXPECT_EQ(seen.opened_by_web_button, 2u);
    EXPECT_EQ(FindDialog(kCaption), nullptr);
  }
  SetAboutShellOpener(nullptr);
  std::lock_guard<std::mutex> guard(opened_lock);
  for (const std::string& address : opened) {
    EXPECT_EQ(address, "https://kestrel-scan.example.org/");
  }
  EXPECT_TRUE(IsWindow(main));
}

}  // namespace
