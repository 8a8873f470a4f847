// The shutdown sequence and its wait dialog (a Unicode dialog; the template's
// "Terminal" gives way to a face that shows Japanese where it cannot).
#include "app/ShutdownWin32.h"

#include <cstdint>

#include "app/AppTitleWin32.h"
#include "app/CapturePageWin32.h"
#include "app/IdleThreadWin32.h"
#include "app/MessageServiceWaitWin32.h"
#include "app/resource.h"
#include "log/LogWriter.h"
#include "views/FontsWin32.h"
#include "views/WideTextsWin32.h"

namespace {

constexpr UINT_PTR kSpinnerTimer = 1;
constexpr UINT kSpinnerPeriodMs = 200;

// Process-wide: the spinner goes on where the last wait dialog left it.
uint8_t spinner_counter = 0;
bool shutdown_armed = false;

INT_PTR CALLBACK ShutdownDialogProc(HWND dialog, UINT message, WPARAM, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      SetDialogItemTextCp932(dialog, IDC_SHUTDOWN_TITLE, AppTitle);
      SetTimer(dialog, kSpinnerTimer, kSpinnerPeriodMs, nullptr);
      break;
    case WM_TIMER:
      SetDialogItemTextCp932(dialog, IDC_SHUTDOWN_SPINNER, kShutdownSpinnerTexts[spinner_counter]);
      spinner_counter = spinner_counter >= 3 ? 0 : spinner_counter + 1;
      break;
    case WM_DESTROY:
      KillTimer(dialog, kSpinnerTimer);
      break;
  }
  return 0;
}

void StopIdleThread() {
  if (IdleThreadRunning.load() != 1) return;
  IdleThreadRunning = 0;
  WakeIdleThread();
  WaitWithMessageService(IdleThreadHandle);
  if (IdleThreadHandle != nullptr) CloseHandle(IdleThreadHandle);
  IdleThreadHandle = nullptr;
}

}  // namespace

void ArmShutdownSequence() {
  shutdown_armed = true;
}

void ShutdownSequence(HWND main) {
  if (!shutdown_armed) return;
  shutdown_armed = false;
  HWND dialog =
      CreateDialogWithJapaneseFont(AppInstance, IDD_SHUTDOWN, main, ShutdownDialogProc, 0);
  ShowWindow(dialog, SW_SHOW);
  UpdateWindow(dialog);
  SetDialogItemTextCp932(dialog, IDC_SHUTDOWN_STAGE, kShutdownStageCaptureThread);
  // The capture thread must end before the store and panes it writes to go.
  CloseCapturePage(capture_page.window);
  SetDialogItemTextCp932(dialog, IDC_SHUTDOWN_STAGE, kShutdownStageMainThread);
  StopIdleThread();
  // Last: the threads may log until they end.
  LogWriter::Destroy();
  DestroyWindow(dialog);
}
