// The packet filter on the capture thread: a parsed copy of config.ini that is
// brought up to date when the settings' change count moved (a save in this
// process, a change notice from the watcher) and otherwise by a stamp check
// at most every kStampCheckInterval, so that no packet pays a system call.
#include "config/PacketFilter.h"

#include <new>
#include <thread>  // std::chrono without <chrono>

#include "config/ConfigFile.h"
#include "config/FilterView.h"
#include "config/ProfileFileCache.h"
#include "packet/HeaderDecoders.h"

namespace {

constexpr auto kStampCheckInterval = std::chrono::milliseconds(100);

struct FilterState {
  ProfileFileCache file{kConfigPath};
  FilterView view;
  int ring_roop = 0;
  uint64_t seen_changes = 0;
  bool loaded = false;
  std::chrono::steady_clock::time_point next_stamp_check{};
};

// Per thread, so a call from any thread is safe without a lock; in the
// program only the capture thread calls.
FilterState& ThisThreadsState() {
  thread_local FilterState state;
  return state;
}

void BringUpToDate(FilterState& state) {
  // The count is read before the file, so a change during the read moves it
  // again and is looked at with the next packet.
  const uint64_t changes = ConfigFile::ChangeCount();
  const auto now = std::chrono::steady_clock::now();
  const bool changed = !state.loaded || changes != state.seen_changes;
  if (!changed && now < state.next_stamp_check) return;
  state.seen_changes = changes;
  state.next_stamp_check = now + kStampCheckInterval;
  state.loaded = true;
  try {
    if (state.file.Refresh(changed)) {
      state.view = ReadFilterView(state.file.snapshot());
      state.ring_roop = state.file.snapshot().ReadInt("Common_config", "RING_ROOP", 0);
    }
  } catch (const std::bad_alloc&) {
    state.view = FilterView{};
    state.ring_roop = 0;
    state.file.Forget();
    state.loaded = false;
  }
}

}  // namespace

namespace PacketFilter {

int Accept(const uint8_t* bytes, int32_t count) {
  IpHeader ip;
  if (!DecodeIpHeader(ip, bytes, count)) return 0;
  FilterState& state = ThisThreadsState();
  BringUpToDate(state);
  return DecidePacket(state.view, ip, bytes, count);
}

int OverwriteWhenFull() {
  FilterState& state = ThisThreadsState();
  BringUpToDate(state);
  return state.ring_roop == 1 ? 1 : 0;
}

}  // namespace PacketFilter
