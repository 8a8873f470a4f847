// The main window driven in-process: title, menu, toolbar, tooltips, status
// bar, the commands and the capture state they show, the exit question, the
// end of a session, the layout after resizing and a failed initialisation.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <future>
#include <string>
#include <vector>

#include "app/AppTitleWin32.h"
#include "app/CapturePageCommands.h"
#include "app/CapturePageWin32.h"
#include "app/IdleThreadWin32.h"
#include "app/MainWindowWin32.h"
#include "app/resource.h"
#include "support/CaptureFakes.h"
#include "support/GuiHarness.h"
#include "support/TempDir.h"

namespace {

constexpr const char* kTitle = "Kestrel_Scan Ver 1.0.1.0";

void ReadMenu(HMENU menu, const std::string& path, std::vector<std::string>& items) {
  const int count = GetMenuItemCount(menu);
  for (int i = 0; i < count; ++i) {
    char text[256] = {};
    MENUITEMINFOA info{};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STRING | MIIM_SUBMENU;
    info.dwTypeData = text;
    info.cch = sizeof(text);
    ASSERT_TRUE(GetMenuItemInfoA(menu, i, TRUE, &info));
    if (info.fType & MFT_SEPARATOR) {
      items.push_back(path + "-");
    } else if (info.hSubMenu != nullptr) {
      ReadMenu(info.hSubMenu, path + text + "/", items);
    } else {
      items.push_back(path + text + "=" + std::to_string(info.wID));
    }
  }
}

RECT RectIn(HWND window, HWND reference) {
  RECT rect{};
  GetWindowRect(window, &rect);
  MapWindowPoints(nullptr, reference, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

TEST(MainWindow, TitleIsClassAndCaptionAndChildrenCarryTheirIds) {
  TempDir dir;
  MainWindowSession session;
  HWND main = session.window();
  ASSERT_NE(main, nullptr);
  EXPECT_STREQ(AppTitle, kTitle);
  EXPECT_EQ(WindowText(main), kTitle);
  EXPECT_EQ(WindowClass(main), kTitle);
  EXPECT_EQ(FindWindowA(kTitle, nullptr), main);
  const LONG style = GetWindowLongA(main, GWL_STYLE);
  EXPECT_TRUE(style & WS_THICKFRAME);
  EXPECT_TRUE(style & WS_MINIMIZEBOX);
  EXPECT_TRUE(style & WS_MAXIMIZEBOX);
  EXPECT_TRUE(IsWindowVisible(main));

  HWND tab = GetDlgItem(main, IDC_TAB);
  ASSERT_NE(tab, nullptr);
  EXPECT_EQ(WindowClass(tab), "SysTabControl32");
  EXPECT_EQ(SendMessageA(tab, TCM_GETITEMCOUNT, 0, 0), 1);
  char tab_text[64] = {};
  TCITEMA item{};
  item.mask = TCIF_TEXT;
  item.pszText = tab_text;
  item.cchTextMax = sizeof(tab_text);
  SendMessageA(tab, TCM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
  EXPECT_STREQ(tab_text, "Packet Capture");
  EXPECT_EQ(GetParent(capture_page.window), tab);
  EXPECT_EQ(WindowClass(capture_page.window), "#32770");
  EXPECT_EQ(CurrentPage, capture_page.window);
  EXPECT_TRUE(IsWindowVisible(capture_page.window));
  // Selecting the tab shows its page and hands it the dialog keys again.
  ShowWindow(capture_page.window, SW_HIDE);
  CurrentPage = nullptr;
  NMHDR selection{tab, IDC_TAB, static_cast<UINT>(TCN_SELCHANGE)};
  EXPECT_EQ(SendMessageA(main, WM_NOTIFY, IDC_TAB, reinterpret_cast<LPARAM>(&selection)), 0);
  EXPECT_EQ(CurrentPage, capture_page.window);
  EXPECT_TRUE(IsWindowVisible(capture_page.window));

  EXPECT_EQ(WindowClass(GetDlgItem(main, IDC_TOOLBAR)), "ToolbarWindow32");
  HWND status = GetDlgItem(main, IDC_STATUS_BAR);
  ASSERT_NE(status, nullptr);
  EXPECT_EQ(WindowClass(status), "msctls_statusbar32");
  int edges[5] = {};
  ASSERT_EQ(SendMessageA(status, SB_GETPARTS, 5, reinterpret_cast<LPARAM>(edges)), 4);
  EXPECT_EQ(edges[0], 150);
  EXPECT_EQ(edges[1], 500);
  EXPECT_GE(edges[2], 560) << "the progress bar keeps a width of its own";
  EXPECT_EQ(edges[3], -1) << "the address captured, at the right end";
  EXPECT_EQ(StatusPartText(status, 0), "状態：停止中");
  HWND progress = GetDlgItem(status, IDC_PROGRESS_BAR);
  ASSERT_NE(progress, nullptr);
  EXPECT_EQ(WindowClass(progress), "msctls_progress32");
  EXPECT_EQ(WindowText(progress), "ProgressBar");

  std::vector<std::string> menu;
  ReadMenu(GetMenu(main), "", menu);
  const std::vector<std::string> expected = {
      "ファイル(&F)/開く(O)=40012",
      "ファイル(&F)/-",
      "ファイル(&F)/保存(S)/バイナリ形式で保存(B)=40010",
      "ファイル(&F)/保存(S)/テキスト形式で保存(T)=40011",
      "ファイル(&F)/-",
      "ファイル(&F)/バージョン情報(&A)=10010",
      "ファイル(&F)/-",
      "ファイル(&F)/終了(&E)=10000",
      "操作(C)/開始(S)=40016",
      "操作(C)/停止(T)=40017",
      "操作(C)/-",
      "操作(C)/全削除(&D)=40020",
      "設定(&O)/Filter 設定(&F)=10001",
      "設定(&O)/キャプチャー アドレス(&A)=10002",
  };
  EXPECT_EQ(menu, expected);
}

TEST(MainWindow, ToolbarHasItsButtonsSeparatorsAndTooltips) {
  TempDir dir;
  MainWindowSession session;
  HWND main = session.window();
  ASSERT_NE(main, nullptr);
  HWND toolbar = GetDlgItem(main, IDC_TOOLBAR);
  ASSERT_NE(toolbar, nullptr);

  // 0 stands for a separator; the pictures are the own five, then the
  // standard small colour images "file open" (7) and "properties" (10) added
  // after them.
  struct Expected {
    int id;
    int image;
  };
  const Expected expected[] = {{3010, 0}, {3011, 1}, {3012, 2},  {0, 0}, {3015, 3},
                               {3016, 4}, {0, 0},    {3020, 12}, {0, 0}, {3017, 15}};
  ASSERT_EQ(SendMessageA(toolbar, TB_BUTTONCOUNT, 0, 0), 10);
  for (int i = 0; i < 10; ++i) {
    TBBUTTON button{};
    ASSERT_TRUE(SendMessageA(toolbar, TB_GETBUTTON, i, reinterpret_cast<LPARAM>(&button)));
    SCOPED_TRACE(i);
    if (expected[i].id == 0) {
      EXPECT_TRUE(button.fsStyle & TBSTYLE_SEP);
      continue;
    }
    EXPECT_EQ(button.idCommand, expected[i].id);
    EXPECT_FALSE(button.fsStyle & TBSTYLE_SEP);
    EXPECT_TRUE(button.fsState & TBSTATE_ENABLED);
    EXPECT_EQ(button.iBitmap, expected[i].image);
  }

  struct Tip {
    int id;
    const char* text;
  };
  const Tip tips[] = {{3010, "開始"},
                      {3011, "停止"},
                      {3012, "削除"},
                      {3015, "バイナリ保存(.bin)"},
                      {3016, "テキスト保存(.txt)"},
                      {3020, ".binファイルを開く"},
                      {3017, "フィルター設定"}};
  for (const Tip& tip : tips) {
    NMTTDISPINFOA request{};
    request.hdr.hwndFrom = toolbar;
    request.hdr.idFrom = tip.id;
    request.hdr.code = TTN_NEEDTEXTA;
    request.lpszText = request.szText;
    EXPECT_EQ(SendMessageA(main, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&request)), 0);
    EXPECT_STREQ(request.szText, tip.text) << tip.id;
    EXPECT_EQ(request.hinst, AppInstance);
  }
  // An id off the toolbar gets the instance field and nothing else.
  NMTTDISPINFOA other{};
  other.hdr.hwndFrom = toolbar;
  other.hdr.idFrom = 40016;
  other.hdr.code = TTN_NEEDTEXTA;
  lstrcpyA(other.szText, "untouched");
  other.lpszText = other.szText;
  SendMessageA(main, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&other));
  EXPECT_STREQ(other.szText, "untouched");
  EXPECT_EQ(other.lpszText, other.szText);
  EXPECT_EQ(other.hinst, AppInstance);

  // The toolbar's own tooltip control asks the main window the same way.
  HWND tooltips = reinterpret_cast<HWND>(SendMessageA(toolbar, TB_GETTOOLTIPS, 0, 0));
  ASSERT_NE(tooltips, nullptr);
  char shown[80] = {};
  TOOLINFOA tool{};
  tool.cbSize = sizeof(tool);
  tool.hwnd = toolbar;
  tool.uId = 3015;
  tool.lpszText = shown;
  SendMessageA(tooltips, TTM_GETTEXTA, sizeof(shown), reinterpret_cast<LPARAM>(&tool));
  EXPECT_STREQ(shown, "バイナリ保存(.bin)");
}

// Each command reaches the capture thread as its request: what the thread
// then does shows (a dialog to cancel, emptied panes, the capture state).
TEST(MainWindow, CommandsRequestCaptureActionsAndStatusFollows) {
  TempDir dir;
  ScriptedSource quiet;
  quiet.quiet_wait = std::chrono::milliseconds(5);
  MainWindowSession session(&quiet);
  HWND main = session.window();
  ASSERT_NE(main, nullptr);
  HWND status = GetDlgItem(main, IDC_STATUS_BAR);

  struct Case {
    int id;
    int8_t request;
    const char* dialog;  // the dialog the command opens, cancelled here
  };
  const Case cases[] = {
      {40016, 2, nullptr}, {3010, 2, nullptr}, {40017, 1, nullptr}, {3011, 1, nullptr},
      {40020, 5, nullptr}, {3012, 5, nullptr},
      {40010, 6, "バイナリデータファイル保存"}, {3015, 6, "バイナリデータファイル保存"},
      {40011, 7, "テキストデータファイル保存"}, {3016, 7, "テキストデータファイル保存"},
      {40012, 9, "バイナリデータファイル読み込み"}, {3020, 9, "バイナリデータファイル読み込み"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    // Start from the other state so that every status change is visible.
    SendMessageA(main, WM_COMMAND, c.request == 2 ? 40017 : 40016, 0);
    SendMessageA(capture_page.panes.hex, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("x"));
    std::future<AnsweredBox> dialog;
    if (c.dialog != nullptr) dialog = AnswerBox(c.dialog, IDCANCEL);
    SendMessageA(main, WM_COMMAND, MAKEWPARAM(c.id, 0), 0);
    EXPECT_EQ(StatusPartText(status, 0), c.request == 2 ? "状態：キャプチャー中" : "状態：停止中");
    const auto mode = [] { return capture_page.control.capture_request.load(); };
    EXPECT_TRUE(PumpUntil([&] { return mode() == (c.request == 2 ? 2 : 1); }, 5000));
    if (c.request == 5) {
      EXPECT_TRUE(PumpUntil([] { return LongWindowText(capture_page.panes.hex).empty(); }, 5000));
    }
    if (c.dialog != nullptr) {
      ASSERT_TRUE(PumpUntilAnswered(dialog));
      const AnsweredBox seen = dialog.get();
      ASSERT_TRUE(seen.found) << "open instead: " << seen.instead;
    }
    EXPECT_TRUE(PumpUntil([] { return !capture_page.control.commands.Pending(); }, 5000));
  }

  // Starting while capturing changes nothing but sets the text again.
  SendMessageA(main, WM_COMMAND, 40016, 0);
  SendMessageA(status, SB_SETTEXTA, 0, reinterpret_cast<LPARAM>("x"));
  SendMessageA(main, WM_COMMAND, 40016, 0);
  EXPECT_EQ(StatusPartText(status, 0), "状態：キャプチャー中");

  // Ids outside the table are ignored.
  SendMessageA(main, WM_COMMAND, 12345, 0);
  SendMessageA(main, WM_COMMAND, 5010, 0);
  EXPECT_EQ(StatusPartText(status, 0), "状態：キャプチャー中");

  // The page keeps the low byte of the request only: 0x01, a stop.
  SendMessageA(capture_page.window, WM_COMMAND, kIdCaptureRequest, 0x7701);
  EXPECT_EQ(StatusPartText(status, 0), "状態：停止中");
  // Each start opens a socket, so the queued commands take a while.
  EXPECT_TRUE(PumpUntil(
      [] {
        return !capture_page.control.commands.Pending() &&
               capture_page.control.capture_request.load() == 1;
      },
      5000));

  // A real click on the start button sends the same command.
  HWND toolbar = GetDlgItem(main, IDC_TOOLBAR);
  RECT button{};
  ASSERT_TRUE(SendMessageA(toolbar, TB_GETRECT, 3010, reinterpret_cast<LPARAM>(&button)));
  const LPARAM centre =
      MAKELPARAM((button.left + button.right) / 2, (button.top + button.bottom) / 2);
  SendMessageA(toolbar, WM_LBUTTONDOWN, MK_LBUTTON, centre);
  SendMessageA(toolbar, WM_LBUTTONUP, 0, centre);
  PumpMessages();
  EXPECT_EQ(StatusPartText(status, 0), "状態：キャプチャー中");
  EXPECT_TRUE(PumpUntil(
      [] {
        return !capture_page.control.commands.Pending() &&
               capture_page.control.capture_request.load() == 2;
      },
      5000));

  // A value that is no command changes neither the state nor its text.
  SendMessageA(capture_page.window, WM_COMMAND, kIdCaptureRequest, 3);
  EXPECT_EQ(StatusPartText(status, 0), "状態：キャプチャー中");
  EXPECT_FALSE(capture_page.control.commands.Pending());
}

TEST(MainWindow, ReloadAppliesStoreLimitAndInterval) {
  TempDir dir;
  MainWindowSession session;
  ASSERT_NE(session.window(), nullptr);
  WriteFileBytes("config.ini", "[Common_config]\r\nRING_MAX=20\r\nCAP_FPS=250\r\n");
  SendMessageA(capture_page.window, WM_COMMAND, kIdReloadCaptureSettings, 0);
  EXPECT_EQ(capture_page.store.LimitKbytes(), 20);
  EXPECT_EQ(capture_page.control.receive_interval_ms.load(), 250);

  // Hand-edited values out of range are brought back into it.
  WriteFileBytes("config.ini", "[Common_config]\r\nRING_MAX=-3\r\nCAP_FPS=-5\r\n");
  SendMessageA(capture_page.window, WM_COMMAND, kIdReloadCaptureSettings, 0);
  EXPECT_EQ(capture_page.store.LimitKbytes(), 0);
  EXPECT_EQ(capture_page.control.receive_interval_ms.load(), 0);
}

TEST(MainWindow, ExitAsksAndCancelKeepsRunning) {
  TempDir dir;
  MainWindowSession session;
  HWND main = session.window();
  ASSERT_NE(main, nullptr);

  auto cancel = AnswerBox("終了確認", IDCANCEL);
  SendMessageA(main, WM_COMMAND, IDM_EXIT, 0);
  AnsweredBox asked = cancel.get();
  ASSERT_TRUE(asked.found);
  EXPECT_EQ(asked.text, "終了しますか？");
  EXPECT_EQ(asked.owner, main);
  EXPECT_TRUE(asked.has_question_icon);
  EXPECT_TRUE(IsWindow(main));
  EXPECT_FALSE(TakeQuitMessage());

  // The close box asks the same; OK ends the program with status 0.
  auto ok = AnswerBox("終了確認", IDOK);
  SendMessageA(main, WM_CLOSE, 0, 0);
  ASSERT_TRUE(ok.get().found);
  EXPECT_FALSE(IsWindow(main));
  int exit_code = -1;
  EXPECT_TRUE(TakeQuitMessage(&exit_code));
  EXPECT_EQ(exit_code, 0);
}

TEST(MainWindow, EndOfSessionClosesWithoutAsking) {
  TempDir dir;
  MainWindowSession session;
  HWND main = session.window();
  ASSERT_NE(main, nullptr);
  // Would answer the question if it came, so that the test cannot hang on it.
  auto unexpected = AnswerBox("終了確認", IDOK, 3000);
  // A log-off that was cancelled leaves the program running.
  SendMessageA(main, WM_ENDSESSION, FALSE, 0);
  EXPECT_TRUE(IsWindow(main));
  SendMessageA(main, WM_ENDSESSION, TRUE, 0);
  EXPECT_FALSE(IsWindow(main));
  EXPECT_FALSE(unexpected.get().found);
  int exit_code = -1;
  EXPECT_TRUE(TakeQuitMessage(&exit_code));
  EXPECT_EQ(exit_code, 0);
}

TEST(MainWindow, LayoutKeepsProgressBarOnPartTwoAndPageBetweenBars) {
  TempDir dir;
  MainWindowSession session;
  HWND main = session.window();
  ASSERT_NE(main, nullptr);
  HWND toolbar = GetDlgItem(main, IDC_TOOLBAR);
  HWND status = GetDlgItem(main, IDC_STATUS_BAR);
  HWND progress = GetDlgItem(status, IDC_PROGRESS_BAR);
  HWND tab = GetDlgItem(main, IDC_TAB);

  // Part 2 begins at x 500, so the narrowest size still leaves it a width.
  const SIZE sizes[] = {{720, 580}, {560, 240}, {900, 700}};
  for (const SIZE& size : sizes) {
    SCOPED_TRACE(size.cx);
    SetWindowPos(main, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER);
    PumpMessages();
    RECT part{};
    SendMessageA(status, SB_GETRECT, 2, reinterpret_cast<LPARAM>(&part));
    const RECT bar = RectIn(progress, status);
    EXPECT_EQ(bar.left, part.left);
    EXPECT_EQ(bar.top, part.top);
    EXPECT_EQ(bar.right, part.right);
    EXPECT_EQ(bar.bottom, part.bottom);

    RECT client{};
    GetClientRect(main, &client);
    const RECT tool_rect = RectIn(toolbar, main);
    const RECT status_rect = RectIn(status, main);
    const RECT tab_rect = RectIn(tab, main);
    const RECT page = RectIn(capture_page.window, main);
    EXPECT_EQ(tab_rect.top, tool_rect.bottom);
    EXPECT_EQ(tab_rect.bottom, client.bottom);
    EXPECT_EQ(tab_rect.right, client.right);
    EXPECT_EQ(status_rect.bottom, client.bottom);
    EXPECT_GE(page.top, tool_rect.bottom);
    EXPECT_LE(page.bottom, status_rect.top);
    EXPECT_GT(page.bottom, page.top);
    EXPECT_LE(page.right, client.right);
  }
}

HANDLE FailToCreate(LPTHREAD_START_ROUTINE, void*, DWORD*) {
  return nullptr;
}

TEST(MainWindow, FailedInitialisationReportsAndShutsDownOnce) {
  TempDir dir;
  SetIdleThreadCreator(FailToCreate);
  auto box = AnswerBox("強制終了", IDOK);
  MainWindowSession session;
  SetIdleThreadCreator(nullptr);
  AnsweredBox seen = box.get();
  ASSERT_TRUE(seen.found);
  EXPECT_EQ(seen.text, "初期化に失敗しました");
  EXPECT_TRUE(seen.has_warning_icon);
  ASSERT_NE(session.window(), nullptr);
  EXPECT_EQ(seen.owner, session.window());
  EXPECT_EQ(IdleThreadRunning.load(), 0);
  int exit_code = -1;
  EXPECT_TRUE(TakeQuitMessage(&exit_code));
  EXPECT_EQ(exit_code, 0);

  // The window's later destruction must not run the sequence a second time:
  // it would set the capture thread's run flag to 0.
  capture_page.control.capture_thread_running = 1;
  DestroyWindow(session.window());
  EXPECT_EQ(capture_page.control.capture_thread_running.load(), 1);
  capture_page.control.capture_thread_running = 0;
}

}  // namespace
