// The journeys a user takes, with the real Kestrel_Scan.exe as a process of
// its own and real traffic. The runner (tests/windows/end-to-end) starts this
// program inside a network namespace it made for the run; every datagram goes
// to the namespace's own address, on which the program captures. The program
// is driven from outside through window messages, as a user's clicks would:
// menu and toolbar commands, its file dialogs and message boxes, its list,
// tree and hex pane read across the process boundary. Each journey works in a
// folder of its own under KESTREL_E2E_OUT, where the runner afterwards checks
// the saved capture and the exported report against kestrel-cli.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "capturefile/CaptureFile.h"
#include "support/GuiHarness.h"
#include "support/NamespaceNetwork.h"
#include "support/ProgramProcess.h"
#include "support/RemoteControls.h"
#include "support/TempDir.h"
#include "views/QuietPanes.h"

namespace {

constexpr int kStart = 40016, kStop = 40017, kDeleteAll = 40020, kSaveBinary = 40010,
              kSaveText = 40011, kOpen = 40012, kFilterSettings = 10001, kCaptureAddress = 10002;
constexpr int kAddressList = 7100, kAddressStatusPart = 3;
constexpr uint16_t kUdpPort = 5353, kOtherUdpPort = 6363, kTcpPort = 8080;
constexpr DWORD kListWaitMs = 15000;

const char* const kAdmitAll =
    "[Common_config]\r\nRING_MAX=%d\r\nRING_ROOP=%d\r\nCAP_FPS=10\r\n"
    "[Protocol_config]\r\nTCP=1\r\nUDP=1\r\nICMP=1\r\nOTHER=1\r\n"
    "[IP_config]\r\nLIST_NUM=1\r\n0_LIST_SRC_IP=0.0.0.0\r\n0_LIST_SRC_PORT=*\r\n"
    "0_LIST_DEST_IP=0.0.0.0\r\n0_LIST_DEST_PORT=*\r\n0_LIST_VEC=0\r\n";

std::string Settings(int ring_max = 0, int ring_roop = 0) {
  char text[512];
  std::snprintf(text, sizeof text, kAdmitAll, ring_max, ring_roop);
  return text;
}

std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (size_t end; (end = text.find(separator, start)) != std::string::npos; start = end + 1) {
    parts.push_back(text.substr(start, end - start));
  }
  parts.push_back(text.substr(start));
  return parts;
}

// The address the program captures on: the last one the host lists. Nothing is
// sent unless every listed address is one of the namespace's own.
bool CaptureAddress(in_addr& address) {
  const std::vector<in_addr> own = NamespaceAddresses();
  bool found = false;
  for (const in_addr& listed : ListedAddresses()) {
    if (listed.s_addr == INADDR_ANY) continue;  // an interface without an address
    auto same = [&](const in_addr& a) { return Same(a, listed); };
    if (std::none_of(own.begin(), own.end(), same)) return false;
    address = listed;
    found = true;
  }
  return found;
}

// Traffic inside the namespace: UDP to bound ports (so that no port-unreachable
// answers come back), one TCP exchange, ICMP echoes.
class Traffic {
 public:
  explicit Traffic(const in_addr& address) : address_(address) {
    for (uint16_t port : {kUdpPort, kOtherUdpPort}) {
      const SOCKET s = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
      const sockaddr_in at = At(address, port);
      bind(s, reinterpret_cast<const sockaddr*>(&at), sizeof at);
      receivers_.push_back(s);
    }
  }
  ~Traffic() {
    for (SOCKET s : receivers_) closesocket(s);
  }

  void Udp(uint16_t port, const std::string& payload) {
    const SOCKET s = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    const sockaddr_in to = At(address_, port);
    sendto(s, payload.data(), static_cast<int>(payload.size()), 0,
           reinterpret_cast<const sockaddr*>(&to), sizeof to);
    closesocket(s);
  }

  // A connection that carries `request` one way and `reply` the other, then closes.
  bool Tcp(const std::string& request, const std::string& reply) {
    const SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    const sockaddr_in at = At(address_, kTcpPort);
    BOOL reuse = TRUE;
    setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&reuse),
               sizeof reuse);
    bind(listener, reinterpret_cast<const sockaddr*>(&at), sizeof at);
    listen(listener, 1);
    const SOCKET client = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    bool ok = connect(client, reinterpret_cast<const sockaddr*>(&at), sizeof at) == 0;
    const SOCKET server = accept(listener, nullptr, nullptr);
    char buffer[512];
    ok = ok && send(client, request.data(), static_cast<int>(request.size()), 0) > 0 &&
         recv(server, buffer, sizeof buffer, 0) == static_cast<int>(request.size()) &&
         send(server, reply.data(), static_cast<int>(reply.size()), 0) > 0 &&
         recv(client, buffer, sizeof buffer, 0) == static_cast<int>(reply.size());
    closesocket(client);
    recv(server, buffer, sizeof buffer, 0);
    closesocket(server);
    closesocket(listener);
    return ok;
  }

  // An echo request with `payload`; the system answers it with an echo reply.
  bool Ping(uint16_t sequence, const std::string& payload) {
    const SOCKET s = socket(AF_INET, SOCK_RAW, IPPROTO_ICMP);
    if (s == INVALID_SOCKET) return false;
    std::string message = {
        8, 0, 0, 0, 0, 7, static_cast<char>(sequence >> 8), static_cast<char>(sequence)};
    message += payload;
    if (message.size() % 2) message.push_back('\0');
    uint32_t sum = 0;
    for (size_t i = 0; i < message.size(); i += 2) {
      sum += (static_cast<uint8_t>(message[i]) << 8) | static_cast<uint8_t>(message[i + 1]);
    }
    while (sum >> 16) sum = (sum & 0xFFFF) + (sum >> 16);
    message[2] = static_cast<char>(~sum >> 8);
    message[3] = static_cast<char>(~sum);
    const sockaddr_in to = At(address_, 0);
    const bool sent = sendto(s, message.data(), static_cast<int>(message.size()), 0,
                             reinterpret_cast<const sockaddr*>(&to), sizeof to) > 0;
    closesocket(s);
    return sent;
  }

 private:
  in_addr address_;
  std::vector<SOCKET> receivers_;
};

// The program running in a journey's own folder, with its windows.
class Journey {
 public:
  // Empty settings keep the folder's config.ini as an earlier run left it.
  Journey(const char* name, const std::string& settings) {
    const char* out = std::getenv("KESTREL_E2E_OUT");
    folder_ = std::filesystem::path(out != nullptr ? std::string("Z:") + out : ".") / name;
    std::filesystem::create_directories(folder_);
    std::filesystem::current_path(folder_);
    if (!settings.empty()) WriteFileBytes("config.ini", settings);
    program_ = std::make_unique<Program>();
    main_ = program_->WaitForMainWindow();
    // The window is found while it still creates its children.
    WaitUntil(
        [&] {
          HWND tab = GetDlgItem(main_, 2000);
          page_ = FindWindowExA(tab, nullptr, "#32770", nullptr);
          list = GetDlgItem(page_, 5100);
          tree = GetDlgItem(page_, 5200);
          hex = GetDlgItem(page_, 5300);
          status = GetDlgItem(main_, 1);
          return ready() && status != nullptr && IsWindowVisible(main_);
        },
        kStartTimeoutMs);
  }

  bool ready() const { return list != nullptr && tree != nullptr && hex != nullptr; }
  DWORD id() const { return program_->id(); }
  // A path as the file dialogs take it, with backslashes.
  std::string Path(const char* file) const {
    std::string path = (folder_ / file).string();
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
  }
  void Command(int id) const { PostMessageA(main_, WM_COMMAND, MAKEWPARAM(id, 0), 0); }

  std::string State() const { return StatusPartText(status, 0); }
  // Presses Start; true once the status bar says the capture runs and names
  // the address its socket was opened on: every datagram from then on is taken.
  bool StartCapture() const {
    Command(kStart);
    return WaitUntil(
        [&] {
          return State() == "状態：キャプチャー中" &&
                 !StatusPartText(status, kAddressStatusPart).empty();
        },
        5000);
  }
  // The packet counter of status part 1.
  long Counted() const {
    return std::strtol(StatusPartText(status, 1).c_str() + std::strlen("Packet:"), nullptr, 10);
  }
  // Waits until the list shows every packet the status bar counts and that
  // count has held for a quiet second.
  int SettledRows() const {
    long last = -1;
    ULONGLONG since = GetTickCount64();
    WaitUntil(
        [&] {
          const long counted = Counted();
          if (counted != last) {
            last = counted;
            since = GetTickCount64();
          }
          return GetTickCount64() - since > 1500 && ListRowCount(list) > 0;
        },
        kListWaitMs);
    return ListRowCount(list);
  }
  std::vector<std::vector<std::string>> Rows() const {
    std::vector<std::vector<std::string>> rows;
    for (int row = 0; row < ListRowCount(list); ++row) rows.push_back(ListRow(list, row));
    return rows;
  }

  // Saves, exports or opens through the real file dialog and answers the
  // completion box; returns that box's text.
  std::string ThroughFileDialog(int command, const char* dialog, const char* file,
                                const char* box_title) const {
    // The box of an earlier command may still be closing.
    WaitUntil([&] { return FindDialog(box_title, id()) == nullptr; }, 5000);
    auto chosen = AnswerFileDialog(dialog, Path(file), kStartTimeoutMs, id());
    Command(command);
    EXPECT_TRUE(chosen.get()) << dialog;
    return AnswerBox(box_title, IDOK, 30000, id()).get().text;
  }

  // Closes as a user does (the exit question answered with OK); the exit status.
  long Close() const {
    auto question = AnswerBox("終了確認", IDOK, kStartTimeoutMs, id());
    PostMessageA(main_, WM_CLOSE, 0, 0);
    EXPECT_TRUE(question.get().found);
    const ULONGLONG answered = GetTickCount64();
    const long status = program_->ExitStatus(30000);
    std::printf("%s: the program ended %llu ms after the exit question was answered\n",
                folder_.filename().string().c_str(),
                static_cast<unsigned long long>(GetTickCount64() - answered));
    return status;
  }

  HWND list = nullptr, tree = nullptr, hex = nullptr, status = nullptr;

 private:
  std::filesystem::path folder_;
  std::unique_ptr<Program> program_;
  HWND main_ = nullptr, page_ = nullptr;
};

class EndToEnd : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(ProgramPath().empty()) << "KESTREL_APP_EXE is not set";
    WSADATA data;
    ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &data), 0);
    ASSERT_TRUE(CaptureAddress(address_)) << "no namespace of the test's own";
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &address_, text, sizeof text);
    address_text_ = text;
  }
  void TearDown() override { WSACleanup(); }

  in_addr address_{};
  std::string address_text_;
};

// What a click on a dialog's button tells the dialog. (A button of another
// process does not take BM_CLICK here: it cannot capture the mouse.)
void Click(HWND dialog, int id) {
  SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

// The character columns of a hex dump's rows, joined: the bytes as text.
std::string DumpCharacters(const std::string& dump) {
  std::string text;
  for (const std::string& line : Split(dump, '\n')) {
    if (line.size() > 58 && line[0] >= '0' && line[0] <= '9') text += line.substr(58, 16);
  }
  return text;
}

int CountRows(const std::vector<std::vector<std::string>>& rows, const std::string& protocol,
              const std::string& source_port, const std::string& destination_port) {
  return static_cast<int>(std::count_if(rows.begin(), rows.end(), [&](const auto& row) {
    return row[1] == protocol && (source_port.empty() || row[3] == source_port) &&
           (destination_port.empty() || row[6] == destination_port);
  }));
}

void WriteRows(const std::string& path, const std::vector<std::vector<std::string>>& rows) {
  std::string text;
  for (const auto& row : rows) {
    for (size_t i = 0; i < row.size(); ++i) text += row[i] + (i + 1 < row.size() ? "\t" : "\n");
  }
  WriteFileBytes(path, text);
}

// Start, traffic of every kind, stop: the rows show what was sent; a TCP
// segment's tree and hex dump; save, delete all and open bring the same rows
// back; the export is written; closing ends with status 0 and system.ini.
TEST_F(EndToEnd, CaptureSaveOpenExportAndClose) {
  Journey journey("capture", Settings());
  ASSERT_TRUE(journey.ready());
  Traffic traffic(address_);
  ASSERT_TRUE(journey.StartCapture()) << journey.State();
  for (int i = 0; i < 5; ++i) traffic.Udp(kUdpPort, "kestrel-udp-" + std::to_string(i));
  const std::string request = "GET /kestrel HTTP/1.0\r\n\r\n", reply = "HTTP/1.0 200 OK\r\n\r\n";
  ASSERT_TRUE(traffic.Tcp(request, reply));
  for (uint16_t i = 0; i < 3; ++i) ASSERT_TRUE(traffic.Ping(i, "kestrel-ping"));
  const int rows_seen = journey.SettledRows();
  journey.Command(kStop);
  const auto rows = journey.Rows();
  std::printf("capture: %d rows listed\n", rows_seen);

  const std::string udp_port = std::to_string(kUdpPort), tcp_port = std::to_string(kTcpPort);
  EXPECT_EQ(CountRows(rows, "UDP", "", udp_port), 5);
  EXPECT_EQ(CountRows(rows, "TCP  SYN", "", tcp_port), 1);
  EXPECT_EQ(CountRows(rows, "TCP  SYN ACK", tcp_port, ""), 1);
  EXPECT_GE(CountRows(rows, "TCP  PSH ACK", "", tcp_port), 1);
  EXPECT_GE(CountRows(rows, "TCP  FIN ACK", "", ""), 1);
  EXPECT_EQ(CountRows(rows, "ICMP(Echo Request)", "-----", "-----"), 3);
  EXPECT_EQ(CountRows(rows, "ICMP(Echo Reply)", "-----", "-----"), 3);
  int data_row = -1;
  for (size_t i = 0; i < rows.size(); ++i) {
    const auto& row = rows[i];
    SCOPED_TRACE(row[0] + " " + row[1]);
    EXPECT_EQ(row[0], std::to_string(i));
    EXPECT_EQ(row[2], address_text_);
    EXPECT_EQ(row[5], address_text_);
    if (row[1] == "UDP") {
      EXPECT_EQ(row[7] + " " + row[8], "41 13");  // "kestrel-udp-N"
    }
    if (row[1] == "ICMP(Echo Request)") {
      EXPECT_EQ(row[7] + " " + row[8], "40 16");  // id, sequence and 12 bytes
    }
    if (row[1] == "TCP  PSH ACK" && row[6] == tcp_port) {
      EXPECT_EQ(row[8], std::to_string(request.size()));
      data_row = static_cast<int>(i);
    }
  }

  // The request segment in the tree and the hex pane.
  ASSERT_NE(data_row, -1);
  ListSelectRow(journey.list, data_row);
  std::vector<std::string> outline;
  ASSERT_TRUE(WaitUntil([&] { return (outline = TreeOutline(journey.tree)).size() > 20; }, 3000));
  auto has = [&](const std::string& line) {
    return std::find(outline.begin(), outline.end(), line) != outline.end();
  };
  EXPECT_TRUE(has("   DestinationPort      : 8080"));
  EXPECT_TRUE(has("   SourcePort           : " + rows[data_row][3]));
  EXPECT_TRUE(has("   TCP Data Length      : " + std::to_string(request.size()) + " byte"));
  // The hex pane is filled after the tree.
  EXPECT_TRUE(WaitUntil(
      [&] {
        return DumpCharacters(LongWindowText(journey.hex)).find(request.substr(0, 16)) !=
               std::string::npos;
      },
      10000));

  EXPECT_EQ(journey.ThroughFileDialog(kSaveBinary, "バイナリデータファイル保存", "capture.bin",
                                      "保存完了"),
            "保存が完了しました");
  EXPECT_EQ(
      journey.ThroughFileDialog(kSaveText, "テキストデータファイル保存", "report.txt", "保存完了"),
      "保存が完了しました");
  journey.Command(kDeleteAll);
  ASSERT_TRUE(WaitUntil([&] { return ListRowCount(journey.list) == 0; }, 5000));
  EXPECT_EQ(journey.ThroughFileDialog(kOpen, "バイナリデータファイル読み込み", "capture.bin",
                                      "読み込み完了"),
            "読み込みが完了しました");
  ASSERT_TRUE(WaitUntil([&] { return ListRowCount(journey.list) == rows_seen; }, 5000));
  EXPECT_EQ(journey.Rows(), rows);
  WriteRows(journey.Path("window-rows.tsv"), journey.Rows());

  EXPECT_EQ(journey.Close(), 0);
  EXPECT_NE(ReadFileBytes(journey.Path("system.ini")).find("[TreeView_System]\r\n"),
            std::string::npos);
}

// Overwrite mode keeps the newest packets: rows leave from the top while
// capture goes on, and row i still shows record i.
TEST_F(EndToEnd, OverwriteModeKeepsTheNewestPackets) {
  Journey journey("overwrite", Settings(2, 1));  // 2,000 bytes
  ASSERT_TRUE(journey.ready());
  Traffic traffic(address_);
  ASSERT_TRUE(journey.StartCapture()) << journey.State();
  char payload[73];
  for (int i = 0; i < 100; ++i) {
    std::snprintf(payload, sizeof payload, "kestrel-ring-%03d-%055d", i, 0);
    traffic.Udp(kUdpPort, payload);  // 100-byte datagrams
    Sleep(2);
  }
  const int rows = journey.SettledRows();
  journey.Command(kStop);
  std::printf("overwrite: %ld packets captured, %d rows kept\n", journey.Counted(), rows);
  EXPECT_EQ(journey.Counted(), 100);
  EXPECT_EQ(rows, 20);
  for (int row : {0, rows / 2, rows - 1}) {
    SCOPED_TRACE(row);
    EXPECT_EQ(ListCell(journey.list, row, 0), std::to_string(100 - rows + row));
    ListSelectRow(journey.list, row);
    char wanted[32];
    std::snprintf(wanted, sizeof wanted, "kestrel-ring-%03d", 100 - rows + row);
    EXPECT_TRUE(WaitUntil(
        [&] {
          return DumpCharacters(LongWindowText(journey.hex)).find(wanted) != std::string::npos;
        },
        3000));
  }
  EXPECT_EQ(journey.Close(), 0);
}

// Without overwrite mode a full store stops the capture with its message and
// its line in error.log; the packets stored before stay.
TEST_F(EndToEnd, FullStoreStopsTheCapture) {
  Journey journey("size-over", Settings(1, 0));  // 1,000 bytes
  ASSERT_TRUE(journey.ready());
  Traffic traffic(address_);
  auto box = AnswerBox("メモリオーバー", IDOK, 30000, journey.id());
  ASSERT_TRUE(journey.StartCapture()) << journey.State();
  for (int i = 0; i < 15; ++i) traffic.Udp(kUdpPort, std::string(72, 'k'));
  const AnsweredBox seen = box.get();
  EXPECT_EQ(seen.text, "最大受信サイズを超えました！緊急停止します");
  EXPECT_TRUE(WaitUntil([&] { return journey.State() == "状態：停止中"; }, 5000));
  EXPECT_EQ(journey.SettledRows(), 10);
  const std::string log = ReadFileBytes(journey.Path("error.log"));
  EXPECT_EQ(log.size(), std::strlen("[2026/12/07 19:00:00]サイズオーバー\r\n")) << log;
  EXPECT_NE(log.find("]サイズオーバー\r\n"), std::string::npos);
  EXPECT_EQ(journey.Close(), 0);
}

// New rules saved in the filter dialog while capturing apply to the packets
// that follow.
TEST_F(EndToEnd, FilterDialogChangesWhatTheCaptureKeeps) {
  // One way to port 5353: both ways would also admit every reply, whatever its port.
  std::string settings = Settings();
  settings.replace(settings.find("0_LIST_DEST_PORT=*"), 18,
                   "0_LIST_DEST_PORT=" + std::to_string(kUdpPort));
  settings.replace(settings.find("0_LIST_VEC=0"), 12, "0_LIST_VEC=1");
  Journey journey("filter", settings);
  ASSERT_TRUE(journey.ready());
  Traffic traffic(address_);
  ASSERT_TRUE(journey.StartCapture()) << journey.State();
  auto send_both = [&] {
    for (int i = 0; i < 3; ++i) {
      traffic.Udp(kUdpPort, "kestrel-udp");
      traffic.Udp(kOtherUdpPort, "kestrel-udp");
    }
  };
  send_both();
  const int before = journey.SettledRows();
  auto rows = journey.Rows();
  EXPECT_EQ(before, 3);
  EXPECT_EQ(CountRows(rows, "UDP", "", std::to_string(kUdpPort)), 3);

  // The user deletes the rule and adds one for the other port.
  journey.Command(kFilterSettings);
  // Found by its title while it still creates its controls: ready with the rule shown.
  HWND dialog = nullptr, rules = nullptr;
  ASSERT_TRUE(WaitUntil(
      [&] {
        dialog = FindDialog("フィルター設定", journey.id());
        rules = GetDlgItem(dialog, 8900);
        return rules != nullptr && ListRowCount(rules) == 1;
      },
      kStartTimeoutMs));
  ListSelectRow(rules, 0);
  SendMessageA(rules, WM_KEYDOWN, VK_DELETE, 0);
  ASSERT_EQ(ListRowCount(rules), 0);
  SendMessageA(GetDlgItem(dialog, 8750), WM_SETTEXT, 0,
               reinterpret_cast<LPARAM>(std::to_string(kOtherUdpPort).c_str()));
  SendMessageA(GetDlgItem(dialog, 8800), CB_SETCURSEL, 1, 0);  // one way
  Click(dialog, 9000);
  ASSERT_EQ(ListRowCount(rules), 1);
  EXPECT_EQ(ListRow(rules, 0, 5), (std::vector<std::string>{"0.0.0.0", "*", "====>", "0.0.0.0",
                                                            std::to_string(kOtherUdpPort)}));
  Click(dialog, 9100);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }, 5000));

  send_both();
  ASSERT_TRUE(WaitUntil([&] { return journey.SettledRows() == before + 3; }, kListWaitMs));
  journey.Command(kStop);
  rows = journey.Rows();
  for (int row = before; row < before + 3; ++row) {
    EXPECT_EQ(rows[row][6], std::to_string(kOtherUdpPort));
  }
  EXPECT_NE(ReadFileBytes(journey.Path("config.ini")).find("0_LIST_DEST_PORT=6363\r\n"),
            std::string::npos);
  EXPECT_EQ(journey.Close(), 0);
}

// Closing while packets pour in ends the capture, then the program, with
// status 0 and the tree state written.
TEST_F(EndToEnd, ClosingWhileCapturingEndsCleanly) {
  Journey journey("close", Settings());
  ASSERT_TRUE(journey.ready());
  Traffic traffic(address_);
  ASSERT_TRUE(journey.StartCapture()) << journey.State();
  std::atomic<bool> sending{true};
  std::atomic<int> sent{0};
  std::thread sender([&] {
    while (sending) {
      traffic.Udp(kUdpPort, "kestrel-flood");
      if (++sent % 20 == 0) Sleep(1);
    }
  });
  Sleep(1500);
  const long status = journey.Close();
  sending = false;
  sender.join();
  std::printf("close: %d datagrams sent\n", sent.load());
  EXPECT_EQ(status, 0);
  EXPECT_NE(ReadFileBytes(journey.Path("system.ini")).find("DATA=0\r\n"), std::string::npos);
}

// Asks the runner's helper (tests/windows/address-changer) to change the
// namespace's addresses, lines "add|del ADDRESS/24 kstN"; true once done.
bool ChangeAddresses(const std::string& lines) {
  const char* out = std::getenv("KESTREL_E2E_OUT");
  if (out == nullptr) return false;
  static int requests = 0;
  const std::string base =
      std::string("Z:") + out + "/address-requests/" + std::to_string(++requests);
  WriteFileBytes(base + ".tmp", lines);
  std::filesystem::rename(base + ".tmp", base + ".req");
  return WaitUntil([&] { return std::filesystem::exists(base + ".done"); }, 10000);
}

std::string Text(const in_addr& address) {
  char text[INET_ADDRSTRLEN] = {};
  inet_ntop(AF_INET, &address, text, sizeof text);
  return text;
}

// The capture-address dialog: chooses the entry that begins with `address`
// (nullptr: cancels) and returns the entry that was selected when it opened.
std::string ChooseAddress(const Journey& journey, const char* address) {
  journey.Command(kCaptureAddress);
  HWND dialog = nullptr, list = nullptr;
  EXPECT_TRUE(WaitUntil(
      [&] {
        dialog = FindDialog("キャプチャー アドレス", journey.id());
        list = GetDlgItem(dialog, kAddressList);
        return list != nullptr && SendMessageA(list, LB_GETCOUNT, 0, 0) >= 3;
      },
      kStartTimeoutMs));
  if (list == nullptr) return "";
  const std::vector<std::string> entries = ListBoxTexts(list);
  const auto selected = SendMessageA(list, LB_GETCURSEL, 0, 0);
  const std::string was = selected >= 0 ? entries[static_cast<size_t>(selected)] : "";
  int chosen = -1;
  for (size_t i = 0; address != nullptr && i < entries.size(); ++i) {
    if (entries[i].rfind(std::string(address) + "\t", 0) == 0) chosen = static_cast<int>(i);
  }
  std::string listed;
  for (const std::string& e : entries) listed += "[" + e + "]";
  EXPECT_TRUE(address == nullptr || chosen >= 0) << address << " not in " << listed;
  if (chosen >= 0) SendMessageA(list, LB_SETCURSEL, chosen, 0);
  Click(dialog, chosen >= 0 ? IDOK : IDCANCEL);
  EXPECT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }, 5000));
  return was;
}

// Captures while UDP goes to every address in `to`; the destinations of the
// rows listed.
std::set<std::string> CapturedDestinations(const Journey& journey, const std::vector<in_addr>& to) {
  std::set<std::string> seen;
  EXPECT_TRUE(journey.StartCapture()) << journey.State();
  for (const in_addr& address : to) {
    Traffic traffic(address);
    for (int i = 0; i < 3; ++i) traffic.Udp(kUdpPort, "kestrel-address");
  }
  journey.SettledRows();
  for (const auto& row : journey.Rows()) seen.insert(row[5]);
  journey.Command(kStop);
  return seen;
}

// The user picks the first of the namespace's two addresses (the automatic
// rule takes the last): only its traffic is captured, the status bar names
// it, and after a restart the dialog still has it selected.
TEST_F(EndToEnd, ChosenAddressIsCapturedAloneAndKeptAcrossARestart) {
  const std::vector<in_addr> own = NamespaceAddresses();
  ASSERT_EQ(own.size(), 2u);
  const std::string first = Text(own[0]);
  ASSERT_NE(first, address_text_) << "the automatic rule must take the other one";
  {
    Journey journey("address", Settings());
    ASSERT_TRUE(journey.ready());
    EXPECT_EQ(ChooseAddress(journey, first.c_str()).rfind("自動（最後のアドレス）\t", 0), 0u);
    EXPECT_NE(ReadFileBytes(journey.Path("config.ini")).find("\r\nCAP_IP=" + first + "\r\n"),
              std::string::npos);
    ASSERT_TRUE(journey.StartCapture());
    EXPECT_EQ(StatusPartText(journey.status, kAddressStatusPart), "アドレス：" + first);
    journey.Command(kStop);
    EXPECT_TRUE(WaitUntil(
        [&] { return StatusPartText(journey.status, kAddressStatusPart).empty(); }, 5000));
    EXPECT_EQ(CapturedDestinations(journey, own), std::set<std::string>{first});
    EXPECT_EQ(journey.Close(), 0);
  }
  Journey again("address", "");
  ASSERT_TRUE(again.ready());
  EXPECT_EQ(ChooseAddress(again, nullptr).rfind(first + "\t", 0), 0u);
  EXPECT_EQ(again.Close(), 0);
}

// The last address is replaced by another between two starts: the automatic
// rule follows it; a choice of the gone address is refused with a box that
// names it and a line in error.log.
TEST_F(EndToEnd, AnAddressReplacedBetweenStartsIsFollowedOrRefused) {
  const std::string gone = address_text_, replacement = "10.250.3.1";
  in_addr replacement_address{};
  inet_pton(AF_INET, replacement.c_str(), &replacement_address);
  for (const bool chosen : {false, true}) {
    SCOPED_TRACE(chosen ? "chosen" : "automatic");
    std::string settings = Settings();
    if (chosen) settings += "[Capture_config]\r\nCAP_IP=" + gone + "\r\n";
    Journey journey(chosen ? "address-chosen" : "address-auto", settings);
    ASSERT_TRUE(journey.ready());
    EXPECT_EQ(CapturedDestinations(journey, {address_}), std::set<std::string>{gone});
    ASSERT_TRUE(ChangeAddresses("del " + gone + "/24 kst1\nadd " + replacement + "/24 kst1\n"));
    journey.Command(kDeleteAll);
    if (chosen) {
      auto box = AnswerBox("キャプチャーエラー", IDOK, 10000, journey.id());
      journey.Command(kStart);
      EXPECT_EQ(box.get().text,
                "受信ソケットを作成できませんでした\nアドレス " + gone + " がありません");
      EXPECT_TRUE(WaitUntil([&] { return journey.State() == "状態：停止中"; }, 5000));
      EXPECT_NE(ReadFileBytes(journey.Path("error.log"))
                    .find("]ソケット作成に失敗 (bind 10049) " + gone + "\r\n"),
                std::string::npos);
    } else {
      EXPECT_EQ(CapturedDestinations(journey, {replacement_address}),
                std::set<std::string>{replacement});
    }
    EXPECT_TRUE(ChangeAddresses("del " + replacement + "/24 kst1\nadd " + gone + "/24 kst1\n"));
    EXPECT_EQ(journey.Close(), 0);
  }
}

// Without the rights to open raw sockets (the runner starts this journey a
// second time with the capability taken away; skipped otherwise), as a user
// who did not start the program as administrator: opening and saving captures
// works, and Start says why nothing can be captured.
TEST(EndToEndWithoutRights, FilesWorkAndStartExplains) {
  if (std::getenv("KESTREL_E2E_WITHOUT_RAW") == nullptr) {
    GTEST_SKIP() << "runs only without the rights to capture (KESTREL_E2E_WITHOUT_RAW)";
  }
  Journey journey("no-rights", Settings());
  ASSERT_TRUE(journey.ready());
  {
    PacketStore store;
    const uint8_t udp[28] = {0x45, 0, 0, 28, 0,  0, 0, 0, 64, 17, 0, 0, 10, 0,
                             0,    1, 10, 0, 0, 2, 0, 53, 0, 53, 0, 8, 0,  0};  // 10.0.0.1 -> .2
    for (uint16_t ms = 0; ms < 3; ++ms) {
      store.Add(udp, sizeof udp, SystemTime{2026, 12, 1, 7, 9, 30, 0, ms});
    }
    SilentProgressBar bar;
    ASSERT_EQ(SaveCaptureFile(journey.Path("given.bin").c_str(), store, bar), FileOutcome::Written);
  }
  EXPECT_EQ(journey.ThroughFileDialog(kOpen, "バイナリデータファイル読み込み", "given.bin",
                                      "読み込み完了"),
            "読み込みが完了しました");
  ASSERT_TRUE(WaitUntil([&] { return ListRowCount(journey.list) == 3; }, 5000));
  EXPECT_EQ(ListCell(journey.list, 2, 11), "2026/12/07(09:30:00.002)");
  EXPECT_EQ(journey.ThroughFileDialog(kSaveBinary, "バイナリデータファイル保存", "saved.bin",
                                      "保存完了"),
            "保存が完了しました");
  EXPECT_EQ(ReadFileBytes(journey.Path("saved.bin")), ReadFileBytes(journey.Path("given.bin")));

  auto box = AnswerBox("キャプチャーエラー", IDOK, 10000, journey.id());
  journey.Command(kStart);
  const AnsweredBox seen = box.get();
  EXPECT_EQ(seen.text, "受信ソケットを作成できませんでした\n管理者として実行してください");
  EXPECT_TRUE(seen.has_icon);  // which one cannot be told across processes
  EXPECT_TRUE(WaitUntil([&] { return journey.State() == "状態：停止中"; }, 5000));
  EXPECT_NE(ReadFileBytes(journey.Path("error.log")).find("]ソケット作成に失敗 (socket 10013)\r\n"),
            std::string::npos);
  EXPECT_EQ(journey.Close(), 0);
}

}  // namespace
