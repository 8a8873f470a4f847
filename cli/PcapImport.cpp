// pcap_open_offline reads both classic pcap and pcapng; each frame goes through
// the link-layer parser, each kept datagram to the receiver as it is read.
#include "cli/PcapImport.h"

#include <pcap/pcap.h>

#include "cli/LinkLayer.h"
#include "cli/LocalTimeConversion.h"

namespace {

class PcapHandle {
 public:
  explicit PcapHandle(pcap_t* handle) : handle_(handle) {}
  ~PcapHandle() {
    if (handle_ != nullptr) pcap_close(handle_);
  }
  PcapHandle(const PcapHandle&) = delete;
  PcapHandle& operator=(const PcapHandle&) = delete;
  pcap_t* get() const { return handle_; }

 private:
  pcap_t* handle_;
};

// File names are UTF-8 on both platforms (CliFiles.h): libpcap takes them so
// once told, on Windows through its wide-character calls.
void UseUtf8Names() {
  static const bool told = [] {
    char error_buffer[PCAP_ERRBUF_SIZE] = {};
    return pcap_init(PCAP_CHAR_ENC_UTF_8, error_buffer) == 0;
  }();
  static_cast<void>(told);
}

std::string LinkTypeName(int link_type) {
  const char* name = pcap_datalink_val_to_name(link_type);
  std::string text = "link type " + std::to_string(link_type);
  if (name != nullptr) text += std::string(" (") + name + ")";
  return text;
}

}  // namespace

PcapImportResult ImportPcapFile(const std::string& path, const DatagramReceiver& keep,
                                PcapImportCounts& counts, std::string& message) {
  UseUtf8Names();
  char error_buffer[PCAP_ERRBUF_SIZE] = {};
  PcapHandle pcap(pcap_open_offline(path.c_str(), error_buffer));
  if (pcap.get() == nullptr) {
    message = error_buffer;
    return PcapImportResult::Failed;
  }
  const int link_type = pcap_datalink(pcap.get());
  if (!IsSupportedLinkType(link_type)) {
    message = "unsupported " + LinkTypeName(link_type);
    return PcapImportResult::Failed;
  }

  for (;;) {
    pcap_pkthdr* header = nullptr;
    const u_char* frame = nullptr;
    const int next = pcap_next_ex(pcap.get(), &header, &frame);
    if (next == PCAP_ERROR_BREAK) return PcapImportResult::Complete;
    if (next != 1) {
      message = pcap_geterr(pcap.get());
      return PcapImportResult::Partial;
    }
    ++counts.read;

    const FrameResult found = FindIpv4Datagram(link_type, frame, header->caplen);
    if (found.verdict == FrameVerdict::NotIpv4) {
      ++counts.not_ipv4;
      continue;
    }
    CapturedPacket datagram;
    if (found.verdict == FrameVerdict::Malformed ||
        !EpochToLocalTime(header->ts.tv_sec, header->ts.tv_usec, datagram.time)) {
      ++counts.malformed;
      continue;
    }
    datagram.size = found.length;
    datagram.data = frame + found.offset;
    if (!keep(datagram)) return PcapImportResult::Failed;
    ++counts.kept;
  }
}
