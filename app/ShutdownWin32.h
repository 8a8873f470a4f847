// The ordered shutdown: stop the capture thread, release the store (and the
// page's panes), stop the idle thread, remove the log lock, behind a small
// modeless wait dialog whose spinner turns while the GUI thread waits.
#pragma once

#include <windows.h>

inline constexpr const char* kShutdownStageCaptureThread = "キャプチャースレッド終了処理中･･･";
inline constexpr const char* kShutdownStageMainThread = "メインスレッド終了処理中･･･";

// The spinner's four pictures, shown in this order.
inline constexpr const char* kShutdownSpinnerTexts[] = {"―", "＼", "｜", "／"};

// Marks a new main window: its ShutdownSequence will run (once).
void ArmShutdownSequence();

// Runs the sequence for `main` (the owner of the wait dialog). It runs once per
// main window: from WM_DESTROY, or after a failed initialisation, whichever
// comes first. The caller posts the quit message afterwards.
void ShutdownSequence(HWND main);
