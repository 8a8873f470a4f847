// The commands that print what the window shows: the packet list (list) and
// the detail tree with the hex dump (show), both built by the core's own
// presentation code, one packet at a time.
#include <string>

#include "cli/CaptureInput.h"
#include "cli/CliCommands.h"
#include "cli/CliPanes.h"
#include "cli/ConsoleOutput.h"
#include "cli/PacketListing.h"
#include "views/DetailTree.h"
#include "views/HexDump.h"

namespace {

int FinishOutput(ConsoleOutput& console, const CliStreams& streams) {
  if (console.Finish()) return 0;
  return ReportFailure(streams, "cannot write to standard output");
}

// The tree with every branch open and the hex pane, as the window shows them
// for the selected packet.
class PacketDetailPrinter {
 public:
  explicit PacketDetailPrinter(ConsoleOutput& console) : console_(console) {
    all_open_.ip = all_open_.icmp = all_open_.tcp = all_open_.udp = all_open_.data = 1;
  }

  void Print(const CapturedPacket& packet) {
    tree_.DeleteAllItems();
    BuildDetailTree(packet, tree_, all_open_, items_);
    ShowHexDump(hex_, packet.data, packet.size);
    // Tree lines under DATA and the hex pane carry packet bytes.
    for (const std::string& line : tree_.Lines()) console_.Line(line, true);
    console_.CrLfText(hex_.text(), true);
  }

 private:
  ConsoleOutput& console_;
  TreeExpansionFlags all_open_;
  DetailTreeItems items_;
  TextTreePane tree_;
  TextHexPane hex_;
};

}  // namespace

int RunList(const CliArguments& args, const CliStreams& streams) {
  uint64_t count = 0;
  if (!CheckCaptureInput(args.input, streams, count)) return 1;

  ConsoleOutput console(streams.out, streams.cp932);
  PacketListing listing;
  ListRowTexts row;
  const char* cells[kListColumnCount];
  for (int column = 0; column < kListColumnCount; ++column) cells[column] = row.cells[column];
  const bool read = ReadCaptureInput(args.input, streams, [&](uint64_t, const CapturedPacket& p) {
    listing.NextRow(p, row);
    console.TabSeparated(cells, kListColumnCount);
    return true;
  });
  if (!read) return 1;
  return FinishOutput(console, streams);
}

int RunShow(const CliArguments& args, const CliStreams& streams) {
  uint64_t count = 0;
  if (!CheckCaptureInput(args.input, streams, count)) return 1;

  ConsoleOutput console(streams.out, streams.cp932);
  PacketDetailPrinter printer(console);
  if (args.has_index && static_cast<uint64_t>(args.index) >= count) {
    return ReportFailure(streams, "no packet " + std::to_string(args.index) + ": '" + args.input +
                                      "' holds " + std::to_string(count) + " packets");
  }
  const bool read = ReadCaptureInput(args.input, streams, [&](uint64_t i, const CapturedPacket& p) {
    if (args.has_index) {
      if (i < static_cast<uint64_t>(args.index)) return true;
      printer.Print(p);
      return false;
    }
    if (i > 0) console.Line("");
    console.Line("Packet " + std::to_string(i));
    printer.Print(p);
    return true;
  });
  if (!read) return 1;
  return FinishOutput(console, streams);
}
