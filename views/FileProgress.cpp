// Moving the progress bar by the records done, at a bounded rate.
#include "views/FileProgress.h"

#include <algorithm>

FileProgress::FileProgress(ProgressBar& bar, int64_t count)
    : bar_(bar), last_shown_(std::chrono::steady_clock::now()) {
  bar_.SetPosition(0);
  bar_.SetRange(static_cast<int>(std::clamp<int64_t>(count, 0, INT32_MAX)));
}

void FileProgress::Finish() {
  if (done_ != shown_) Show();
}

void FileProgress::ShowIfDue() {
  const auto now = std::chrono::steady_clock::now();
  if (now - last_shown_ < std::chrono::milliseconds(kFileProgressIntervalMs)) return;
  Show();
  last_shown_ = now;
}

void FileProgress::Show() {
  shown_ = done_;
  bar_.SetPosition(static_cast<int>(std::min<uint32_t>(done_, INT32_MAX)));
}
