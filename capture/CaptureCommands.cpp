// The capture thread's store commands: clear, save as a binary capture file,
// export as text, and open a binary capture file. Each ends capturing. Once
// the program is closing, file work stops at the next record and no message
// follows: the user has already confirmed the exit.
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
      view.Boxes().ShowMessageBox("ファイルが既に存在しています\n上書きしますか？", "上書き確認",
                                  kMbOkCancel | kMbIconQuestion) != kIdOk) {
    return;
  }
  const std::atomic<int32_t>* running = &context_.control.capture_thread_running;
  if (binary) {
    SaveCaptureFile(path.c_str(), context_.store, view.Progress(), view.Boxes(), running);
  } else {
    ExportTextReport(path.c_str(), context_.store, view.Progress(), view.Boxes(), running);
  }
}

void CaptureThread::LoadFromFile() {
  // Emptied before the dialog: cancelling leaves an empty store.
  EmptyStoreAndPanes();
  CaptureView& view = context_.view;
  std::string path;
  if (view.ShowOpenDialog(kOpenBinaryDialog, path) != 1) return;
  const int loaded = LoadCaptureFile(path.c_str(), context_.store, view.Progress(), view.Boxes(),
                                     view.Stops(), &context_.control.capture_thread_running);
  if (!Running()) return;
  if (loaded == 0) {
    view.Boxes().ShowMessageBox("指定ファイルが不正です", "読み込みエラー", kMbOk | kMbIconWarning);
  } else {
    view.Boxes().ShowMessageBox("読み込みが完了しました", "読み込み完了", kMbOk);
  }
  UpdateList();
}

void CaptureThread::EmptyStoreAndPanes() {
  context_.store.Clear();
  list_.Reset();
  context_.view.Tree().DeleteAllItems();
  context_.view.Hex().SetText("");
}
