// The socket layer over Windows Sockets 2: start and end the library, open the
// raw capture socket on the address the user chose or, automatically, on the
// host's last listed interface address, wait for it with a time-out, receive
// one datagram, close it. A failed opening reports the step and the Winsock
// error number.
//
// Platform facts behind it: the order of SIO_ADDRESS_LIST_QUERY's list is
// undocumented and changes at run time, which is why the user may choose; the
// list does not hold 127.0.0.1, yet a receive-all socket bound to it sees the
// loopback traffic on Windows. Receive-all delivers both directions there,
// outgoing datagrams before the adapter fills in their checksums (offload),
// and the firewall may keep inbound ones from a raw socket.
//
// Receive-all mode (SIO_RCVALL on a protocol-0 raw socket) is the normal way.
// Some platforms refuse the protocol-0 raw socket as unsupported (Wine does);
// there the capture opens one raw socket each for ICMP, TCP and UDP, bound to
// the same address, and the wait and receive cover all of them. Every socket
// gets a large receive buffer so that a burst arriving while the capture thread
// updates the list is queued instead of dropped. Without the rights to open
// raw sockets every opening fails and capture stays off.
#pragma once

#include <winsock2.h>

#include <cstdint>
#include <string>
#include <vector>

#include "capture/SourceOpening.h"
#include "config/CaptureAddressSetting.h"

// The opened socket and the local address it is bound to. Owns nothing:
// closing the socket is the holder's business.
struct SocketEndpoint {
  SOCKET socket;  // INVALID_SOCKET when the opening failed
  sockaddr_in address;
  int32_t address_length;
};

// Receive buffer given to every capture socket.
inline constexpr int32_t kCaptureReceiveBufferBytes = 8 * 1024 * 1024;

// WSAStartup for version 2.2: 1 when the library started, else 0.
int SocketStartup();
// WSACleanup's result.
int SocketCleanup();

// Opens the raw receive-all socket: bound to the last address that
// SIO_ADDRESS_LIST_QUERY lists, non-blocking, receive-all mode on
// (WSAIoctl SIO_RCVALL, RCVALL_ON), with a
// receive buffer of `receive_buffer_bytes` (0: the platform's default). Socket
// INVALID_SOCKET on any failure; a failed opening closes what it created and
// undoes its library start.
SocketEndpoint OpenRawCaptureSocket(int32_t receive_buffer_bytes = kCaptureReceiveBufferBytes);

// 1 when `socket` became readable within `seconds`; 0 on a time-out or error.
int WaitReadable(SOCKET socket, int seconds);
// Zeroes `capacity` bytes of `buffer`, then recv with flags 0: the datagram's
// length, 0, or SOCKET_ERROR.
int ReceiveBytes(SOCKET socket, uint8_t* buffer, int capacity);
// shutdown (both directions), then closesocket; results ignored.
void CloseSocket(SOCKET socket);

// The capture's sockets: the receive-all socket, or one per protocol.
struct CaptureSockets {
  static constexpr int kMaxSockets = 3;
  // Receives between two looks at the sockets not marked ready.
  static constexpr unsigned kLookEvery = 64;
  SocketEndpoint endpoints[kMaxSockets];
  int count = 0;  // 0 when the opening failed
  int next = 0;   // where the next receive starts looking, so no socket starves
  // Bit i: endpoint i was readable at the last look and has not yet reported
  // that it would block.
  unsigned ready = 0;
  unsigned receives_since_look = 0;
};

// Opens the receive-all socket, or where the platform does not support it the
// per-protocol sockets (ICMP, TCP, UDP), on the address `where` names. count 0
// on failure, with nothing left open, the library start undone, and in
// `report` the step that failed; open, `report` holds the bound address.
CaptureSockets OpenCaptureSockets(const CaptureAddressChoice& where, SourceOpening& report,
                                  int32_t receive_buffer_bytes = kCaptureReceiveBufferBytes);
// The same on the automatic address.
CaptureSockets OpenCaptureSockets(int32_t receive_buffer_bytes = kCaptureReceiveBufferBytes);

// The address the automatic rule would take now, as text; empty when the host
// lists none.
std::string LastListedAddressNow();
// Every address the automatic rule chooses from, in the listed order.
std::vector<std::string> ListedAddressesNow();
// 1 at once while a socket is marked ready; otherwise 1 when one becomes
// readable within `seconds`, 0 on a time-out or error.
int WaitReadable(CaptureSockets& sockets, int seconds);
int WaitReadableWithin(CaptureSockets& sockets, int milliseconds);
// Receives one datagram from a ready socket, taking them in turn, with recv on
// the non-blocking socket: the datagram's length, or SOCKET_ERROR (then the
// socket is no longer marked ready; WSAEWOULDBLOCK when it is just empty).
// Writes nothing past the datagram; unlike the single-socket ReceiveBytes it
// does not clear the buffer first.
int ReceiveBytes(CaptureSockets& sockets, uint8_t* buffer, int capacity);
// Closes every socket; the library stays started (SocketCleanup ends it).
void CloseSockets(CaptureSockets& sockets);
