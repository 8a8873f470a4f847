// The binary capture file: a 64-byte signature field holding "Kestrel_Scan",
// a signed 32-bit packet count, then per packet a 20-byte little-endian record
// header (size, then the eight 16-bit receive-time fields) and the datagram's
// bytes, up to the end of the file. Both operations run on the capture thread
// and move `progress` by the records done, leaving it at 0.
#pragma once

#include <cstdint>
#include <functional>

#include "log/BufferedFileWriter.h"
#include "capturefile/CaptureFileFormat.h"
#include "packet/CapturedPacket.h"
#include "log/FileOutcome.h"
#include "packet/PacketStore.h"
#include "views/Panes.h"

// Writes every record of the store to `path`, replacing the file of that name
// whole or not at all (log/ReplacingFile.h). Written; WriteFailed when the new
// file could not be created, written or put in place (the save stops at the
// first failed write); CutShort when `keep_going` ended it. Unless Written,
// `path` is left exactly as it was, existing or not.
FileOutcome SaveCaptureFile(const char* path, const PacketStore& store, ProgressBar& progress,
                            const KeepGoing& keep_going = kAlwaysKeepGoing);

// The pieces of a save, for writers that produce records one at a time: the
// 68-byte file header for `count` records, and one record (its 20-byte header
// and its bytes). false once the writer has failed.
bool WriteCaptureFileHeader(BufferedFileWriter& out, uint32_t count);
bool WriteCaptureRecord(BufferedFileWriter& out, const CapturedPacket& packet);

// Adds the file's records to the store. Loaded also for a file that ends
// inside a record; InvalidFile for a wrong signature or a record larger than
// kCaptureFileMaxRecordSize; Unreadable when it cannot be opened, read or
// closed; StoreFull or OutOfMemory when the store refuses a record; CutShort
// when `keep_going` ended it. Records read before any of these stay in the
// store.
// `stored` is called after every few records added, while they are still in
// the cache: for the packet list to gather their rows.
FileOutcome LoadCaptureFile(const char* path, PacketStore& store, ProgressBar& progress,
                            const KeepGoing& keep_going = kAlwaysKeepGoing,
                            const std::function<void()>& stored = {});
