// The process's start-up sequence and message loop.
//
// DLLs load from the system folder only: a DLL of a system name dropped beside
// the program (a downloads folder) is never loaded in its place. The import
// table holds only DLLs that Windows takes from its own list of known DLLs or,
// for the common controls, from the side-by-side store the manifest names.
// The single-instance mutex of an elevated first instance cannot be opened by
// an instance without those rights (access denied): that counts as running.
// The main window is a Unicode window, and the loop fetches and dispatches
// messages in UTF-16, so that typed characters are not narrowed through the
// system's code page.
#include "app/StartupWin32.h"

#include <shellapi.h>

#include <cstdio>
#include <string>

#include "app/AppTitleWin32.h"
#include "app/MainWindowWin32.h"
#include "app/resource.h"
#include "log/SettingsPaths.h"
#include "log/WideText.h"
#include "views/WideTextsWin32.h"

namespace {

constexpr DWORD kMainWindowStyle =
    WS_VISIBLE | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
constexpr int kMainWindowWidth = 720;
constexpr int kMainWindowHeight = 580;

// Another process holds the product's mutex: bring its window forward, or say
// that it is running when it has no window (yet, or of another version).
void ReportRunningInstance() {
  HWND running = FindWindowW(WideFromCp932(AppTitle).c_str(), nullptr);
  if (running != nullptr) {
    // Windows refuses either where the other instance runs with higher rights.
    if (IsIconic(running)) ShowWindowAsync(running, SW_RESTORE);
    SetForegroundWindow(running);
    return;
  }
  char text[256] = {};
  std::snprintf(text, sizeof(text), "「%s」は既に起動しています", AppTitle);
  ShowMessageBox(nullptr, text, "アプリケーションの2重起動", MB_OK | MB_ICONWARNING);
}

// The mutex's name is the product's: a second start of the program either
// opens the first one's mutex or is refused it.
bool AnotherInstanceRuns(HANDLE mutex) {
  const DWORD error = GetLastError();
  return mutex == nullptr ? error == ERROR_ACCESS_DENIED : error == ERROR_ALREADY_EXISTS;
}

// The program name is the first element of the split command line.
bool HasArguments() {
  int count = 0;
  LPWSTR* elements = CommandLineToArgvW(GetCommandLineW(), &count);
  if (elements != nullptr) LocalFree(elements);
  return count >= 2;
}

}  // namespace

void CreateMainWindow(PacketSource* source) {
  const std::wstring title = WideFromCp932(AppTitle);
  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof(window_class);
  window_class.style = CS_HREDRAW | CS_VREDRAW;
  window_class.lpfnWndProc = MainWindowProc;
  window_class.hInstance = AppInstance;
  window_class.hIcon = static_cast<HICON>(
      LoadImageW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION), IMAGE_ICON, 0, 0, LR_SHARED | LR_DEFAULTSIZE));
  window_class.hCursor = static_cast<HCURSOR>(
      LoadImageW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW), IMAGE_CURSOR, 0, 0, LR_SHARED | LR_DEFAULTSIZE));
  window_class.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  window_class.lpszMenuName = MAKEINTRESOURCEW(IDR_MAIN_MENU);
  window_class.lpszClassName = title.c_str();
  window_class.hIconSm = static_cast<HICON>(LoadImageW(AppInstance, MAKEINTRESOURCEW(IDI_APP_ICON),
                                                       IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                                       GetSystemMetrics(SM_CYSMICON), 0));
  // A failure here shows as a failed CreateWindowExW, unless the class is
  // already registered from an earlier window of this process.
  RegisterClassExW(&window_class);

  HWND window = CreateWindowExW(WS_EX_OVERLAPPEDWINDOW, title.c_str(), title.c_str(), kMainWindowStyle,
                                CW_USEDEFAULT, CW_USEDEFAULT, kMainWindowWidth, kMainWindowHeight,
                                nullptr, nullptr, AppInstance, source);
  MainWindow = window;
  if (window == nullptr) return;
  ShowWindow(window, SW_SHOW);
  UpdateWindow(window);
}

int RunMessageLoop() {
  MSG msg{};
  for (;;) {
    const BOOL fetched = GetMessageW(&msg, nullptr, 0, 0);
    if (fetched == 0) return static_cast<int>(msg.wParam);
    if (fetched == -1) return 0;
    if (CurrentPage != nullptr && IsDialogMessageW(CurrentPage, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

int AppMain(HINSTANCE instance) {
  SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
  // Before anything can move the current directory (the open-file dialog does).
  SettingsPaths::FixInWorkingDirectory();
  if (!BuildAppTitle()) {
    ShowMessageBox(nullptr, "Version情報の取得に失敗しました", "Error", MB_OK | MB_ICONWARNING);
    return 0;
  }
  HANDLE mutex = CreateMutexA(nullptr, TRUE, AppProductName);
  if (AnotherInstanceRuns(mutex)) {
    ReportRunningInstance();
    if (mutex != nullptr) CloseHandle(mutex);
    return 0;
  }
  if (mutex == nullptr) return 0;
  AppInstance = instance;
  if (HasArguments()) {
    ShowMessageBox(nullptr, "引数を指定する事は出来ません", "起動エラー", MB_OK);
    CloseHandle(mutex);
    return 0;
  }
  CreateMainWindow();
  // Without a main window nothing could ever post the quit message.
  const int status = MainWindow != nullptr ? RunMessageLoop() : 0;
  CloseHandle(mutex);
  return status;
}
