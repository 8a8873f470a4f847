// PacketSource over the socket layer: one capture's sockets, opened on the
// capture thread and used only there.
#include "capture/RawSocketSourceWin32.h"

int RawSocketSource::Open() {
  sockets_ = OpenCaptureSockets(receive_buffer_bytes_);
  return sockets_.count > 0 ? 1 : 0;
}

int RawSocketSource::WaitReadable(int seconds) {
  return ::WaitReadable(sockets_, seconds);
}

int32_t RawSocketSource::Receive(uint8_t* buffer, int32_t capacity) {
  return ::ReceiveBytes(sockets_, buffer, capacity);
}

void RawSocketSource::Close() {
  CloseSockets(sockets_);
}

void RawSocketSource::Cleanup() {
  SocketCleanup();
}
