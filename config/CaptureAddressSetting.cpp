// The capture address in config.ini: reading CAP_IP, finding its section's
// bytes, and changing only its line.
#include "config/CaptureAddressSetting.h"

#include <cerrno>
#include <new>
#include <vector>

#include "config/ConfigFile.h"
#include "config/ProfileText.h"
#include "config/SettingsText.h"
#include "config/WholeFile.h"
#include "log/SettingsPaths.h"

namespace {

constexpr size_t kValueCapacity = 256;

// One line of the file with its end: [begin, end) holds the line's text,
// [end, next) its line break.
struct Line {
  size_t begin, end, next;
  ProfileLine parsed;
  bool comment;
};

std::vector<Line> SplitLines(std::string_view text) {
  std::vector<Line> lines;
  size_t begin = 0;
  while (begin < text.size()) {
    size_t end = text.find_first_of("\r\n", begin);
    if (end == std::string_view::npos) end = text.size();
    size_t next = end;
    if (next < text.size())
      next += text[next] == '\r' && next + 1 < text.size() && text[next + 1] == '\n' ? 2 : 1;
    Line line{begin, end, next, {}, false};
    ProfileLineReader(text.substr(begin, end - begin)).Next(line.parsed);
    const size_t first = text.find_first_not_of(" \t\v\f", begin);
    line.comment = first < end && (text[first] == '#' || text[first] == ';');
    lines.push_back(line);
    begin = next;
  }
  return lines;
}

bool IsSection(const Line& line) {
  return line.parsed.kind == ProfileLineKind::kSection;
}

// Index of the section's header line, or lines.size().
size_t HeaderIndex(const std::vector<Line>& lines) {
  for (size_t i = 0; i < lines.size(); ++i) {
    if (IsSection(lines[i]) && ProfileNamesEqual(lines[i].parsed.name, kCaptureSection)) return i;
  }
  return lines.size();
}

// Index one past the section's own lines: the next header, or the comment
// lines directly above it, which introduce that section instead.
size_t SectionEnd(const std::vector<Line>& lines, size_t header) {
  size_t next = header + 1;
  while (next < lines.size() && !IsSection(lines[next])) ++next;
  if (next == lines.size()) return next;
  while (next > header + 1 && lines[next - 1].comment) --next;
  return next;
}

std::string ValueLine(const CaptureAddressChoice& choice) {
  return std::string(kCaptureAddressKey) + "=" +
         (choice.automatic ? kCaptureAddressAuto : choice.address);
}

}  // namespace

CaptureAddressChoice CaptureAddressFromValue(std::string_view value) {
  if (value.empty() || ProfileNamesEqual(value, kCaptureAddressAuto)) return {};
  return {false, std::string(value)};
}

CaptureAddressChoice ReadCaptureAddress() {
  return CaptureAddressFromValue(
      ConfigFile::ReadString(kCaptureSection, kCaptureAddressKey, "", kValueCapacity));
}

std::string CaptureSectionOf(std::string_view text) {
  const std::vector<Line> lines = SplitLines(text);
  size_t first = HeaderIndex(lines);
  if (first == lines.size()) return {};
  const size_t end = SectionEnd(lines, first);
  while (first > 0 && lines[first - 1].comment) --first;
  const size_t end_byte = end < lines.size() ? lines[end].begin : text.size();
  return std::string(text.substr(lines[first].begin, end_byte - lines[first].begin));
}

std::string WithCaptureAddress(std::string_view text, const CaptureAddressChoice& choice) {
  const std::vector<Line> lines = SplitLines(text);
  const size_t header = HeaderIndex(lines);
  std::string out(text);
  if (header == lines.size()) {
    if (!out.empty() && out.back() != '\n' && out.back() != '\r') out += "\r\n";
    out +=
        "#キャプチャー設定--------------------------------\r\n[Capture_config]\r\n"
        "### キャプチャー アドレス(auto:自動 127.0.0.1:ループバック)\r\n" +
        ValueLine(choice) + "\r\n";
    return out;
  }
  const size_t end = SectionEnd(lines, header);
  for (size_t i = header + 1; i < end; ++i) {
    const Line& line = lines[i];
    if (line.parsed.kind == ProfileLineKind::kKey &&
        ProfileNamesEqual(line.parsed.name, kCaptureAddressKey)) {
      return out.replace(line.begin, line.end - line.begin, ValueLine(choice));
    }
  }
  const Line& head = lines[header];
  const bool ends_line = head.next > head.end;
  return out.insert(head.next,
                    (ends_line ? "" : "\r\n") + ValueLine(choice) + (ends_line ? "\r\n" : ""));
}

int WriteCaptureAddress(const CaptureAddressChoice& choice) {
  try {
    std::string text;
    // A file that exists but cannot be read is not replaced by the section alone.
    errno = 0;
    if (!ReadSettingsText(SettingsPaths::Config(), text) && errno != ENOENT) return 0;
    if (choice.automatic && CaptureSectionOf(text).empty()) return 1;
    if (ReplaceWholeFile(SettingsPaths::Config(), {WithCaptureAddress(text, choice)}) != 1) return 0;
  } catch (const std::bad_alloc&) {
    return 0;
  }
  ConfigFile::MarkChanged();
  return 1;
}
