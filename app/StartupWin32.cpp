// The process's start-up sequence and message loop.
#include "app/StartupWin32.h"

#include <shellapi.h>

#include <cstdio>

#include "app/AppTitleWin32.h"
#include "app/MainWindowWin32.h"
#include "app/resource.h"
#include "log/SettingsPaths.h"

namespace {

constexpr DWORD kMainWindowStyle =
    WS_VISIBLE | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
constexpr int kMainWindowWidth = 720;
constexpr int kMainWindowHeight = 580;

// Another process holds the product's mutex: bring its window forward, or say
// that it is running when it has no window (yet, or of another version).
void ReportRunningInstance() {
  HWND running = FindWindowA(AppTitle, nullptr);
  if (running != nullptr) {
    SetForegroundWindow(running);
    return;
  }
  char text[256] = {};
  std::snprintf(text, sizeof(text), "「%s」は既に起動しています", AppTitle);
  MessageBoxA(nullptr, text, "アプリケーションの2重起動", MB_OK | MB_ICONWARNING);
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
  WNDCLASSEXA window_class{};
  window_class.cbSize = sizeof(window_class);
  window_class.style = CS_HREDRAW | CS_VREDRAW;
  window_class.lpfnWndProc = MainWindowProc;
  window_class.hInstance = AppInstance;
  window_class.hIcon = static_cast<HICON>(
      LoadImageA(nullptr, IDI_APPLICATION, IMAGE_ICON, 0, 0, LR_SHARED | LR_DEFAULTSIZE));
  window_class.hCursor = static_cast<HCURSOR>(
      LoadImageA(nullptr, IDC_ARROW, IMAGE_CURSOR, 0, 0, LR_SHARED | LR_DEFAULTSIZE));
  window_class.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  window_class.lpszMenuName = MAKEINTRESOURCEA(IDR_MAIN_MENU);
  window_class.lpszClassName = AppTitle;
  window_class.hIconSm = static_cast<HICON>(LoadImageA(AppInstance, MAKEINTRESOURCEA(IDI_APP_ICON),
                                                       IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                                       GetSystemMetrics(SM_CYSMICON), 0));
  // A failure here shows as a failed CreateWindowExA, unless the class is
  // already registered from an earlier window of this process.
  RegisterClassExA(&window_class);

  HWND window = CreateWindowExA(WS_EX_OVERLAPPEDWINDOW, AppTitle, AppTitle, kMainWindowStyle,
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
    const BOOL fetched = GetMessageA(&msg, nullptr, 0, 0);
    if (fetched == 0) return static_cast<int>(msg.wParam);
    if (fetched == -1) return 0;
    if (CurrentPage != nullptr && IsDialogMessageA(CurrentPage, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

int AppMain(HINSTANCE instance) {
  // Before anything can move the current directory (the open-file dialog does).
  SettingsPaths::FixInWorkingDirectory();
  if (!BuildAppTitle()) {
    MessageBoxA(nullptr, "Version情報の取得に失敗しました", "Error", MB_OK | MB_ICONWARNING);
    return 0;
  }
  HANDLE mutex = CreateMutexA(nullptr, TRUE, AppProductName);
  if (mutex == nullptr) return 0;
  if (GetLastError() == ERROR_ALREADY_EXISTS) {
    ReportRunningInstance();
    CloseHandle(mutex);
    return 0;
  }
  AppInstance = instance;
  if (HasArguments()) {
    MessageBoxA(nullptr, "引数を指定する事は出来ません", "起動エラー", MB_OK);
    CloseHandle(mutex);
    return 0;
  }
  CreateMainWindow();
  // Without a main window nothing could ever post the quit message.
  const int status = MainWindow != nullptr ? RunMessageLoop() : 0;
  CloseHandle(mutex);
  return status;
}
