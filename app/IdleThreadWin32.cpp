// The idle worker thread and its start.
#include "app/IdleThreadWin32.h"

std::atomic<int32_t> IdleThreadRunning{0};
HANDLE IdleThreadHandle = nullptr;
DWORD IdleThreadId = 0;

namespace {

HANDLE CreateWithDefaults(LPTHREAD_START_ROUTINE start, void* parameter, DWORD* id) {
  return CreateThread(nullptr, 0, start, parameter, 0, id);
}

IdleThreadCreator idle_thread_creator = CreateWithDefaults;

// Signalled by WakeIdleThread; made once, kept for the process.
HANDLE idle_wake = CreateEventA(nullptr, TRUE, FALSE, nullptr);

}  // namespace

DWORD WINAPI IdleThreadMain(void*) {
  while (IdleThreadRunning.load() != 0) {
    if (idle_wake == nullptr || WaitForSingleObject(idle_wake, 1000) == WAIT_FAILED) Sleep(1000);
  }
  return 0;
}

void WakeIdleThread() {
  if (idle_wake != nullptr) SetEvent(idle_wake);
}

int StartIdleThread(void* parameter) {
  IdleThreadId = 0;
  IdleThreadHandle = nullptr;
  IdleThreadRunning = 0;
  if (idle_wake != nullptr) ResetEvent(idle_wake);
  IdleThreadRunning = 1;
  IdleThreadHandle = idle_thread_creator(IdleThreadMain, parameter, &IdleThreadId);
  if (IdleThreadHandle == nullptr) {
    // Nothing runs that could read the flag; leave nothing for shutdown to wait on.
    IdleThreadRunning = 0;
    return 0;
  }
  return 1;
}

void SetIdleThreadCreator(IdleThreadCreator creator) {
  idle_thread_creator = creator != nullptr ? creator : CreateWithDefaults;
}
