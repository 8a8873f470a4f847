// A capture file given to a command, read one record at a time with the
// program's own acceptance rules (capturefile/CaptureFileReader.h), so memory stays
// bounded whatever the file's size. A file the program would refuse is refused
// before anything is printed or written: commands that print check the whole
// file in a first pass, which also counts its records, and read it again
// (from the page cache) to print.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "cli/CliCommands.h"
#include "packet/CapturedPacket.h"

// Takes record `index` (its bytes are valid during the call only); false
// stops the reading early.
using CaptureRecordVisitor = std::function<bool(uint64_t index, const CapturedPacket& packet)>;

// Reads the records of `path` in order and hands each to `visit`. true when
// the file was read to its end or the visitor stopped; false, with the reason
// printed, when the file cannot be opened, is not a valid capture file, or
// cannot be read.
bool ReadCaptureInput(const std::string& path, const CliStreams& streams,
                      const CaptureRecordVisitor& visit);

// The first pass: checks the whole file and counts its records. false, with
// the reason printed, as ReadCaptureInput.
bool CheckCaptureInput(const std::string& path, const CliStreams& streams, uint64_t& count);
