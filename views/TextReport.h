// The text report: a time-stamped header with the packet count, then per
// packet its addresses, receive time, size, decoded transport header and a hex
// dump of all its bytes. CR LF line ends, code page 932. Runs on the capture
// thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "log/BufferedFileWriter.h"
#include "packet/CapturedPacket.h"
#include "packet/PacketStore.h"
#include "views/Panes.h"

// Writes the report of every record of the store to `path` through one
// buffered file and, once it is closed, tells the user the outcome. 1 when the
// whole report was written; 0 when the file could not be created or written
// (the export stops at the first failed write, what was written stays, and the
// failure is logged).
// While `running` (null: always) is not 0; when it drops to 0 the export stops
// at the next packet, shows nothing and leaves no incomplete file.
int ExportTextReport(const char* path, const PacketStore& store, ProgressBar& progress,
                     MessageBoxes& boxes, const std::atomic<int32_t>* running = nullptr);

// The report's first lines: the time-stamp prefix of now, then the title, the
// packet count and the ruler. false once the writer has failed.
bool WriteTextReportHeader(BufferedFileWriter& out, uint32_t count);

// Appends the report lines and the "Data" hex-dump block of one packet, store
// index `index`. 1 appended; 0 nothing appended, because the IP header does not
// decode (such a packet leaves no trace in the report); -1 memory ran out (out
// may hold part of the packet's text).
int AppendPacketReport(std::string& out, int32_t index, const CapturedPacket& packet);
