// The commands that print what the window shows: the packet list (list) and
// the detail tree with the hex dump (show), both built by the core's own
// presentation code into collecting panes.
#include <string>

#include "cli/CliCommands.h"
#include "cli/CliPanes.h"
#include "cli/ConsoleOutput.h"
#include "cli/PacketListing.h"
#include "packet/DetailTree.h"

namespace {

int FinishOutput(ConsoleOutput& console, const CliStreams& streams) {
  if (console.Finish()) return 0;
  return ReportFailure(streams, "cannot write to standard output");
}

void PrintPacketDetail(int32_t index, const PacketStore& store, ConsoleOutput& console) {
  TreeExpansionFlags all_open;
  all_open.ip = all_open.icmp = all_open.tcp = all_open.udp = all_open.data = 1;
  DetailTreeItems items;
  TextTreePane tree;
  TextHexPane hex;
  ShowPacketDetail(index, store, tree, hex, all_open, items);
  // Tree lines under DATA and the hex pane carry packet bytes.
  for (const std::string& line : tree.Lines()) console.Line(line, true);
  console.CrLfText(hex.text(), true);
}

}  // namespace

int RunList(const CliArguments& args, const CliStreams& streams) {
  PacketStore store;
  if (!LoadCaptureInput(args.input, store, streams)) return 1;

  CollectingListPane list;
  if (!ListAllPackets(store, list)) return ReportFailure(streams, "out of memory");

  ConsoleOutput console(streams.out, streams.cp932);
  for (const CollectingListPane::Row& row : list.rows()) {
    std::string line = row[0];
    for (size_t column = 1; column < row.size(); ++column) line += '\t' + row[column];
    console.Line(line);
  }
  return FinishOutput(console, streams);
}

int RunShow(const CliArguments& args, const CliStreams& streams) {
  PacketStore store;
  if (!LoadCaptureInput(args.input, store, streams)) return 1;

  const uint32_t count = store.Count();
  ConsoleOutput console(streams.out, streams.cp932);
  if (args.has_index) {
    if (static_cast<uint32_t>(args.index) >= count) {
      return ReportFailure(streams, "no packet " + std::to_string(args.index) + ": '" + args.input +
                                        "' holds " + std::to_string(count) + " packets");
    }
    PrintPacketDetail(args.index, store, console);
    return FinishOutput(console, streams);
  }
  for (uint32_t i = 0; i < count; ++i) {
    if (i > 0) console.Line("");
    console.Line("Packet " + std::to_string(i));
    PrintPacketDetail(static_cast<int32_t>(i), store, console);
  }
  return FinishOutput(console, streams);
}
