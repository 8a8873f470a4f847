// The binary capture file: a 64-byte signature field holding "Kestrel_Scan",
// a signed 32-bit packet count, then per packet a 20-byte little-endian record
// header (size, then the eight 16-bit receive-time fields) and the datagram's
// bytes, up to the end of the file. Both operations run on the capture thread.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "log/BufferedFileWriter.h"
#include "capturefile/CaptureFileFormat.h"
#include "packet/CaptureRequest.h"
#include "packet/CapturedPacket.h"
#include "packet/PacketStore.h"
#include "views/Panes.h"

// Writes every record of the store to `path` through one buffered file and,
// once it is closed, tells the user the outcome. 1 when the whole file was
// written; 0 when it could not be created or written (the save stops at the
// first failed write, what was written stays, and the failure is logged).
// While `running` (null: always) is not 0; when it drops to 0 the save stops
// at the next record, shows nothing and leaves no incomplete file.
int SaveCaptureFile(const char* path, const PacketStore& store, ProgressBar& progress,
                    MessageBoxes& boxes, const std::atomic<int32_t>* running = nullptr);

// The pieces of a save, for writers that produce records one at a time: the
// 68-byte file header for `count` records, and one record (its 20-byte header
// and its bytes). false once the writer has failed.
bool WriteCaptureFileHeader(BufferedFileWriter& out, uint32_t count);
bool WriteCaptureRecord(BufferedFileWriter& out, const CapturedPacket& packet);

// Adds the file's records to the store. 1 success (also for a file that ends
// inside a record, and when the store fills up); 0 invalid file: it cannot be
// opened, its signature is wrong, a record is larger than
// kCaptureFileMaxRecordSize, or reading fails. Records read before a failure
// stay in the store.
// When `running` (null: always) drops to 0, no further record is added.
int LoadCaptureFile(const char* path, PacketStore& store, ProgressBar& progress,
                    MessageBoxes& boxes, CaptureStopSink& stops,
                    const std::atomic<int32_t>* running = nullptr);
