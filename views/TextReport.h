// The text report: a time-stamped header with the packet count, then per
// packet its addresses, receive time, size, decoded transport header and a hex
// dump of all its bytes. CR LF line ends, code page 932. Runs on the capture
// thread.
#pragma once

#include <cstdint>
#include <string>

#include "log/BufferedFileWriter.h"
#include "packet/CapturedPacket.h"
#include "log/FileOutcome.h"
#include "packet/PacketStore.h"
#include "views/Panes.h"

// Writes the report of every record of the store to `path`, replacing the
// file of that name whole or not at all (log/ReplacingFile.h), moving
// `progress` by the records done and leaving it at 0. Written; WriteFailed
// when the new file could not be created, written or put in place (the export
// stops at the first failed write); CutShort when `keep_going` ended it.
// Unless Written, `path` is left exactly as it was, existing or not.
FileOutcome ExportTextReport(const char* path, const PacketStore& store, ProgressBar& progress,
                             const KeepGoing& keep_going = kAlwaysKeepGoing);

// The report's first lines: the time-stamp prefix of now, then the title, the
// packet count and the ruler. false once the writer has failed.
bool WriteTextReportHeader(BufferedFileWriter& out, uint32_t count);

// Appends the report lines and the "Data" hex-dump block of one packet, store
// index `index`. 1 appended; 0 nothing appended, because the IP header does not
// decode (such a packet leaves no trace in the report); -1 memory ran out (out
// may hold part of the packet's text).
int AppendPacketReport(std::string& out, int32_t index, const CapturedPacket& packet);
