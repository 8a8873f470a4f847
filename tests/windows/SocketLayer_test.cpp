// The socket layer against a real network stack: the runner (netns-run) starts
// this program inside a network namespace it made for the run, with two
// interfaces of their own, and names their addresses in
// KESTREL_NETNS_ADDRESSES. Every datagram the tests send goes to one of those
// addresses; the tests refuse to send anything unless every address the host
// lists is one of them.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <string>
#include <thread>  // std::chrono clocks without <chrono>
#include <vector>

#include "capture/SocketLayerWin32.h"
#include "packet/HeaderDecoders.h"
#include "support/NamespaceNetwork.h"

namespace {

constexpr int kCapacity = 65535;
constexpr uint8_t kFill = 0xAB;

void SendUdp(const in_addr& address, uint16_t port, const std::string& payload) {
  const SOCKET s = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
  const sockaddr_in to = At(address, port);
  sendto(s, payload.data(), static_cast<int>(payload.size()), 0,
         reinterpret_cast<const sockaddr*>(&to), sizeof to);
  closesocket(s);
}

// An ICMP echo request carrying `payload`; the stack answers with a reply.
void SendEcho(const in_addr& address, const std::string& payload) {
  std::vector<uint8_t> message(8 + payload.size(), 0);
  message[0] = 8;  // echo request
  message[4] = 0x12;
  message[5] = 0x34;  // identifier
  std::memcpy(message.data() + 8, payload.data(), payload.size());
  uint32_t sum = 0;
  for (size_t i = 0; i < message.size(); i += 2) {
    sum += (uint32_t{message[i]} << 8) | (i + 1 < message.size() ? message[i + 1] : 0);
  }
  while (sum >> 16) sum = (sum & 0xFFFF) + (sum >> 16);
  message[2] = static_cast<uint8_t>(~sum >> 8);
  message[3] = static_cast<uint8_t>(~sum);
  const SOCKET s = WSASocketA(AF_INET, SOCK_RAW, IPPROTO_ICMP, nullptr, 0, 0);
  const sockaddr_in to = At(address, 0);
  sendto(s, reinterpret_cast<const char*>(message.data()), static_cast<int>(message.size()), 0,
         reinterpret_cast<const sockaddr*>(&to), sizeof to);
  closesocket(s);
}

// A TCP listener on `address`; Connect() makes a connection to it.
class TcpListener {
 public:
  explicit TcpListener(const in_addr& address) : address_(address) {
    listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in local = At(address, 0);
    bind(listener_, reinterpret_cast<const sockaddr*>(&local), sizeof local);
    int length = sizeof local;
    getsockname(listener_, reinterpret_cast<sockaddr*>(&local), &length);
    port_ = ntohs(local.sin_port);
    listen(listener_, 16);
  }
  ~TcpListener() {
    for (SOCKET s : open_) closesocket(s);
    closesocket(listener_);
  }
  uint16_t port() const { return port_; }
  void Connect() {
    const SOCKET client = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    const sockaddr_in to = At(address_, port_);
    ASSERT_EQ(connect(client, reinterpret_cast<const sockaddr*>(&to), sizeof to), 0);
    open_.push_back(client);
    open_.push_back(accept(listener_, nullptr, nullptr));
  }

 private:
  in_addr address_;
  SOCKET listener_;
  uint16_t port_ = 0;
  std::vector<SOCKET> open_;
};

// One received datagram, checked for the shape every capture must have.
struct Datagram {
  int size = 0;
  IpHeader ip;
  std::vector<uint8_t> bytes;
};

// Receives one datagram into a buffer full of kFill and checks that it starts
// with an IPv4 header addressed to `bound`, that its total length is what was
// received and that nothing after it was written.
bool ReceiveChecked(CaptureSockets& sockets, const in_addr& bound, std::vector<uint8_t>& buffer,
                    Datagram& out) {
  // A socket that delivered last is tried without a wait and may turn out
  // empty; the capture thread then waits again, and so does this.
  do {
    if (WaitReadable(sockets, 1) != 1) return false;
    std::memset(buffer.data(), kFill, buffer.size());
    out.size = ReceiveBytes(sockets, buffer.data(), kCapacity);
  } while (out.size == SOCKET_ERROR && WSAGetLastError() == WSAEWOULDBLOCK);
  EXPECT_GT(out.size, 0);
  if (out.size <= 0) return false;
  out.ip = IpHeader{};
  EXPECT_TRUE(DecodeIpHeader(out.ip, buffer.data(), out.size));
  EXPECT_EQ(out.ip.version, 4);
  EXPECT_EQ(out.ip.total_length, out.size);
  EXPECT_EQ(std::memcmp(out.ip.destination, &bound.s_addr, 4), 0);
  const auto written_after =
      std::count_if(buffer.begin() + out.size, buffer.end(), [](uint8_t b) { return b != kFill; });
  EXPECT_EQ(written_after, 0) << "nothing past the datagram may be written";
  out.bytes.assign(buffer.begin(), buffer.begin() + out.size);
  return true;
}

bool Contains(const std::vector<uint8_t>& bytes, const std::string& marker) {
  return std::search(bytes.begin(), bytes.end(), marker.begin(), marker.end()) != bytes.end();
}

class SocketLayerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WSADATA data;
    ASSERT_EQ(WSAStartup(0x0202, &data), 0);
    namespace_addresses_ = NamespaceAddresses();
    if (namespace_addresses_.empty()) {
      GTEST_SKIP() << "sends real traffic: runs only inside the network namespace that "
                      "tests/windows/netns-run makes for it";
    }
    // Entries without an address (0.0.0.0) name no destination and are left out.
    for (const in_addr& a : ListedAddresses()) {
      if (a.s_addr != INADDR_ANY) listed_.push_back(a);
    }
    ASSERT_FALSE(listed_.empty());
    for (const in_addr& a : listed_) {
      bool ours = false;
      for (const in_addr& n : namespace_addresses_) ours = ours || Same(a, n);
      char text[INET_ADDRSTRLEN] = {};
      inet_ntop(AF_INET, &a, text, sizeof text);
      ASSERT_TRUE(ours) << "an interface outside the test's namespace is visible (" << text
                        << "); sending nothing";
    }
    chosen_ = listed_.back();
    sockets_ = OpenCaptureSockets();
    ASSERT_GT(sockets_.count, 0) << "the capture socket did not open (root needed)";
    buffer_.assign(kCapacity + 16, kFill);  // 16 guard bytes past the capacity
  }
  void TearDown() override {
    if (sockets_.count > 0) {
      CloseSockets(sockets_);
      SocketCleanup();
    }
    WSACleanup();
  }

  // Receives until `found` says stop or `limit` datagrams or a quiet second.
  template <typename Found>
  void ReceiveUntil(int limit, Found found) {
    Datagram d;
    for (int i = 0; i < limit && ReceiveChecked(sockets_, chosen_, buffer_, d); ++i) {
      if (found(d)) return;
    }
  }

  std::vector<in_addr> namespace_addresses_;
  std::vector<in_addr> listed_;
  in_addr chosen_{};
  CaptureSockets sockets_;
  std::vector<uint8_t> buffer_;
};

TEST_F(SocketLayerTest, OpensOnTheLastListedAddressWithALargeReceiveBuffer) {
  if (sockets_.count == 1) {
    SUCCEED() << "receive-all mode";
  } else {
    ASSERT_EQ(sockets_.count, 3) << "one socket per protocol where receive-all is missing";
  }
  for (int i = 0; i < sockets_.count; ++i) {
    const SocketEndpoint& e = sockets_.endpoints[i];
    EXPECT_NE(e.socket, INVALID_SOCKET);
    EXPECT_EQ(e.address.sin_family, AF_INET);
    EXPECT_EQ(e.address.sin_port, 0);
    EXPECT_TRUE(Same(e.address.sin_addr, chosen_));
    EXPECT_EQ(e.address_length, 16);
    sockaddr_in bound{};
    int length = sizeof bound;
    ASSERT_EQ(getsockname(e.socket, reinterpret_cast<sockaddr*>(&bound), &length), 0);
    EXPECT_TRUE(Same(bound.sin_addr, chosen_));
    int receive_buffer = 0;
    int size = sizeof receive_buffer;
    ASSERT_EQ(getsockopt(e.socket, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<char*>(&receive_buffer),
                         &size),
              0);
    EXPECT_GE(receive_buffer, kCaptureReceiveBufferBytes);
  }
}

TEST_F(SocketLayerTest, WaitGivesZeroAfterAQuietSecondAndOnErrors) {
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(WaitReadable(sockets_, 1), 0);
  const auto waited = std::chrono::steady_clock::now() - start;
  EXPECT_GE(waited, std::chrono::milliseconds(900)) << "the wait must last the whole second";

  EXPECT_EQ(WaitReadable(INVALID_SOCKET, 1), 0);
  const SOCKET closed = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
  closesocket(closed);
  EXPECT_EQ(WaitReadable(closed, 1), 0);

  // The single-socket wait and receive on an ordinary socket of the namespace.
  const SOCKET udp = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
  sockaddr_in local = At(chosen_, 0);
  ASSERT_EQ(bind(udp, reinterpret_cast<const sockaddr*>(&local), sizeof local), 0);
  int length = sizeof local;
  getsockname(udp, reinterpret_cast<sockaddr*>(&local), &length);
  SendUdp(chosen_, ntohs(local.sin_port), "single");
  EXPECT_EQ(WaitReadable(udp, 1), 1);
  std::memset(buffer_.data(), kFill, buffer_.size());
  EXPECT_EQ(ReceiveBytes(udp, buffer_.data(), 64), 6);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(buffer_.data()), 6), "single");
  EXPECT_EQ(buffer_[6], 0);
  EXPECT_EQ(buffer_[63], 0);
  EXPECT_EQ(buffer_[64], kFill);
  CloseSocket(udp);
}

TEST_F(SocketLayerTest, ReceivesUdpTcpAndIcmpDatagramsWithTheirIpHeaders) {
  TcpListener listener(chosen_);
  SendUdp(chosen_, 40001, "udp-marker");
  listener.Connect();
  SendEcho(chosen_, "icmp-marker");
  std::string big(65535 - 20 - 8, 'x');
  big.replace(0, 10, "big-marker");
  SendUdp(chosen_, 40002, big);

  bool udp = false, tcp = false, icmp_request = false, icmp_reply = false, largest = false;
  ReceiveUntil(200, [&](const Datagram& d) {
    const int data_offset = 4 * d.ip.header_length;
    if (d.ip.protocol == kProtocolUdp && Contains(d.bytes, "udp-marker")) udp = true;
    if (d.ip.protocol == kProtocolUdp && Contains(d.bytes, "big-marker")) {
      largest = d.size == 65535;
    }
    if (d.ip.protocol == kProtocolTcp) {
      TcpHeader h;
      if (DecodeTcpHeader(h, d.bytes.data(), d.size) && h.destination_port == listener.port()) {
        tcp = true;
      }
    }
    if (d.ip.protocol == kProtocolIcmp && Contains(d.bytes, "icmp-marker")) {
      if (d.bytes[data_offset] == 8) icmp_request = true;
      if (d.bytes[data_offset] == 0) icmp_reply = true;
    }
    return udp && tcp && icmp_request && icmp_reply && largest;
  });
  EXPECT_TRUE(udp);
  EXPECT_TRUE(tcp);
  EXPECT_TRUE(icmp_request);
  EXPECT_TRUE(icmp_reply);
  EXPECT_TRUE(largest) << "a maximum-size datagram arrives whole";
}

TEST_F(SocketLayerTest, CapturesOnlyTrafficForTheChosenAddress) {
  const in_addr* other = nullptr;
  for (const in_addr& a : listed_) {
    if (!Same(a, chosen_)) other = &a;
  }
  if (other == nullptr) GTEST_SKIP() << "the namespace lists only one address";
  SendUdp(*other, 40003, "to-the-other");
  SendUdp(chosen_, 40003, "to-the-chosen");
  bool chosen_seen = false, other_seen = false;
  ReceiveUntil(100, [&](const Datagram& d) {
    other_seen = other_seen || Contains(d.bytes, "to-the-other");
    chosen_seen = chosen_seen || Contains(d.bytes, "to-the-chosen");
    return false;  // until quiet: the other datagram must not come later either
  });
  EXPECT_TRUE(chosen_seen);
  EXPECT_FALSE(other_seen);
}

// The user's choice: each address of the namespace, and 127.0.0.1 (never
// listed, yet bound to it the capture sees loopback traffic), captures only
// its own traffic; the automatic opening names the last listed address; an
// address the host lacks, or no address at all, fails at its step.
TEST_F(SocketLayerTest, ChosenAddressesCaptureOnlyTheirOwnTrafficAndMissingOnesSaySo) {
  in_addr loopback{};
  inet_pton(AF_INET, "127.0.0.1", &loopback);
  std::vector<in_addr> targets = listed_;
  targets.push_back(loopback);
  for (const in_addr& target : targets) {
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &target, text, sizeof text);
    SCOPED_TRACE(text);
    SourceOpening report;
    CaptureSockets chosen = OpenCaptureSockets({false, text}, report);
    ASSERT_TRUE(report.open);
    ASSERT_GT(chosen.count, 0);
    EXPECT_EQ(report.address, text);
    const std::string marker = std::string("to-") + text;
    for (const in_addr& to : targets) SendUdp(to, 40006, std::string("to-") + inet_ntoa(to));
    std::set<std::string> seen;
    Datagram d;
    for (int i = 0; i < 100 && ReceiveChecked(chosen, target, buffer_, d); ++i) {
      for (const in_addr& to : targets) {
        const std::string other = std::string("to-") + inet_ntoa(to);
        if (Contains(d.bytes, other)) seen.insert(other);
      }
    }
    EXPECT_EQ(seen, std::set<std::string>{marker});
    CloseSockets(chosen);
    SocketCleanup();
  }

  SourceOpening automatic;
  CaptureSockets last = OpenCaptureSockets(CaptureAddressChoice{}, automatic);
  EXPECT_TRUE(automatic.open);
  char last_text[INET_ADDRSTRLEN] = {};
  inet_ntop(AF_INET, &chosen_, last_text, sizeof last_text);
  EXPECT_EQ(automatic.address, last_text);
  EXPECT_EQ(LastListedAddressNow(), last_text);
  CloseSockets(last);
  SocketCleanup();

  struct Missing {
    const char* address;
    OpenStep step;
    int error;
  };
  for (const Missing& m : {Missing{"10.250.9.9", OpenStep::kBind, WSAEADDRNOTAVAIL},
                           Missing{"10.250.x", OpenStep::kAddress, 0}}) {
    SCOPED_TRACE(m.address);
    SourceOpening report;
    const CaptureSockets none = OpenCaptureSockets({false, m.address}, report);
    EXPECT_EQ(none.count, 0);
    EXPECT_FALSE(report.open);
    EXPECT_EQ(report.failed, m.step);
    EXPECT_EQ(report.error, m.error);
    EXPECT_EQ(report.address, m.address);
  }
}

TEST_F(SocketLayerTest, TakesReadySocketsInTurn) {
  if (sockets_.count == 1) GTEST_SKIP() << "receive-all mode has a single socket";
  TcpListener listener(chosen_);
  for (int i = 0; i < 10; ++i) {
    SendUdp(chosen_, 40004, "turn");
    SendEcho(chosen_, "turn");
    listener.Connect();
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(200));  // let every queue fill
  std::vector<int> protocols;
  Datagram d;
  for (int i = 0; i < 6 && ReceiveChecked(sockets_, chosen_, buffer_, d); ++i) {
    protocols.push_back(d.ip.protocol);
  }
  ASSERT_EQ(protocols.size(), 6u);
  EXPECT_EQ(std::set<int>(protocols.begin(), protocols.begin() + 3).size(), 3u);
  EXPECT_EQ(std::set<int>(protocols.begin() + 3, protocols.end()).size(), 3u);
}

TEST_F(SocketLayerTest, QueuesABurstThatArrivesWhileNothingIsRead) {
  constexpr int kBurst = 3000;
  // A bound receiver keeps the stack from answering each datagram with an ICMP error.
  const SOCKET sink = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
  const sockaddr_in sink_address = At(chosen_, 40005);
  ASSERT_EQ(bind(sink, reinterpret_cast<const sockaddr*>(&sink_address), sizeof sink_address), 0);
  const SOCKET sender = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
  const std::string payload = "burst-" + std::string(94, 'b');
  for (int i = 0; i < kBurst; ++i) {
    sendto(sender, payload.data(), static_cast<int>(payload.size()), 0,
           reinterpret_cast<const sockaddr*>(&sink_address), sizeof sink_address);
  }
  int received = 0;
  ReceiveUntil(kBurst * 2, [&](const Datagram& d) {
    if (d.ip.protocol == kProtocolUdp && Contains(d.bytes, "burst-")) ++received;
    return received == kBurst;
  });
  EXPECT_EQ(received, kBurst);
  closesocket(sender);
  closesocket(sink);
}

}  // namespace
