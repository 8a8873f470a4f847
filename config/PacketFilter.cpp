// The packet filter on the capture thread: one stamp check of config.ini per
// packet, a fresh read of the filter's keys only when the file has changed.
#include "config/PacketFilter.h"

#include <new>

#include "config/ConfigFile.h"
#include "config/FilterView.h"
#include "config/ProfileFileCache.h"
#include "packet/HeaderDecoders.h"

namespace {

struct FilterState {
  ProfileFileCache file{kConfigPath};
  FilterView view;
};

// Per thread, so a call from any thread is safe without a lock; in the
// program only the capture thread calls.
FilterState& ThisThreadsState() {
  thread_local FilterState state;
  return state;
}

}  // namespace

namespace PacketFilter {

int Accept(const uint8_t* bytes, int32_t count) {
  IpHeader ip;
  if (!DecodeIpHeader(ip, bytes, count)) return 0;
  FilterState& state = ThisThreadsState();
  try {
    if (state.file.Refresh()) state.view = ReadFilterView(state.file.snapshot());
  } catch (const std::bad_alloc&) {
    state.view = FilterView{};
    state.file.Forget();
  }
  return DecidePacket(state.view, bytes, count);
}

}  // namespace PacketFilter
