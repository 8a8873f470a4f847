// PacketSource over the socket layer: one capture's sockets, opened on the
// capture thread and used only there.
#include "capture/RawSocketSourceWin32.h"

#include <algorithm>

SourceOpening RawSocketSource::Open(const CaptureAddressChoice& where) {
  SourceOpening report;
  sockets_ = OpenCaptureSockets(where, report, receive_buffer_bytes_);
  return report;
}

int RawSocketSource::WaitReadable(int seconds) {
  // In slices, so that a wake is noticed within one of them.
  const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(seconds) * 1000;
  for (;;) {
    if (woken_.exchange(false)) return 0;
    const ULONGLONG now = GetTickCount64();
    const int slice = static_cast<int>(std::min<ULONGLONG>(end - std::min(now, end), kWakeWithinMs));
    if (WaitReadableWithin(sockets_, slice) == 1) return 1;
    if (GetTickCount64() >= end) return 0;
  }
}

int32_t RawSocketSource::Receive(uint8_t* buffer, int32_t capacity) {
  const int received = ::ReceiveBytes(sockets_, buffer, capacity);
  // The sockets are read until they would block: that is not a failure.
  if (received == SOCKET_ERROR && WSAGetLastError() == WSAEWOULDBLOCK) return 0;
  return received;
}

void RawSocketSource::Close() {
  CloseSockets(sockets_);
}

void RawSocketSource::Cleanup() {
  SocketCleanup();
}
