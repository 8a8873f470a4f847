// The table of the capture thread's log lines and message boxes.
#include "capture/CaptureNotices.h"

#include <iterator>

#include "log/LogWriter.h"
#include "log/SettingsPaths.h"

namespace {

constexpr unsigned kWarning = kMbOk | kMbIconWarning;

// In the order of CaptureNotice.
constexpr CaptureNoticeText kNotices[] = {
    {nullptr, "保存完了", "保存が完了しました", kMbOk},
    {"保存に失敗\r\n", "保存エラー", "ファイルの保存に失敗しました", kWarning},
    {nullptr, "上書き確認", "ファイルが既に存在しています\n上書きしますか？",
     kMbOkCancel | kMbIconQuestion},
    {nullptr, "読み込み完了", "読み込みが完了しました", kMbOk},
    {"不正なファイルの読み込み\r\n", "読み込みエラー", "指定ファイルが不正です", kWarning},
    {"サイズオーバー\r\n", "メモリオーバー", "最大受信サイズを超えました！緊急停止します",
     kWarning},
    {"確保に失敗\r\n", "メモリ確保に失敗", "メモリの確保に失敗しました！緊急停止します", kWarning},
    {"設定されたメモリサイズが不足しています\r\n", "メモリ不足",
     "設定されたメモリサイズが不足しています", kWarning},
    {"受信エラー\r\n", "受信エラー", "受信エラーが発生しました！キャプチャーを停止します",
     kWarning},
};
static_assert(std::size(kNotices) == static_cast<size_t>(CaptureNotice::ReceiveError) + 1);

}  // namespace

const CaptureNoticeText& NoticeText(CaptureNotice notice) {
  return kNotices[static_cast<size_t>(notice)];
}

CaptureNoticeText OpeningFailedNotice(const std::string& log_line, const std::string& text) {
  return {log_line.c_str(), "キャプチャーエラー", text.c_str(), kWarning};
}

void LogNotice(CaptureNotice notice) {
  LogNotice(NoticeText(notice));
}

void LogNotice(const CaptureNoticeText& notice) {
  if (notice.log_line != nullptr) {
    LogWriter::AppendText(SettingsPaths::ErrorLog(), 1, "%s", notice.log_line);
  }
}

int ShowNotice(CaptureNotice notice, MessageBoxes& boxes) {
  return ShowNotice(NoticeText(notice), boxes);
}

int ShowNotice(const CaptureNoticeText& notice, MessageBoxes& boxes) {
  return boxes.ShowMessageBox(notice.text, notice.title, notice.type);
}
