// The capture thread's store commands: clear, save as a binary capture file,
// export as text, and open a binary capture file. Each ends capturing. The
// file work answers an outcome, which is told here. Once the program is
// closing, file work stops at the next record and no message follows: the
// user has already confirmed the exit.
#include <string>

#include "capture/CaptureThread.h"
#include "capturefile/CaptureFile.h"
#include "views/TextReport.h"

namespace {

// Save dialogs must not insist on an existing file (that would forbid saving
// under a new name); the folder must exist.
constexpr unsigned kSaveDialogFlags = kOfnHideReadOnly | kOfnNoChangeDir | kOfnPathMustExist;
constexpr unsigned kOpenDialogFlags = kOfnHideReadOnly | kOfnNoChangeDir | kOfnFileMustExist;

constexpr FileDialogRequest kSaveBinaryDialog{"Datafile(*.bin)\0*.bin\0すべて(*.*)\0*.*\0",
                                              "バイナリデータファイル保存", "bin",
                                              kSaveDialogFlags};
constexpr FileDialogRequest kSaveTextDialog{"Datafile(*.txt)\0*.txt\0すべて(*.*)\0*.*\0",
                                            "テキストデータファイル保存", "txt", kSaveDialogFlags};
constexpr FileDialogRequest kOpenBinaryDialog{"Datafile(*.bin)\0*.bin\0すべて(*.*)\0*.*\0",
                                              "バイナリデータファイル読み込み", "bin",
                                              kOpenDialogFlags};

}  // namespace

void CaptureThread::ClearAll() {
  EmptyStoreAndPanes();
  UpdateList();  // shows the zero counts
}

void CaptureThread::SaveToFile(CaptureRequest request) {
  const bool binary = request == CaptureRequest::SaveBinary;
  CaptureView& view = context_.view;
  std::string path;
  if (view.ShowSaveDialog(binary ? kSaveBinaryDialog : kSaveTextDialog, path) != 1) return;
  if (view.FileExists(path.c_str()) == 1 &&
      ShowNotice(CaptureNotice::OverwriteQuestion, view.Boxes()) != kIdOk) {
    return;
  }
  const KeepGoing keep_going = [this] { return Running(); };
  const FileOutcome outcome =
      binary ? SaveCaptureFile(path.c_str(), context_.store, view.Progress(), keep_going)
             : ExportTextReport(path.c_str(), context_.store, view.Progress(), keep_going);
  TellOutcome(outcome == FileOutcome::Written ? CaptureNotice::Saved : CaptureNotice::SaveFailed);
}

void CaptureThread::LoadFromFile() {
  // Emptied before the dialog: cancelling leaves an empty store.
  EmptyStoreAndPanes();
  CaptureView& view = context_.view;
  std::string path;
  if (view.ShowOpenDialog(kOpenBinaryDialog, path) != 1) return;
  // The rows are gathered while the records are read, and listed after the box.
  const FileOutcome outcome = LoadCaptureFile(
      path.c_str(), context_.store, view.Progress(), [this] { return Running(); },
      [this] { list_.Gather(context_.store); });
  // Whatever ends the load, the records read before stay and are listed. The
  // log lines are written also while closing; only the messages are not shown.
  switch (outcome) {
    case FileOutcome::StoreFull:
      EmergencyStop(CaptureNotice::StoreFull);
      break;
    case FileOutcome::OutOfMemory:
      EmergencyStop(CaptureNotice::AllocationFailed);
      break;
    case FileOutcome::InvalidFile:
      LogNotice(CaptureNotice::InvalidFile);
      break;
    default:
      break;
  }
  if (!Running()) return;
  const bool refused = outcome == FileOutcome::InvalidFile || outcome == FileOutcome::Unreadable;
  ShowNotice(refused ? CaptureNotice::InvalidFile : CaptureNotice::Loaded, view.Boxes());
  UpdateList();
}

void CaptureThread::EmptyStoreAndPanes() {
  context_.store.Clear();
  list_.Reset();
  context_.view.Tree().DeleteAllItems();
  context_.view.Hex().SetText("");
}
