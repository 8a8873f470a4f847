// Waiting for another thread on the GUI thread without blocking it. The capture
// thread reaches the windows only through synchronous window messages, so a
// GUI thread that simply blocked on it could wait forever; this wait keeps
// serving messages between short slices.
#pragma once

#include <windows.h>

inline constexpr DWORD kMessageServiceSliceMs = 50;

// Waits for `thread` to end in slices of at most kMessageServiceSliceMs. A
// message sent here by another thread ends the slice at once and is delivered
// (the capture thread's last list update is such a send, and would otherwise
// wait for the slice to run out, once per message). After each slice that
// timed out it takes at most one message of this thread's queue without
// waiting for one and dispatches it. Returns 1 when the thread has ended, 0
// when the handle cannot be waited on (null, closed or not a waitable object).
int WaitWithMessageService(HANDLE thread);
