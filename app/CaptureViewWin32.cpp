// The capture thread's window messages, message boxes and file dialogs.
//
// The file dialogs are the wide ones: their titles and filters are converted
// from code page 932, and so is the chosen path, back, since the file code
// opens files by code page 932 names (log/Cp932FileNames.h). A path that code
// page 932 cannot hold (a name in Korean, say) is not narrowed to a look-alike
// of another file: its characters outside the code page become '?', which no
// Windows file name may hold, so the save or open fails with its usual message.
#include "app/CaptureViewWin32.h"

#include <commctrl.h>
#include <commdlg.h>

#include <cstdint>
#include <cstring>

#include "app/CapturePageCommands.h"
#include "app/MainWindowWin32.h"
#include "log/WideText.h"
#include "views/WideTextsWin32.h"

namespace {

// The buffers of the save and open dialogs, in UTF-16 characters.
constexpr DWORD kFileNameChars = 260;
constexpr DWORD kFileTitleChars = 1024;
constexpr DWORD kStartFolderChars = 1024;

// The filter list with its NULs, the last pair's second NUL included.
std::wstring WideFilter(const char* filter) {
  size_t length = 0;
  while (filter[length] != '\0' || filter[length + 1] != '\0') ++length;
  return WideFromCp932(std::string_view(filter, length + 2));
}

std::string ChosenPath(const wchar_t* chosen) {
  std::string path;
  if (Cp932FromWide(chosen, path)) return path;
  const int size = static_cast<int>(std::wcslen(chosen));
  const int length = WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, chosen, size, nullptr, 0, "?",
                                         nullptr);
  path.assign(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, chosen, size, path.data(), length, "?", nullptr);
  return path;
}

int ShowFileDialog(HWND owner, const FileDialogRequest& request, std::string& path, bool save) {
  wchar_t file[kFileNameChars] = {};
  wchar_t title[kFileTitleChars] = {};
  wchar_t folder[kStartFolderChars] = {};
  GetCurrentDirectoryW(kStartFolderChars, folder);
  const std::wstring filter = WideFilter(request.filter);
  const std::wstring dialog_title = WideFromCp932(request.title);
  const std::wstring extension = WideFromCp932(request.default_extension);
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof(dialog);
  dialog.hwndOwner = owner;
  dialog.lpstrFilter = filter.c_str();
  dialog.nFilterIndex = 0;
  dialog.lpstrFile = file;
  dialog.nMaxFile = kFileNameChars;
  dialog.lpstrFileTitle = title;
  dialog.nMaxFileTitle = kFileTitleChars;
  dialog.lpstrInitialDir = folder;
  dialog.lpstrTitle = dialog_title.c_str();
  dialog.lpstrDefExt = extension.c_str();
  dialog.Flags = request.flags;
  const BOOL chosen = save ? GetSaveFileNameW(&dialog) : GetOpenFileNameW(&dialog);
  if (!chosen) return 0;
  path = ChosenPath(file);
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
  SendMessageW(page_, kPacketListHandoverMessage, 0, reinterpret_cast<LPARAM>(&changes));
}

void WindowCaptureView::StatusBarText::SetStatusText(int part, const char* text) {
  ::SetStatusText(part, "%s", text);
}

void WindowCaptureView::StatusProgressBar::SetPosition(int position) {
  SendMessageW(ProgressBarWindow, PBM_SETPOS, position, 0);
}

void WindowCaptureView::StatusProgressBar::SetRange(int maximum) {
  SendMessageW(ProgressBarWindow, PBM_SETRANGE32, 0, maximum);
}

int WindowCaptureView::PageMessageBoxes::ShowMessageBox(const char* text, const char* title,
                                                        unsigned type) {
  return ::ShowMessageBox(page_, text, title, type);
}

void WindowCaptureView::PageStops::CaptureStopped() {
  SendMessageW(page_, WM_COMMAND, MAKEWPARAM(kIdCaptureStopped, 0), 0);
}
