// Windows Sockets 2 calls behind the capture socket. See SocketLayerWin32.h for
// why there are two ways of opening it.
#include "capture/SocketLayerWin32.h"

#include <ws2tcpip.h>

#include <cstring>

namespace {

constexpr DWORD kAddressListQuery = 0x48000016;              // SIO_ADDRESS_LIST_QUERY
constexpr long kReceiveAll = static_cast<long>(0x98000001);  // SIO_RCVALL
constexpr u_long kReceiveAllOn = 1;
constexpr int kAddressListBytes = 4096;
constexpr int kFallbackProtocols[CaptureSockets::kMaxSockets] = {IPPROTO_ICMP, IPPROTO_TCP,
                                                                 IPPROTO_UDP};

SocketEndpoint FailedEndpoint() {
  SocketEndpoint endpoint;
  std::memset(&endpoint, 0, sizeof endpoint);
  endpoint.socket = INVALID_SOCKET;
  return endpoint;
}

SOCKET CreateRawSocket(int protocol, int32_t receive_buffer_bytes) {
  // Overlapped only because that is how the socket has always been created;
  // no overlapped operation is ever issued on it.
  const SOCKET s = WSASocketA(AF_INET, SOCK_RAW, protocol, nullptr, 0, WSA_FLAG_OVERLAPPED);
  if (s != INVALID_SOCKET && receive_buffer_bytes > 0) {
    // A refused size only costs burst capacity; the capture works without it.
    setsockopt(s, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char*>(&receive_buffer_bytes),
               sizeof receive_buffer_bytes);
  }
  return s;
}

// The last IPv4 address of the interface list: 1 when there is one. Entries
// without an address (0.0.0.0, which some platforms list for an interface that
// has none) are passed over: bound to them, the socket would see every interface.
int LastListedAddress(SOCKET s, in_addr& address) {
  alignas(SOCKET_ADDRESS_LIST) char list_bytes[kAddressListBytes] = {};
  DWORD returned = 0;
  if (WSAIoctl(s, kAddressListQuery, nullptr, 0, list_bytes, sizeof list_bytes, &returned, nullptr,
               nullptr) != 0) {
    return 0;
  }
  const auto* list = reinterpret_cast<const SOCKET_ADDRESS_LIST*>(list_bytes);
  int found = 0;
  for (INT i = 0; i < list->iAddressCount; ++i) {
    const SOCKET_ADDRESS& entry = list->Address[i];
    if (entry.lpSockaddr == nullptr || entry.iSockaddrLength < int{sizeof(sockaddr_in)}) continue;
    const in_addr listed = reinterpret_cast<const sockaddr_in*>(entry.lpSockaddr)->sin_addr;
    if (listed.s_addr == INADDR_ANY) continue;
    address = listed;
    found = 1;
  }
  return found;
}

// Binds to `address`, port 0, and makes the socket non-blocking.
int BindNonBlocking(SocketEndpoint& endpoint, const in_addr& address) {
  endpoint.address.sin_family = AF_INET;
  endpoint.address.sin_port = 0;
  endpoint.address.sin_addr = address;
  endpoint.address_length = sizeof endpoint.address;
  if (bind(endpoint.socket, reinterpret_cast<const sockaddr*>(&endpoint.address),
           endpoint.address_length) != 0) {
    return 0;
  }
  u_long non_blocking = 1;
  return ioctlsocket(endpoint.socket, FIONBIO, &non_blocking) == 0;
}

// The receive-all opening; `unsupported` tells whether the platform refused the
// protocol-0 raw socket as such (rather than for lack of rights, say).
SocketEndpoint OpenReceiveAllSocket(int32_t receive_buffer_bytes, bool& unsupported) {
  unsupported = false;
  SocketEndpoint endpoint = FailedEndpoint();
  if (SocketStartup() != 1) return endpoint;
  endpoint.socket = CreateRawSocket(0, receive_buffer_bytes);
  if (endpoint.socket == INVALID_SOCKET) {
    const int error = WSAGetLastError();
    unsupported =
        error == WSAEPROTONOSUPPORT || error == WSAESOCKTNOSUPPORT || error == WSAEPROTOTYPE;
    SocketCleanup();
    return endpoint;
  }
  in_addr address{};
  u_long receive_all = kReceiveAllOn;
  if (LastListedAddress(endpoint.socket, address) == 1 && BindNonBlocking(endpoint, address) == 1 &&
      ioctlsocket(endpoint.socket, kReceiveAll, &receive_all) == 0) {
    return endpoint;
  }
  closesocket(endpoint.socket);
  SocketCleanup();
  return FailedEndpoint();
}

// One raw socket per protocol, all bound to the same last listed address.
CaptureSockets OpenPerProtocolSockets(int32_t receive_buffer_bytes) {
  CaptureSockets sockets;
  if (SocketStartup() != 1) return sockets;
  in_addr address{};
  bool ok = true;
  for (int i = 0; ok && i < CaptureSockets::kMaxSockets; ++i) {
    SocketEndpoint endpoint = FailedEndpoint();
    endpoint.socket = CreateRawSocket(kFallbackProtocols[i], receive_buffer_bytes);
    if (endpoint.socket == INVALID_SOCKET) break;
    sockets.endpoints[sockets.count++] = endpoint;
    ok = (i > 0 || LastListedAddress(endpoint.socket, address) == 1) &&
         BindNonBlocking(sockets.endpoints[i], address) == 1;
  }
  if (ok && sockets.count == CaptureSockets::kMaxSockets) return sockets;
  for (int i = 0; i < sockets.count; ++i) closesocket(sockets.endpoints[i].socket);
  SocketCleanup();
  return CaptureSockets{};
}

}  // namespace

int SocketStartup() {
  WSADATA data;
  return WSAStartup(0x0202, &data) == 0 ? 1 : 0;
}

int SocketCleanup() {
  return WSACleanup();
}

SocketEndpoint OpenRawCaptureSocket(int32_t receive_buffer_bytes) {
  bool unsupported = false;
  return OpenReceiveAllSocket(receive_buffer_bytes, unsupported);
}

int WaitReadable(SOCKET socket, int seconds) {
  fd_set read_set;
  FD_ZERO(&read_set);
  FD_SET(socket, &read_set);
  timeval timeout{seconds, 0};
  return select(static_cast<int>(socket + 1), &read_set, nullptr, nullptr, &timeout) == 1 ? 1 : 0;
}

int ReceiveBytes(SOCKET socket, uint8_t* buffer, int capacity) {
  std::memset(buffer, 0, static_cast<size_t>(capacity));
  return recv(socket, reinterpret_cast<char*>(buffer), capacity, 0);
}

void CloseSocket(SOCKET socket) {
  shutdown(socket, SD_BOTH);
  closesocket(socket);
}

CaptureSockets OpenCaptureSockets(int32_t receive_buffer_bytes) {
  bool unsupported = false;
  const SocketEndpoint receive_all = OpenReceiveAllSocket(receive_buffer_bytes, unsupported);
  if (receive_all.socket != INVALID_SOCKET) {
    CaptureSockets sockets;
    sockets.endpoints[0] = receive_all;
    sockets.count = 1;
    return sockets;
  }
  if (!unsupported) return CaptureSockets{};
  return OpenPerProtocolSockets(receive_buffer_bytes);
}

namespace {

// Adds the sockets that are readable within `milliseconds` to the ready set;
// the select's result.
int SelectReadable(CaptureSockets& sockets, int milliseconds) {
  fd_set read_set;
  FD_ZERO(&read_set);
  SOCKET highest = 0;
  for (int i = 0; i < sockets.count; ++i) {
    FD_SET(sockets.endpoints[i].socket, &read_set);
    if (sockets.endpoints[i].socket > highest) highest = sockets.endpoints[i].socket;
  }
  timeval timeout{milliseconds / 1000, (milliseconds % 1000) * 1000};
  const int result = select(static_cast<int>(highest + 1), &read_set, nullptr, nullptr, &timeout);
  if (result <= 0) return result;
  for (int i = 0; i < sockets.count; ++i) {
    if (FD_ISSET(sockets.endpoints[i].socket, &read_set)) sockets.ready |= 1u << i;
  }
  return result;
}

}  // namespace

int WaitReadable(CaptureSockets& sockets, int seconds) {
  return WaitReadableWithin(sockets, seconds * 1000);
}

int WaitReadableWithin(CaptureSockets& sockets, int milliseconds) {
  if (sockets.count == 0) return 0;
  // A socket that delivered the last datagram is read again without asking
  // first, until it reports that it would block: while traffic flows that is
  // one call per datagram instead of two (under Wine each costs a round trip
  // to the wine server). The wait is only for a line gone quiet.
  if (sockets.ready != 0) return 1;
  return SelectReadable(sockets, milliseconds) > 0 && sockets.ready != 0 ? 1 : 0;
}

int ReceiveBytes(CaptureSockets& sockets, uint8_t* buffer, int capacity) {
  if (sockets.count == 0) return SOCKET_ERROR;
  // Now and then, the quiet sockets are looked at too, so that a flood on one
  // protocol cannot starve the others.
  if (sockets.count > 1 && ++sockets.receives_since_look % CaptureSockets::kLookEvery == 0) {
    SelectReadable(sockets, 0);
  }
  // Start after the socket served last; with nothing marked ready, try that one.
  int chosen = sockets.next;
  for (int k = 0; k < sockets.count; ++k) {
    const int i = (sockets.next + k) % sockets.count;
    if (sockets.ready & (1u << i)) {
      chosen = i;
      break;
    }
  }
  sockets.next = (chosen + 1) % sockets.count;
  const int received =
      recv(sockets.endpoints[chosen].socket, reinterpret_cast<char*>(buffer), capacity, 0);
  if (received == SOCKET_ERROR) sockets.ready &= ~(1u << chosen);
  return received;
}

void CloseSockets(CaptureSockets& sockets) {
  for (int i = 0; i < sockets.count; ++i) CloseSocket(sockets.endpoints[i].socket);
  sockets.count = 0;
  sockets.ready = 0;
}
