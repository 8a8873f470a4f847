// config.ini: the single-key readers, the dialog's Load and the whole-file Write.
#include "config/ConfigFile.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <new>

#include "config/CaptureAddressSetting.h"
#include "config/ProfileFile.h"
#include "config/ProfileSnapshot.h"
#include "config/SettingsText.h"
#include "config/WholeFile.h"
#include "log/SettingsPaths.h"

namespace {

constexpr size_t kDialogTextCapacity = 1024;

std::atomic<uint64_t> change_count{0};

std::string Format(const char* format, int value) {
  char line[64];
  std::snprintf(line, sizeof line, format, value);
  return line;
}

std::string RuleLine(int number, const char* key, const std::string& value) {
  return std::to_string(number) + "_LIST_" + key + "=" + value + "\r\n";
}

std::string RuleText(const ProfileSnapshot& profile, int number, const char* key) {
  return profile.ReadString("IP_config", std::to_string(number) + "_LIST_" + key, "",
                            kDialogTextCapacity);
}

std::vector<std::string> ConfigText(const FilterSettings& s) {
  std::vector<std::string> pieces = {
      "#共通設定--------------------------------\r\n[Common_config]\r\n",
      "### RingBuffMaxSize(0:無効 1～n:Kbyte)\r\n",
      // "%d" as the file has always held it: values above INT_MAX appear
      // negative and read back to the same 32 bits.
      Format("RING_MAX=%d\r\n", static_cast<int>(s.ring_max)),
      "### ループ(0:無効 1:有効)\r\n",
      s.ring_roop ? "RING_ROOP=1\r\n" : "RING_ROOP=0\r\n",
      "### 受信間隔(ms)\r\n",
      Format("CAP_FPS=%d\r\n", static_cast<int>(s.cap_fps)),
      "\r\n\r\n",
      "#プロトコル設定--------------------------------\r\n[Protocol_config]\r\n",
      "### TCP(0:無効 1:有効)\r\n",
      s.tcp ? "TCP=1\r\n" : "TCP=0\r\n",
      "### UDP(0:無効 1:有効)\r\n",
      s.udp ? "UDP=1\r\n" : "UDP=0\r\n",
      "### ICMP(0:無効 1:有効)\r\n",
      s.icmp ? "ICMP=1\r\n" : "ICMP=0\r\n",
      "### その他(0:無効 1:有効)\r\n",
      s.other ? "OTHER=1\r\n" : "OTHER=0\r\n",
      "\r\n\r\n",
      "#IP・Port設定--------------------------------\r\n[IP_config]\r\n",
      Format("LIST_NUM=%d\r\n", static_cast<int>(s.rules.size())),
  };
  for (size_t i = 0; i < s.rules.size(); ++i) {
    const FilterRule& r = s.rules[i];
    const int n = static_cast<int>(i);
    pieces.push_back(RuleLine(n, "SRC_IP", r.src_ip));
    pieces.push_back(RuleLine(n, "SRC_PORT", r.src_port));
    pieces.push_back(RuleLine(n, "DEST_IP", r.dest_ip));
    pieces.push_back(RuleLine(n, "DEST_PORT", r.dest_port));
    pieces.push_back(RuleLine(n, "VEC", r.vec == 1 ? "1" : "0"));
    pieces.push_back("\r\n");
  }
  pieces.push_back("\r\n");
  pieces.push_back("\r\n\r\n");
  return pieces;
}

FilterSettings LoadFrom(const ProfileSnapshot& p) {
  FilterSettings s;
  s.ring_max = static_cast<uint32_t>(p.ReadInt("Common_config", "RING_MAX", 0));
  s.ring_roop = p.ReadInt("Common_config", "RING_ROOP", 0) == 1;
  s.cap_fps = static_cast<uint32_t>(p.ReadInt("Common_config", "CAP_FPS", 10));
  s.tcp = p.ReadInt("Protocol_config", "TCP", 0) == 1;
  s.udp = p.ReadInt("Protocol_config", "UDP", 0) == 1;
  s.icmp = p.ReadInt("Protocol_config", "ICMP", 0) == 1;
  s.other = p.ReadInt("Protocol_config", "OTHER", 0) == 1;
  const int count =
      std::clamp(p.ReadInt("IP_config", "LIST_NUM", 0), 0, ConfigFile::kMaxLoadedRules);
  s.rules.resize(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) {
    FilterRule& r = s.rules[static_cast<size_t>(i)];
    r.src_ip = RuleText(p, i, "SRC_IP");
    r.src_port = RuleText(p, i, "SRC_PORT");
    r.dest_ip = RuleText(p, i, "DEST_IP");
    r.dest_port = RuleText(p, i, "DEST_PORT");
    r.vec = p.ReadInt("IP_config", std::to_string(i) + "_LIST_VEC", 0);
  }
  return s;
}

}  // namespace

namespace ConfigFile {

int ReadInt(const char* section, const char* key, int default_value) {
  return ProfileReadInt(SettingsPaths::Config(), section, key, default_value);
}

std::string ReadString(const char* section, const char* key, const char* default_value,
                       size_t capacity) {
  return ProfileReadString(SettingsPaths::Config(), section, key, default_value, capacity);
}

FilterSettings Load() {
  try {
    std::string text;
    ReadSettingsText(SettingsPaths::Config(), text);
    ProfileSnapshot profile;
    profile.Assign(std::move(text));
    return LoadFrom(profile);
  } catch (const std::bad_alloc&) {
    return FilterSettings{};
  }
}

int Write(const FilterSettings& settings) {
  int written = 0;
  try {
    std::vector<std::string> pieces = ConfigText(settings);
    // The capture address belongs to its own dialog: its section stays as it stands.
    std::string old_text;
    ReadSettingsText(SettingsPaths::Config(), old_text);
    std::string capture_section = CaptureSectionOf(old_text);
    if (!capture_section.empty()) pieces.push_back(std::move(capture_section));
    written = ReplaceWholeFile(SettingsPaths::Config(), pieces);
  } catch (const std::bad_alloc&) {
    return 0;
  }
  if (written == 1) MarkChanged();
  return written;
}

uint64_t ChangeCount() {
  return change_count.load(std::memory_order_acquire);
}

void MarkChanged() {
  change_count.fetch_add(1, std::memory_order_acq_rel);
}

}  // namespace ConfigFile
