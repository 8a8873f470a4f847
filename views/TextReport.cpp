// The text report. Each packet's lines and its hex-dump block are formatted
// into one reused string and handed to one buffered file; the bytes are those
// of writing each line and the block on its own.
#include "views/TextReport.h"

#include <cstdarg>
#include <cstdio>
#include <new>
#include <string>

#include "log/BufferedFileWriter.h"
#include "log/HexDumpBlock.h"
#include "log/LogWriter.h"
#include "log/PrintfFormat.h"
#include "views/FileProgress.h"
#include "packet/HeaderDecoders.h"
#include "log/ReplacingFile.h"
#include "packet/TcpFlagText.h"

namespace {

KESTREL_PRINTF_FORMAT(2, 3)
void AppendLine(std::string& out, const char* format, ...) {
  char line[256];
  va_list args;
  va_start(args, format);
  std::vsnprintf(line, sizeof line, format, args);
  va_end(args);
  out += line;
}

void AppendTransportLines(std::string& out, const CapturedPacket& packet, const IpHeader& ip) {
  const int32_t size = static_cast<int32_t>(packet.size);
  switch (ip.protocol) {
    case kProtocolIcmp: {
      out += "ICMP\r\n";
      IcmpHeader icmp{};
      if (!DecodeIcmpHeader(icmp, packet.data, size)) {
        out += "???ICMP???\r\n";
        return;
      }
      AppendLine(out, "    Type: %d\r\n", int{icmp.type});
      AppendLine(out, "    Code: %d\r\n", int{icmp.code});
      return;
    }
    case kProtocolTcp: {
      TcpHeader tcp{};
      if (!DecodeTcpHeader(tcp, packet.data, size)) {
        out += "???TCP???\r\n";
        return;
      }
      char flags[kTcpFlagTextCapacity];
      FormatTcpFlagText(flags, tcp.control_flags);
      AppendLine(out, "%s    [%d] -> [%d]\r\n", flags, int{tcp.source_port},
                 int{tcp.destination_port});
      AppendLine(out, "    Sequence number: %u    Acknowledgement: %u\r\n", tcp.sequence_number,
                 tcp.acknowledgement_number);
      AppendLine(out, "    TCP Data Length: %u\r\n", static_cast<uint32_t>(TcpDataLength(ip, tcp)));
      return;
    }
    case kProtocolUdp: {
      UdpHeader udp{};
      if (!DecodeUdpHeader(udp, packet.data, size)) {
        out += "???UDP???\r\n";
        return;
      }
      AppendLine(out, "UDP    [%d] -> [%d]\r\n", int{udp.source_port}, int{udp.destination_port});
      // The report takes the UDP header's own length, not the IP total length.
      AppendLine(out, "    UDP Data Length: %u\r\n",
                 static_cast<uint32_t>(int32_t{udp.length} - 8));
      return;
    }
    default:
      out += "?????????\r\n";
      return;
  }
}

}  // namespace

int AppendPacketReport(std::string& out, int32_t index, const CapturedPacket& packet) {
  IpHeader ip{};
  if (!DecodeIpHeader(ip, packet.data, static_cast<int32_t>(packet.size))) return 0;
  try {
    AppendLine(out, "Packet %d: %d.%d.%d.%d -> %d.%d.%d.%d\r\n", index, ip.source[0], ip.source[1],
               ip.source[2], ip.source[3], ip.destination[0], ip.destination[1], ip.destination[2],
               ip.destination[3]);
    const SystemTime& t = packet.time;
    AppendLine(out, "    RecvTime         : %04d/%02d/%02d(%02d:%02d:%02d.%d)\r\n", t.year, t.month,
               t.day, t.hour, t.minute, t.second, t.milliseconds);
    AppendLine(out, "    Packet Total Size: %u\r\n", unsigned{ip.total_length});
    AppendTransportLines(out, packet, ip);
  } catch (const std::bad_alloc&) {
    return -1;
  }
  return AppendHexDumpBlock(out, "Data", packet.data, static_cast<int32_t>(packet.size)) ? 1 : -1;
}

bool WriteTextReportHeader(BufferedFileWriter& out, uint32_t count) {
  std::string header;
  try {
    header = LogWriter::TimeStampPrefix();
    AppendLine(header,
               " Packet Capture Data\r\n"
               "  Packet Count :%d\r\n"
               "-----------------------------------------------------------------\r\n"
               "\r\n",
               static_cast<int32_t>(count));
  } catch (const std::bad_alloc&) {
    return false;
  }
  return out.Write(header);
}

FileOutcome ExportTextReport(const char* path, const PacketStore& store, ProgressBar& progress,
                             const KeepGoing& keep_going) {
  const uint32_t count = store.Count();
  FileProgress file_progress(progress, count);

  ReplacingFile file;
  BufferedFileWriter& out = file.writer();
  bool written = file.Open(path) && WriteTextReportHeader(out, count);
  std::string text;
  for (uint32_t i = 0; written && i < count; ++i) {
    if (!keep_going()) {
      written = false;
      break;
    }
    // A packet that is gone or whose IP header does not decode leaves no
    // trace; the following packets keep their own index.
    CapturedPacket packet;
    text.clear();
    if (store.Get(static_cast<int32_t>(i), packet)) {
      const int appended = AppendPacketReport(text, static_cast<int32_t>(i), packet);
      if (appended == 1) written = out.Write(text);
      if (appended < 0) written = false;
    }
    file_progress.RecordDone();
  }
  file_progress.Finish();
  const FileOutcome outcome = EndOfWrite(file, written, keep_going);
  progress.SetPosition(0);
  return outcome;
}
