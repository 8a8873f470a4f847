// The two capture settings the capture page applies at its creation and on
// ID_RELOAD_CAPTURE_SETTINGS, shared by the page and the tests.
#pragma once

#include <cstdint>

#include "capture/CaptureControl.h"
#include "packet/PacketStore.h"

// Longest pause after a capture pass that CAP_FPS can ask for.
inline constexpr int32_t kMaxReceiveIntervalMs = 9999;

// Applies RING_MAX (Kbyte, default 0; negative as 0) to the store's limit and
// CAP_FPS (default 10; clamped to 0..kMaxReceiveIntervalMs) to
// receive_interval_ms, both from section Common_config of config.ini.
void ApplyCaptureSettings(CaptureControl& control, PacketStore& store);
