// Where the user wants to capture, kept in config.ini in a section of its own
// after the filter's sections:
//
//   [Capture_config]
//   CAP_IP=192.168.0.5      (an IPv4 address; 127.0.0.1 captures loopback)
//   CAP_IP=auto             (the host's last listed address, taken at each Start)
//
// A missing section or key means automatic, so the file of a user who never
// chose holds no such section. The capture thread reads the value at each
// Start; the address dialog changes only the CAP_IP line (or appends the
// section); the filter dialog's save rewrites the file around the section and
// keeps it as it stands (CaptureSectionOf).
#pragma once

#include <string>
#include <string_view>

inline constexpr const char* kCaptureSection = "Capture_config";
inline constexpr const char* kCaptureAddressKey = "CAP_IP";
inline constexpr const char* kCaptureAddressAuto = "auto";
inline constexpr const char* kLoopbackAddress = "127.0.0.1";

struct CaptureAddressChoice {
  bool automatic = true;
  std::string address;  // as written, when not automatic
  bool operator==(const CaptureAddressChoice&) const = default;
};

// CAP_IP's value: empty or "auto" (any letter case) is automatic, anything
// else names an address (checked only when the socket is bound to it).
CaptureAddressChoice CaptureAddressFromValue(std::string_view value);

// CAP_IP as config.ini holds it now.
CaptureAddressChoice ReadCaptureAddress();

// The section's bytes in `text`, exactly as they stand: from the comment
// lines right above its header to the comment lines right above the next
// section's header (or the end). Empty when there is no such section.
std::string CaptureSectionOf(std::string_view text);

// `text` with CAP_IP set to `choice`: the key's line replaced, or added under
// the section's header, or the whole section appended. Nothing else changes.
std::string WithCaptureAddress(std::string_view text, const CaptureAddressChoice& choice);

// Saves the choice in config.ini (replacing the file in one step): 1 when
// done. Automatic in a file without the section leaves the file untouched.
int WriteCaptureAddress(const CaptureAddressChoice& choice);
