// The capture thread's packet source in the product: the raw capture socket(s)
// of the socket layer.
#pragma once

#include <atomic>

#include "capture/PacketSource.h"
#include "capture/SocketLayerWin32.h"

class RawSocketSource : public PacketSource {
 public:
  explicit RawSocketSource(int32_t receive_buffer_bytes = kCaptureReceiveBufferBytes)
      : receive_buffer_bytes_(receive_buffer_bytes) {}

  SourceOpening Open(const CaptureAddressChoice& where) override;
  int WaitReadable(int seconds) override;
  void Wake() override { woken_.store(true); }
  int32_t Receive(uint8_t* buffer, int32_t capacity) override;
  void Close() override;
  void Cleanup() override;

  const CaptureSockets& sockets() const { return sockets_; }

 private:
  int32_t receive_buffer_bytes_;
  CaptureSockets sockets_;
  std::atomic<bool> woken_{false};
};
