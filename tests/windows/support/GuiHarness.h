// Helpers for tests that drive real windows: the program's main window created
// in-process on the test's thread, and other processes' windows. The test's
// thread is the GUI thread, so anything that shows a modal box blocks it; a
// helper thread answers such boxes by finding their windows (class #32770 and
// title), reading their text and pressing a button.
#pragma once

#include <windows.h>

#include <future>
#include <string>

#include "capture/PacketSource.h"
#include "support/RemoteControls.h"

// How long a helper looks for a dialog or box before the case fails: the first
// file dialog of a new Wine prefix on a loaded machine has taken over 10 s.
// A quiet machine finds them in well under a second, so the bound costs
// nothing there.
inline constexpr DWORD kDialogWaitMs = 30000;

// Creates the main window the way start-up does (title from this executable's
// version resource, which the GUI tests carry) and destroys it, if it is still
// there, when the session ends. A case that failed may have left a file dialog
// or box open on the capture thread, which the window's end would wait for:
// every dialog and box of the process is cancelled until the window is gone.
// The quit message that destruction posts is removed so that it cannot end a
// later modal loop of the test.
// The capture thread takes its datagrams from `source`; without one it finds
// no socket and ends at once, as it does without the rights to capture.
class MainWindowSession {
 public:
  explicit MainWindowSession(PacketSource* source = nullptr);
  ~MainWindowSession();
  MainWindowSession(const MainWindowSession&) = delete;
  MainWindowSession& operator=(const MainWindowSession&) = delete;

  HWND window() const { return window_; }

 private:
  HWND window_ = nullptr;
};

// Dispatches every message waiting for this thread, without waiting for more.
void PumpMessages();

// Removes a pending quit message. True if there was one; its exit code goes to
// `exit_code` when given.
bool TakeQuitMessage(int* exit_code = nullptr);

// A window's text read with WM_GETTEXT (works across threads and processes).
std::string WindowText(HWND window);
std::string WindowClass(HWND window);

// Presses `key` on the control of `gui_thread` that has the keyboard focus (on
// `dialog` when none has), as the keyboard would: the posted key goes through
// the dialog's own message loop.
void PressKey(DWORD gui_thread, HWND dialog, WPARAM key);

// A top-level window of class #32770 with this exact title that belongs to
// `process_id` (0: this process), or null.
HWND FindDialog(const char* title, DWORD process_id = 0);

// Polls every 10 ms until `condition` holds or `timeout_ms` passed.
template <typename Condition>
bool WaitUntil(Condition condition, DWORD timeout_ms) {
  const ULONGLONG end = GetTickCount64() + timeout_ms;
  for (;;) {
    if (condition()) return true;
    if (GetTickCount64() >= end) return false;
    Sleep(10);
  }
}

// Like WaitUntil, but serves this thread's windows between the polls: for
// conditions that another thread reaches through synchronous messages.
template <typename Condition>
bool PumpUntil(Condition condition, DWORD timeout_ms) {
  const ULONGLONG end = GetTickCount64() + timeout_ms;
  for (;;) {
    PumpMessages();
    if (condition()) return true;
    if (GetTickCount64() >= end) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
}

// Starts a helper thread that waits for the file dialog titled `title` of
// `process_id` (0: this process), types `path` into its name box and presses
// its OK button.
std::future<bool> AnswerFileDialog(const char* title, const std::string& path,
                                   DWORD timeout_ms = kDialogWaitMs, DWORD process_id = 0);

// What a helper thread saw in a box it answered.
struct AnsweredBox {
  bool found = false;
  std::string instead;  // when not found: the process's top-level windows then
  std::string text;     // the message text (the first static control with text)
  HWND owner = nullptr;
  bool has_question_icon = false;
  bool has_warning_icon = false;
  bool has_icon = false;
};

// Starts a helper thread that waits up to `timeout_ms` for the box titled
// `title` of `process_id` (0: this process), reads it and posts `button` to it.
std::future<AnsweredBox> AnswerBox(const char* title, int button, DWORD timeout_ms = kDialogWaitMs,
                                   DWORD process_id = 0);

// Serves this thread's windows until the helper's answer is there. Every
// helper gives up by itself, so this ends; false only past `timeout_ms`.
template <typename T>
bool PumpUntilAnswered(std::future<T>& answer, DWORD timeout_ms = kDialogWaitMs + 5000) {
  return PumpUntil(
      [&] { return answer.wait_for(std::chrono::seconds(0)) == std::future_status::ready; },
      timeout_ms);
}

// The visible top-level windows of this process, "class 'title'" each, for
// the message of a case that did not find the window it waited for.
std::string TopLevelWindows();

// Cancels every dialog and message box (top-level #32770 windows) of this
// process; returns how many there were.
int CancelOpenDialogs();
