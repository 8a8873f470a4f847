// One output file written from start to end through a large buffer: the
// capture file and the text report, which used to open, write and close the
// file once per record. The file is created (or emptied) by Open and is
// complete only when Close has returned true.
//
// The first failed write stops the writer: later writes are refused without
// touching the file, so a caller may check once per record or only at Close.
// The writer owns its file alone and takes no lock; the log lock serialises
// only the short calls of LogWriter.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>

#include "log/WriteOnlyFile.h"

class BufferedFileWriter {
 public:
  static constexpr size_t kBufferBytes = size_t{1} << 20;

  BufferedFileWriter() = default;
  ~BufferedFileWriter() { Close(); }
  BufferedFileWriter(const BufferedFileWriter&) = delete;
  BufferedFileWriter& operator=(const BufferedFileWriter&) = delete;

  // Creates or empties `path`. false when it cannot be opened or the buffer
  // not allocated.
  bool Open(const char* path);
  // The same for a descriptor the caller opened for writing, by a name the
  // narrow open cannot reach (the command-line tool's wide names on Windows);
  // the writer closes it. false for a negative descriptor.
  bool OpenDescriptor(int descriptor);

  // Appends the bytes. false once any write has failed.
  bool Write(const void* bytes, size_t count);
  bool Write(std::string_view text) { return Write(text.data(), text.size()); }

  // Writes out what is buffered, keeping the file open (a live capture hands
  // each burst to the reader of a pipe): false once any write has failed.
  bool Flush();

  // Writes out what is buffered and closes the file: true when every write
  // and the close succeeded.
  bool Close();

  bool ok() const { return ok_; }

  // A full disk for tests: while one exists, each writer opened after it
  // hands its file at most `bytes` bytes, then fails its writes as a full
  // disk does. One at a time.
  class FullDiskForTesting {
   public:
    explicit FullDiskForTesting(size_t bytes);
    ~FullDiskForTesting();
    FullDiskForTesting(const FullDiskForTesting&) = delete;
    FullDiskForTesting& operator=(const FullDiskForTesting&) = delete;
  };

 private:
  bool AllocateBuffer();
  bool WriteToFile(const void* bytes, size_t count);

  std::optional<WriteOnlyFile> file_;
  std::unique_ptr<char[]> buffer_;
  size_t used_ = 0;
  size_t room_ = SIZE_MAX;  // bytes the file takes before it is full
  bool ok_ = false;
};
