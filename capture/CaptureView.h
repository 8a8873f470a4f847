// Everything the capture thread shows or asks: the three panes, the status
// bar, the progress bar, message boxes, the report to the capture page that
// capturing stopped, and the file dialogs of the save and open commands. The
// Win32 edge implements it with synchronous window messages and the common
// dialogs (owned by the capture page); tests implement it with recorders.
#pragma once

#include <string>

#include "views/PacketList.h"
#include "views/Panes.h"

// The capture thread stopped capturing by itself (a full store, a receive
// error, no socket): the page shows the stopped state, unless a command the
// user gave meanwhile still waits (its own state text stands). Synchronous.
class CaptureStopSink {
 public:
  virtual ~CaptureStopSink() = default;
  virtual void CaptureStopped() = 0;
};

// Flag values of the Win32 file dialogs (OPENFILENAME::Flags).
inline constexpr unsigned kOfnHideReadOnly = 0x4;
inline constexpr unsigned kOfnNoChangeDir = 0x8;
inline constexpr unsigned kOfnPathMustExist = 0x800;
inline constexpr unsigned kOfnFileMustExist = 0x1000;

// What a file dialog is to look like. The dialog starts in the process's
// current directory, with no initial file name and filter index 0; the chosen
// path fits the platform's 260-byte file-name buffer.
struct FileDialogRequest {
  // Description/pattern pairs, each text ending in a NUL, the list ending in a
  // second NUL: the layout of OPENFILENAME::lpstrFilter.
  const char* filter;
  const char* title;
  const char* default_extension;
  unsigned flags;  // kOfn... values, passed to the dialog unchanged
};

// Status-bar part of the address being captured: set when a capture's socket
// opens, emptied when it closes. Parts 0 to 2 hold the state, the counts and
// the progress bar.
inline constexpr int kAddressStatusPart = 3;

class CaptureView {
 public:
  virtual ~CaptureView() = default;

  // Where the capture thread's packet list hands its changes over.
  virtual PacketListSink& List() = 0;
  virtual TreePane& Tree() = 0;
  virtual HexPane& Hex() = 0;
  virtual StatusText& Status() = 0;
  virtual ProgressBar& Progress() = 0;
  virtual MessageBoxes& Boxes() = 0;
  virtual CaptureStopSink& Stops() = 0;

  // The save and open dialogs: 1 with the chosen path, 0 when cancelled.
  virtual int ShowSaveDialog(const FileDialogRequest& request, std::string& path) = 0;
  virtual int ShowOpenDialog(const FileDialogRequest& request, std::string& path) = 0;

  // 1 when `path` names a file that can be opened for reading (the test
  // before the overwrite question); OpensForReading is the usual answer.
  virtual int FileExists(const char* path) = 0;
};

// Opens `path` for reading (mode "r") and closes it again: 1 when that worked.
int OpensForReading(const char* path);
