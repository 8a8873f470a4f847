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

}  // namespace

DWORD WINAPI IdleThreadMain(void*) {
  while (IdleThreadRunning.load() != 0) Sleep(1000);
  return 0;
}

int StartIdleThread(void* parameter) {
  IdleThreadId = 0;
  IdleThreadHandle = nullptr;
  IdleThreadRunning = 0;
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
