// The packet filter: decides for each received datagram whether it enters the
// store, from the protocol switches and the address/port rules of one settings
// file, and answers whether a full store overwrites its oldest packets.
//
// A save through ConfigFile::Write applies from the next packet on; a hand edit
// from the first packet after its change notice, and within 100 ms in any
// case. The file is neither parsed nor even looked at for every packet: the
// filter keeps a parsed copy, read again when the settings' change count moved
// and otherwise checked against the file's stamp (identity, size, modification
// time, and the bytes while the time stamp is too recent to trust) at most
// every 100 ms.
//
// Used by one thread (in the program the capture thread); only WatchForChanges
// and the destructor belong to the owner.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <thread>  // std::chrono without <chrono>

#include "config/ConfigWatcher.h"
#include "config/FilterRules.h"
#include "config/ProfileFileCache.h"

class PacketFilter {
 public:
  explicit PacketFilter(std::string settings_path);
  PacketFilter(const PacketFilter&) = delete;
  PacketFilter& operator=(const PacketFilter&) = delete;

  // Starts the watcher thread that turns change notices on the settings file's
  // folder into the change count, so that a hand edit applies from the next
  // packet instead of within the stamp check's interval. It ends with the
  // filter. Without it the stamp check alone finds hand edits.
  void WatchForChanges();
  bool Watching() const { return watcher_ != nullptr && watcher_->Active(); }

  // 1 to keep the datagram (which begins with its IPv4 header), 0 to drop it.
  int Accept(const uint8_t* bytes, int32_t count);

  // 1 when RING_ROOP is 1: a full store overwrites its oldest packets. Read from
  // the same copy as Accept, so a capture in overwrite mode does not read the
  // file for every packet.
  int OverwriteWhenFull();

  const std::string& settings_path() const { return path_; }

 private:
  void BringUpToDate();

  std::string path_;
  ProfileFileCache file_;
  FilterRules rules_;
  int ring_roop_ = 0;
  uint64_t seen_changes_ = 0;
  bool loaded_ = false;
  std::chrono::steady_clock::time_point next_stamp_check_{};
  std::unique_ptr<ConfigWatcher> watcher_;
};
