// Where the capture thread gets its datagrams from: the raw capture socket in
// the product (RawSocketSourceWin32), a scripted source in tests and benchmarks.
// Every call but Wake is made on the capture thread, in this order: Open; then
// WaitReadable and Receive as often as the loop needs; Close and Cleanup, and
// only when Open succeeded. The capture thread opens the source at each Start
// and closes it at every stop, so that each capture binds to the address as
// it is then. A source that failed to open, or was closed, may be opened again.
#pragma once

#include <cstdint>

#include "capture/SourceOpening.h"
#include "config/CaptureAddressSetting.h"

class PacketSource {
 public:
  virtual ~PacketSource() = default;

  // Starts the sockets library and opens the capture socket on the address
  // `where` names, or the automatic one as it is now. Not open: nothing is
  // left to close or clean up, and the outcome says which step failed.
  virtual SourceOpening Open(const CaptureAddressChoice& where) = 0;

  // Waits up to `seconds` whole seconds (0: just looks) for a datagram. 1 when
  // one can be received now; 0 on a time-out, on an error, and when woken.
  virtual int WaitReadable(int seconds) = 0;

  // Ends the wait in progress, or else the next one, early (within about
  // kWakeWithinMs): a command came. Any thread may call it.
  virtual void Wake() = 0;
  static constexpr int kWakeWithinMs = 50;

  // Receives one datagram into `buffer`, starting with its IPv4 header: its
  // byte count; 0 when there was none after all; -1 when the receive failed.
  // Writes nothing past the datagram; the capture thread clears what an
  // earlier, longer datagram left there.
  virtual int32_t Receive(uint8_t* buffer, int32_t capacity) = 0;

  // Closes the capture socket.
  virtual void Close() = 0;
  // Ends the sockets library after Close.
  virtual void Cleanup() = 0;
};
