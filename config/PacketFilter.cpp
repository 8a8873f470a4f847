// The filter's parsed copy of the settings file, brought up to date when the
// settings' change count moved (a save in this process, a change notice from
// the watcher) and otherwise by a stamp check at most every kStampCheckInterval,
// so that no packet pays a system call.
#include "config/PacketFilter.h"

#include <new>

#include "config/ConfigFile.h"
#include "packet/HeaderDecoders.h"

namespace {

constexpr auto kStampCheckInterval = std::chrono::milliseconds(100);

}  // namespace

PacketFilter::PacketFilter(std::string settings_path)
    : path_(std::move(settings_path)), file_(path_) {}

void PacketFilter::WatchForChanges() {
  // Out of memory: no watcher, and the stamp check alone finds hand edits.
  if (watcher_ == nullptr) watcher_.reset(new (std::nothrow) ConfigWatcher(path_));
}

int PacketFilter::Accept(const uint8_t* bytes, int32_t count) {
  IpHeader ip;
  if (!DecodeIpHeader(ip, bytes, count)) return 0;
  BringUpToDate();
  return DecidePacket(rules_, ip, bytes, count);
}

int PacketFilter::OverwriteWhenFull() {
  BringUpToDate();
  return ring_roop_ == 1 ? 1 : 0;
}

void PacketFilter::BringUpToDate() {
  // The count is read before the file, so a change during the read moves it
  // again and is looked at with the next packet.
  const uint64_t changes = ConfigFile::ChangeCount();
  const auto now = std::chrono::steady_clock::now();
  const bool changed = !loaded_ || changes != seen_changes_;
  if (!changed && now < next_stamp_check_) return;
  seen_changes_ = changes;
  next_stamp_check_ = now + kStampCheckInterval;
  loaded_ = true;
  try {
    if (file_.Refresh(changed)) {
      rules_ = ReadFilterRules(file_.snapshot());
      ring_roop_ = file_.snapshot().ReadInt("Common_config", "RING_ROOP", 0);
    }
  } catch (const std::bad_alloc&) {
    rules_ = FilterRules{};
    ring_roop_ = 0;
    file_.Forget();
    loaded_ = false;
  }
}
