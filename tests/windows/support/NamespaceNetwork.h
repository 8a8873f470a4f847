// The network of the namespace that tests/windows/netns-run makes for a test:
// its own addresses (KESTREL_NETNS_ADDRESSES) and the addresses the host lists,
// so that a test sends nothing unless every listed address is the namespace's.
#pragma once

#include <winsock2.h>

#include <cstdint>
#include <vector>

// The namespace's addresses; empty outside the runner.
std::vector<in_addr> NamespaceAddresses();

// The interface addresses as SIO_ADDRESS_LIST_QUERY lists them, in order
// (0.0.0.0 for an interface without one). The sockets library must be started.
std::vector<in_addr> ListedAddresses();

bool Same(const in_addr& a, const in_addr& b);
sockaddr_in At(const in_addr& address, uint16_t port);
