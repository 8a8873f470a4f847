// Window-driving helpers for the GUI and process tests.
#include "support/GuiHarness.h"

#include <commctrl.h>

#include <atomic>
#include <thread>
#include <vector>

#include "app/AppTitleWin32.h"
#include "app/CapturePageWin32.h"
#include "app/MainWindowWin32.h"
#include "app/StartupWin32.h"

namespace {

class NoCaptureSource : public PacketSource {
 public:
  SourceOpening Open(const CaptureAddressChoice&) override {
    return {false, "", OpenStep::kCreate, kErrorAccessDenied};
  }
  int WaitReadable(int) override { return 0; }
  void Wake() override {}
  int32_t Receive(uint8_t*, int32_t) override { return -1; }
  void Close() override {}
  void Cleanup() override {}
};

}  // namespace

MainWindowSession::MainWindowSession(PacketSource* source) {
  static NoCaptureSource no_capture;
  AppInstance = GetModuleHandleA(nullptr);
  if (!BuildAppTitle()) return;
  CreateMainWindow(source != nullptr ? source : &no_capture);
  window_ = MainWindow;
  PumpMessages();
}

MainWindowSession::~MainWindowSession() {
  std::atomic<bool> window_gone{false};
  std::thread closer([&] {
    WaitUntil(
        [&] {
          CancelOpenDialogs();
          return window_gone.load();
        },
        kDialogWaitMs);
  });
  if (window_ != nullptr && IsWindow(window_)) DestroyWindow(window_);
  window_gone = true;
  closer.join();
  PumpMessages();
  TakeQuitMessage();
}

void PumpMessages() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

bool TakeQuitMessage(int* exit_code) {
  MSG msg;
  if (!PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) return false;
  if (exit_code != nullptr) *exit_code = static_cast<int>(msg.wParam);
  return true;
}

std::string WindowText(HWND window) {
  char text[1024] = {};
  DWORD_PTR ignored = 0;
  SendMessageTimeoutA(window, WM_GETTEXT, sizeof(text), reinterpret_cast<LPARAM>(text),
                      SMTO_ABORTIFHUNG, 5000, &ignored);
  text[sizeof(text) - 1] = '\0';
  return text;
}

std::string WindowClass(HWND window) {
  char name[256] = {};
  GetClassNameA(window, name, sizeof(name));
  return name;
}

void PressKey(DWORD gui_thread, HWND dialog, WPARAM key) {
  GUITHREADINFO info{};
  info.cbSize = sizeof(info);
  GetGUIThreadInfo(gui_thread, &info);
  HWND target = info.hwndFocus != nullptr ? info.hwndFocus : dialog;
  PostMessageA(target, WM_KEYDOWN, key, 1);
  PostMessageA(target, WM_KEYUP, key, 0xC0000001);
}

namespace {

struct DialogSearch {
  const char* title;  // null: any title
  DWORD process_id;
  HWND found;
  std::vector<HWND> all;
};

BOOL CALLBACK MatchDialog(HWND window, LPARAM context) {
  auto* search = reinterpret_cast<DialogSearch*>(context);
  DWORD owner_process = 0;
  GetWindowThreadProcessId(window, &owner_process);
  if (owner_process != search->process_id) return TRUE;
  if (WindowClass(window) != "#32770") return TRUE;
  if (search->title == nullptr) {
    search->all.push_back(window);
    return TRUE;
  }
  char title[512] = {};
  GetWindowTextA(window, title, sizeof(title));
  if (std::string(title) != search->title) return TRUE;
  search->found = window;
  return FALSE;
}

BOOL CALLBACK CollectChildren(HWND window, LPARAM context) {
  reinterpret_cast<std::vector<HWND>*>(context)->push_back(window);
  return TRUE;
}

bool ShowsIcon(HWND icon_control, LPCSTR system_icon) {
  const auto shown = reinterpret_cast<HICON>(SendMessageA(icon_control, STM_GETICON, 0, 0));
  return shown != nullptr && shown == LoadIconA(nullptr, system_icon);
}

// An answered window is gone before the answer counts: until then a search
// for the next window of the same title would find it again, answer it a
// second time, and leave the next one open.
void WaitUntilClosed(HWND window) {
  WaitUntil([&] { return !IsWindow(window); }, kDialogWaitMs);
}

AnsweredBox ReadBox(HWND box) {
  AnsweredBox seen;
  seen.found = true;
  seen.owner = GetWindow(box, GW_OWNER);
  std::vector<HWND> children;
  EnumChildWindows(box, CollectChildren, reinterpret_cast<LPARAM>(&children));
  for (HWND child : children) {
    if (WindowClass(child) != "Static") continue;
    if ((GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
      seen.has_icon = seen.has_icon || SendMessageA(child, STM_GETICON, 0, 0) != 0;
      seen.has_question_icon = seen.has_question_icon || ShowsIcon(child, IDI_QUESTION);
      seen.has_warning_icon = seen.has_warning_icon || ShowsIcon(child, IDI_WARNING);
      continue;
    }
    const std::string text = WindowText(child);
    if (seen.text.empty() && !text.empty()) seen.text = text;
  }
  return seen;
}

}  // namespace

HWND FindDialog(const char* title, DWORD process_id) {
  DialogSearch search{title, process_id != 0 ? process_id : GetCurrentProcessId(), nullptr, {}};
  EnumWindows(MatchDialog, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

namespace {

BOOL CALLBACK DescribeWindow(HWND window, LPARAM context) {
  DWORD owner_process = 0;
  GetWindowThreadProcessId(window, &owner_process);
  if (owner_process != GetCurrentProcessId() || !IsWindowVisible(window)) return TRUE;
  // GetWindowText would ask the window's thread, which may be the one waiting
  // for this answer.
  wchar_t wide[512] = {};
  InternalGetWindowText(window, wide, 512);
  char title[1024] = {};
  WideCharToMultiByte(932, 0, wide, -1, title, sizeof(title), nullptr, nullptr);
  *reinterpret_cast<std::string*>(context) += WindowClass(window) + " '" + title + "'; ";
  return TRUE;
}

}  // namespace

std::string TopLevelWindows() {
  std::string windows;
  EnumWindows(DescribeWindow, reinterpret_cast<LPARAM>(&windows));
  return windows;
}

int CancelOpenDialogs() {
  DialogSearch search{nullptr, GetCurrentProcessId(), nullptr, {}};
  EnumWindows(MatchDialog, reinterpret_cast<LPARAM>(&search));
  // A box with only an OK button ends on IDCANCEL too, as on Esc.
  for (HWND dialog : search.all) {
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDCANCEL)));
  }
  return static_cast<int>(search.all.size());
}

std::future<AnsweredBox> AnswerBox(const char* title, int button, DWORD timeout_ms,
                                   DWORD process_id) {
  return std::async(
      std::launch::async, [title = std::string(title), button, timeout_ms, process_id] {
        HWND box = nullptr;
        if (!WaitUntil([&] { return (box = FindDialog(title.c_str(), process_id)) != nullptr; },
                       timeout_ms)) {
          AnsweredBox missed;
          missed.instead = TopLevelWindows();
          return missed;
        }
        // Let the box finish its initialisation before reading it.
        Sleep(100);
        AnsweredBox seen = ReadBox(box);
        PostMessageA(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(box, button)));
        WaitUntilClosed(box);
        return seen;
      });
}

std::future<bool> AnswerFileDialog(const char* title, const std::string& path, DWORD timeout_ms,
                                   DWORD process_id) {
  return std::async(std::launch::async, [title = std::string(title), path, timeout_ms, process_id] {
    HWND dialog = nullptr;
    if (!WaitUntil([&] { return (dialog = FindDialog(title.c_str(), process_id)) != nullptr; },
                   timeout_ms)) {
      return false;
    }
    Sleep(200);  // the dialog fills its folder view first
    constexpr int kFileNameBox = 1148;
    SendMessageA(GetDlgItem(dialog, kFileNameBox), WM_SETTEXT, 0,
                 reinterpret_cast<LPARAM>(path.c_str()));
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
    WaitUntilClosed(dialog);
    return true;
  });
}
