// The capture thread's one-shot store commands: clear, save as a binary
// capture file, export as text, and open a binary capture file. Each ends
// capturing; each hands capture_request back to Idle itself, but only if it
// still holds the command taken, so a request sent meanwhile is not lost.
#include <string>

#include "capture/CaptureThread.h"
#include "packet/CaptureFile.h"
#include "packet/TextReport.h"

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
  FinishRequest(CaptureRequest::Clear);
  UpdateList();  // shows the zero counts
}

void CaptureThread::SaveToFile(CaptureRequest request) {
  FinishRequest(request);
  const bool binary = request == CaptureRequest::SaveBinary;
  CaptureView& view = context_.view;
  std::string path;
  if (view.ShowSaveDialog(binary ? kSaveBinaryDialog : kSaveTextDialog, path) != 1) return;
  if (view.FileExists(path.c_str()) == 1 &&
      view.Boxes().ShowMessageBox("ファイルが既に存在しています\n上書きしますか？", "上書き確認",
                                  kMbOkCancel | kMbIconQuestion) != kIdOk) {
    return;
  }
  if (binary) {
    SaveCaptureFile(path.c_str(), context_.store, view.Progress(), view.Boxes());
  } else {
    ExportTextReport(path.c_str(), context_.store, view.Progress(), view.Boxes());
  }
}

void CaptureThread::LoadFromFile() {
  // Emptied before the dialog: cancelling leaves an empty store.
  EmptyStoreAndPanes();
  FinishRequest(CaptureRequest::LoadBinary);
  CaptureView& view = context_.view;
  std::string path;
  if (view.ShowOpenDialog(kOpenBinaryDialog, path) != 1) return;
  if (LoadCaptureFile(path.c_str(), context_.store, view.Progress(), view.Boxes(),
                      view.Requests()) == 0) {
    view.Boxes().ShowMessageBox("指定ファイルが不正です", "読み込みエラー", kMbOk | kMbIconWarning);
  } else {
    view.Boxes().ShowMessageBox("読み込みが完了しました", "読み込み完了", kMbOk);
  }
  UpdateList();
}

void CaptureThread::EmptyStoreAndPanes() {
  context_.store.Clear();
  context_.view.List().DeleteAllRows();
  context_.view.Tree().DeleteAllItems();
  context_.view.Hex().SetText("");
  ResetPacketList(context_.list_state);
}

void CaptureThread::FinishRequest(CaptureRequest taken) {
  int8_t expected = static_cast<int8_t>(taken);
  context_.control.capture_request.compare_exchange_strong(
      expected, static_cast<int8_t>(CaptureRequest::Idle));
}
