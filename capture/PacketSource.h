// Where the capture thread gets its datagrams from: the raw capture socket in
// the product (RawSocketSourceWin32), a scripted source in tests and benchmarks.
// Every call is made on the capture thread, in this order: Open once; then
// WaitReadable and Receive as often as the loop needs; Close and Cleanup at the
// end, and only when Open succeeded.
#pragma once

#include <cstdint>

class PacketSource {
 public:
  virtual ~PacketSource() = default;

  // Starts the sockets library and opens the capture socket. 1 when it is open;
  // 0 leaves nothing to close or clean up.
  virtual int Open() = 0;

  // Waits up to `seconds` whole seconds (0: just looks) for a datagram. 1 when
  // one can be received now; 0 on a time-out and on an error alike.
  virtual int WaitReadable(int seconds) = 0;

  // Receives one datagram into `buffer`, starting with its IPv4 header: its
  // byte count, 0, or -1 on an error. Writes nothing past the datagram; the
  // capture thread clears what an earlier, longer datagram left there.
  virtual int32_t Receive(uint8_t* buffer, int32_t capacity) = 0;

  // Closes the capture socket.
  virtual void Close() = 0;
  // Ends the sockets library after Close.
  virtual void Cleanup() = 0;
};
