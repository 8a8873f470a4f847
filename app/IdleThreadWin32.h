// The idle worker thread: it sleeps in 1000 ms steps while its run flag is set
// and does nothing else. Started last by InitMainWindow, stopped by the
// shutdown sequence, which wakes it so that it ends at once.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>

// 1 while the idle thread is to keep running. Written by the GUI thread (1
// before the thread starts, 0 at shutdown); read by the idle thread.
extern std::atomic<int32_t> IdleThreadRunning;
// GUI thread only.
extern HANDLE IdleThreadHandle;
extern DWORD IdleThreadId;

DWORD WINAPI IdleThreadMain(void* parameter);

// Ends the idle thread's current sleep, after its run flag was cleared.
void WakeIdleThread();

// Clears the handle, id and flag, sets the flag and creates the thread with
// `parameter`. 1 when the thread was created; on failure the flag is 0 again.
int StartIdleThread(void* parameter);

// How StartIdleThread creates the thread; tests substitute a failing one.
using IdleThreadCreator = HANDLE (*)(LPTHREAD_START_ROUTINE start, void* parameter, DWORD* id);
void SetIdleThreadCreator(IdleThreadCreator creator);
