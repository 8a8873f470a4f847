// The capture thread's window messages, message boxes and file dialogs.
#include "app/CaptureViewWin32.h"

#include <commctrl.h>
#include <commdlg.h>

#include <cstdint>

#include "app/CapturePageCommands.h"
#include "app/MainWindowWin32.h"

namespace {

// The buffers of the save and open dialogs.
constexpr DWORD kFileNameBytes = 260;
constexpr DWORD kFileTitleBytes = 1024;
constexpr DWORD kStartFolderBytes = 1024;

int ShowFileDialog(HWND owner, const FileDialogRequest& request, std::string& path, bool save) {
  char file[kFileNameBytes] = {};
  char title[kFileTitleBytes] = {};
  char folder[kStartFolderBytes] = {};
  GetCurrentDirectoryA(sizeof(folder), folder);
  OPENFILENAMEA dialog{};
  dialog.lStructSize = sizeof(dialog);
  dialog.hwndOwner = owner;
  dialog.lpstrFilter = request.filter;
  dialog.nFilterIndex = 0;
  dialog.lpstrFile = file;
  dialog.nMaxFile = sizeof(file);
  dialog.lpstrFileTitle = title;
  dialog.nMaxFileTitle = sizeof(title);
  dialog.lpstrInitialDir = folder;
  dialog.lpstrTitle = request.title;
  dialog.lpstrDefExt = request.default_extension;
  dialog.Flags = request.flags;
  const BOOL chosen = save ? GetSaveFileNameA(&dialog) : GetOpenFileNameA(&dialog);
  if (!chosen) return 0;
  path = file;
  return 1;
}

}  // namespace

WindowCaptureView::WindowCaptureView(HWND page, HWND tree, HWND hex)
    : page_(page), list_(page), tree_(tree), hex_(hex), boxes_(page), stops_(page) {}

int WindowCaptureView::ShowSaveDialog(const FileDialogRequest& request, std::string& path) {
  return ShowFileDialog(page_, request, path, true);
}

int WindowCaptureView::ShowOpenDialog(const FileDialogRequest& request, std::string& path) {
  return ShowFileDialog(page_, request, path, false);
}

void WindowCaptureView::PageListHandover::HandOver(const PacketListChanges& changes) {
  SendMessageA(page_, kPacketListHandoverMessage, 0, reinterpret_cast<LPARAM>(&changes));
}

void WindowCaptureView::StatusBarText::SetStatusText(int part, const char* text) {
  ::SetStatusText(part, "%s", text);
}

void WindowCaptureView::StatusProgressBar::SetPosition(int position) {
  SendMessageA(ProgressBarWindow, PBM_SETPOS, position, 0);
}

void WindowCaptureView::StatusProgressBar::SetRange(int maximum) {
  SendMessageA(ProgressBarWindow, PBM_SETRANGE32, 0, maximum);
}

int WindowCaptureView::PageMessageBoxes::ShowMessageBox(const char* text, const char* title,
                                                        unsigned type) {
  return MessageBoxA(page_, text, title, type);
}

void WindowCaptureView::PageStops::CaptureStopped() {
  SendMessageA(page_, WM_COMMAND, MAKEWPARAM(kIdCaptureStopped, 0), 0);
}
