// Reads the store limit and the receive interval from the settings file and
// hands them to the capture thread through the shared values. A hand-edited
// file may hold anything: both values are clamped to what their readers can use.
#include "capture/CaptureSettings.h"

#include <algorithm>

#include "config/ConfigFile.h"

void ApplyCaptureSettings(CaptureControl& control, PacketStore& store) {
  const int ring_max = ConfigFile::ReadInt("Common_config", "RING_MAX", 0);
  store.SetLimitKbytes(std::max(ring_max, 0));
  const int cap_fps = ConfigFile::ReadInt("Common_config", "CAP_FPS", 10);
  control.receive_interval_ms.store(std::clamp(cap_fps, 0, int{kMaxReceiveIntervalMs}));
}
