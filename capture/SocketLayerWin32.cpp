// Windows Sockets 2 calls behind the capture socket. See SocketLayerWin32.h for
// why there are two ways of opening it.
#include "capture/SocketLayerWin32.h"

#include <ws2tcpip.h>

#include <cstring>

namespace {

constexpr DWORD kAddressListQuery = 0x48000016;  // SIO_ADDRESS_LIST_QUERY
constexpr DWORD kReceiveAll = 0x98000001;        // SIO_RCVALL
constexpr DWORD kReceiveAllOn = 1;               // RCVALL_ON
constexpr int kAddressListBytes = 4096;
constexpr int kFallbackProtocols[CaptureSockets::kMaxSockets] = {IPPROTO_ICMP, IPPROTO_TCP,
                                                                 IPPROTO_UDP};

SocketEndpoint FailedEndpoint() {
  SocketEndpoint endpoint;
  std::memset(&endpoint, 0, sizeof endpoint);
  endpoint.socket = INVALID_SOCKET;
  return endpoint;
}

// Records the step that failed and its error number; false, for chaining.
bool Fail(SourceOpening& report, OpenStep step, int error) {
  report.failed = step;
  report.error = error;
  return false;
}

bool Startup(SourceOpening& report) {
  WSADATA data;
  const int error = WSAStartup(0x0202, &data);
  return error == 0 || Fail(report, OpenStep::kStartup, error);
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

// The IPv4 addresses of the interface list, in its order. Entries without an
// address (0.0.0.0, which some platforms list for an interface that has none)
// are passed over: bound to them, the socket would see every interface.
// `error` is the query's error number, 0 when it worked.
std::vector<in_addr> ListedAddresses(SOCKET s, int& error) {
  std::vector<in_addr> found;
  alignas(SOCKET_ADDRESS_LIST) char list_bytes[kAddressListBytes] = {};
  DWORD returned = 0;
  error = 0;
  if (WSAIoctl(s, kAddressListQuery, nullptr, 0, list_bytes, sizeof list_bytes, &returned, nullptr,
               nullptr) != 0) {
    error = WSAGetLastError();
    return found;
  }
  const auto* list = reinterpret_cast<const SOCKET_ADDRESS_LIST*>(list_bytes);
  for (INT i = 0; i < list->iAddressCount; ++i) {
    const SOCKET_ADDRESS& entry = list->Address[i];
    if (entry.lpSockaddr == nullptr || entry.iSockaddrLength < int{sizeof(sockaddr_in)}) continue;
    const in_addr listed = reinterpret_cast<const sockaddr_in*>(entry.lpSockaddr)->sin_addr;
    if (listed.s_addr != INADDR_ANY) found.push_back(listed);
  }
  return found;
}

// The last of them: 1 when there is one.
int LastListedAddress(SOCKET s, in_addr& address, int& error) {
  const std::vector<in_addr> listed = ListedAddresses(s, error);
  if (listed.empty()) return 0;
  address = listed.back();
  return 1;
}

std::string AddressText(const in_addr& address) {
  char text[INET_ADDRSTRLEN] = {};
  inet_ntop(AF_INET, &address, text, sizeof text);
  return text;
}

// Where to bind: the chosen address as written, or the last one the host lists
// now (asked through `s`). 127.0.0.1 is never listed, but a socket bound to it
// sees the loopback traffic.
bool ResolveAddress(SOCKET s, const CaptureAddressChoice& where, in_addr& address,
                    SourceOpening& report) {
  if (!where.automatic) {
    report.address = where.address;
    return inet_pton(AF_INET, where.address.c_str(), &address) == 1 ||
           Fail(report, OpenStep::kAddress, 0);
  }
  int error = 0;
  if (LastListedAddress(s, address, error) != 1) return Fail(report, OpenStep::kAddressList, error);
  report.address = AddressText(address);
  return true;
}

// Binds to `address`, port 0, and makes the socket non-blocking.
bool BindNonBlocking(SocketEndpoint& endpoint, const in_addr& address, SourceOpening& report) {
  endpoint.address.sin_family = AF_INET;
  endpoint.address.sin_port = 0;
  endpoint.address.sin_addr = address;
  endpoint.address_length = sizeof endpoint.address;
  if (bind(endpoint.socket, reinterpret_cast<const sockaddr*>(&endpoint.address),
           endpoint.address_length) != 0) {
    return Fail(report, OpenStep::kBind, WSAGetLastError());
  }
  u_long non_blocking = 1;
  return ioctlsocket(endpoint.socket, FIONBIO, &non_blocking) == 0 ||
         Fail(report, OpenStep::kNonBlocking, WSAGetLastError());
}

// The documented form: WSAIoctl with the RCVALL_ON value as input.
bool SwitchReceiveAllOn(SOCKET s, SourceOpening& report) {
  DWORD value = kReceiveAllOn;
  DWORD returned = 0;
  return WSAIoctl(s, kReceiveAll, &value, sizeof value, nullptr, 0, &returned, nullptr, nullptr) ==
             0 ||
         Fail(report, OpenStep::kReceiveAll, WSAGetLastError());
}

// The receive-all opening; `unsupported` tells whether the platform refused the
// protocol-0 raw socket as such (rather than for lack of rights, say).
SocketEndpoint OpenReceiveAllSocket(const CaptureAddressChoice& where, int32_t receive_buffer_bytes,
                                    bool& unsupported, SourceOpening& report) {
  unsupported = false;
  SocketEndpoint endpoint = FailedEndpoint();
  if (!Startup(report)) return endpoint;
  endpoint.socket = CreateRawSocket(0, receive_buffer_bytes);
  if (endpoint.socket == INVALID_SOCKET) {
    const int error = WSAGetLastError();
    Fail(report, OpenStep::kCreate, error);
    unsupported =
        error == WSAEPROTONOSUPPORT || error == WSAESOCKTNOSUPPORT || error == WSAEPROTOTYPE;
    SocketCleanup();
    return endpoint;
  }
  in_addr address{};
  if (ResolveAddress(endpoint.socket, where, address, report) &&
      BindNonBlocking(endpoint, address, report) && SwitchReceiveAllOn(endpoint.socket, report)) {
    report.open = true;
    return endpoint;
  }
  closesocket(endpoint.socket);
  SocketCleanup();
  return FailedEndpoint();
}

// One raw socket per protocol, all bound to the same address.
CaptureSockets OpenPerProtocolSockets(const CaptureAddressChoice& where,
                                      int32_t receive_buffer_bytes, SourceOpening& report) {
  CaptureSockets sockets;
  report = SourceOpening{};
  if (!Startup(report)) return sockets;
  in_addr address{};
  bool ok = true;
  for (int i = 0; ok && i < CaptureSockets::kMaxSockets; ++i) {
    SocketEndpoint endpoint = FailedEndpoint();
    endpoint.socket = CreateRawSocket(kFallbackProtocols[i], receive_buffer_bytes);
    if (endpoint.socket == INVALID_SOCKET) {
      ok = Fail(report, OpenStep::kCreate, WSAGetLastError());
      break;
    }
    sockets.endpoints[sockets.count++] = endpoint;
    ok = (i > 0 || ResolveAddress(endpoint.socket, where, address, report)) &&
         BindNonBlocking(sockets.endpoints[i], address, report);
  }
  if (ok && sockets.count == CaptureSockets::kMaxSockets) {
    report.open = true;
    return sockets;
  }
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
  SourceOpening report;
  return OpenReceiveAllSocket(CaptureAddressChoice{}, receive_buffer_bytes, unsupported, report);
}

std::string LastListedAddressNow() {
  if (SocketStartup() != 1) return {};
  const SOCKET s = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
  in_addr address{};
  int error = 0;
  const bool found = s != INVALID_SOCKET && LastListedAddress(s, address, error) == 1;
  if (s != INVALID_SOCKET) closesocket(s);
  SocketCleanup();
  return found ? AddressText(address) : std::string();
}

std::vector<std::string> ListedAddressesNow() {
  std::vector<std::string> texts;
  if (SocketStartup() != 1) return texts;
  const SOCKET s = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
  int error = 0;
  if (s != INVALID_SOCKET) {
    for (const in_addr& address : ListedAddresses(s, error)) texts.push_back(AddressText(address));
    closesocket(s);
  }
  SocketCleanup();
  return texts;
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

CaptureSockets OpenCaptureSockets(const CaptureAddressChoice& where, SourceOpening& report,
                                  int32_t receive_buffer_bytes) {
  report = SourceOpening{};
  bool unsupported = false;
  const SocketEndpoint receive_all =
      OpenReceiveAllSocket(where, receive_buffer_bytes, unsupported, report);
  if (receive_all.socket != INVALID_SOCKET) {
    CaptureSockets sockets;
    sockets.endpoints[0] = receive_all;
    sockets.count = 1;
    return sockets;
  }
  if (!unsupported) return CaptureSockets{};
  return OpenPerProtocolSockets(where, receive_buffer_bytes, report);
}

CaptureSockets OpenCaptureSockets(int32_t receive_buffer_bytes) {
  SourceOpening report;
  return OpenCaptureSockets(CaptureAddressChoice{}, report, receive_buffer_bytes);
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
