// Addresses of the test's network namespace.
#include "support/NamespaceNetwork.h"

#include <ws2tcpip.h>

#include <cstdlib>
#include <string>

std::vector<in_addr> NamespaceAddresses() {
  std::vector<in_addr> addresses;
  const char* text = std::getenv("KESTREL_NETNS_ADDRESSES");
  if (text == nullptr) return addresses;
  std::string list = text;
  size_t start = 0;
  while (start <= list.size()) {
    const size_t comma = list.find(',', start);
    const std::string item = list.substr(start, comma - start);
    in_addr address{};
    if (inet_pton(AF_INET, item.c_str(), &address) == 1) addresses.push_back(address);
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  return addresses;
}

std::vector<in_addr> ListedAddresses() {
  std::vector<in_addr> addresses;
  const SOCKET s = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
  alignas(SOCKET_ADDRESS_LIST) char bytes[4096] = {};
  DWORD returned = 0;
  if (WSAIoctl(s, SIO_ADDRESS_LIST_QUERY, nullptr, 0, bytes, sizeof bytes, &returned, nullptr,
               nullptr) == 0) {
    const auto* list = reinterpret_cast<const SOCKET_ADDRESS_LIST*>(bytes);
    for (INT i = 0; i < list->iAddressCount; ++i) {
      addresses.push_back(
          reinterpret_cast<const sockaddr_in*>(list->Address[i].lpSockaddr)->sin_addr);
    }
  }
  closesocket(s);
  return addresses;
}

bool Same(const in_addr& a, const in_addr& b) {
  return a.s_addr == b.s_addr;
}

sockaddr_in At(const in_addr& address, uint16_t port) {
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_addr = address;
  to.sin_port = htons(port);
  return to;
}
