// How opening the packet source went, and what the user and error.log are
// told when it failed. The source reports the step that failed and the
// platform's error number; the capture thread turns that into the box and the
// log line here, so each text is written once.
#pragma once

#include <string>

enum class OpenStep {
  kNone,
  kStartup,      // WSAStartup
  kCreate,       // the raw socket
  kAddressList,  // the automatic rule: the host's address list (empty: no address)
  kAddress,      // the chosen text is no IPv4 address
  kBind,
  kNonBlocking,
  kReceiveAll,  // SIO_RCVALL
};

// Windows Sockets error numbers the texts tell apart.
inline constexpr int kErrorAccessDenied = 10013;         // WSAEACCES: no administrator rights
inline constexpr int kErrorAddressNotAvailable = 10049;  // WSAEADDRNOTAVAIL: no such address here

struct SourceOpening {
  bool open = false;
  // Open: the address the capture is bound to. Failed: the address that was
  // tried, when one was (empty before the address was known).
  std::string address;
  OpenStep failed = OpenStep::kNone;
  int error = 0;  // the failed step's error number; 0 for an empty address list
};

// The step's name in the texts: "bind", "socket", "SIO_RCVALL", ...
const char* OpenStepName(OpenStep step);

// The error.log line of a failed opening, with its CR LF: "ソケット作成に失敗 (bind 10049)
// 192.168.0.5".
std::string OpeningLogLine(const SourceOpening& opening);
// The warning box's text: the missing rights, the missing address, or the step and error.
std::string OpeningBoxText(const SourceOpening& opening);
// Status-bar text of the address being captured.
std::string CapturedAddressText(const SourceOpening& opening);
