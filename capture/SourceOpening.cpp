// Texts of a failed opening of the packet source.
#include "capture/SourceOpening.h"

const char* OpenStepName(OpenStep step) {
  switch (step) {
    case OpenStep::kNone:
      break;
    case OpenStep::kStartup:
      return "WSAStartup";
    case OpenStep::kCreate:
      return "socket";
    case OpenStep::kAddressList:
      return "address list";
    case OpenStep::kAddress:
      return "address";
    case OpenStep::kBind:
      return "bind";
    case OpenStep::kNonBlocking:
      return "FIONBIO";
    case OpenStep::kReceiveAll:
      return "SIO_RCVALL";
  }
  return "open";
}

namespace {

bool NoAddress(const SourceOpening& o) {
  return o.failed == OpenStep::kAddressList && o.error == 0;
}

bool AddressMissing(const SourceOpening& o) {
  return !o.address.empty() &&
         (o.failed == OpenStep::kAddress ||
          (o.failed == OpenStep::kBind && o.error == kErrorAddressNotAvailable));
}

}  // namespace

std::string OpeningLogLine(const SourceOpening& o) {
  std::string line = "ソケット作成に失敗 (";
  line += NoAddress(o) ? std::string("アドレスなし")
                       : std::string(OpenStepName(o.failed)) + " " + std::to_string(o.error);
  line += ")";
  if (!o.address.empty()) line += " " + o.address;
  return line + "\r\n";
}

std::string OpeningBoxText(const SourceOpening& o) {
  std::string text = "受信ソケットを作成できませんでした\n";
  if (o.error == kErrorAccessDenied) return text + "管理者として実行してください";
  if (AddressMissing(o)) return text + "アドレス " + o.address + " がありません";
  if (NoAddress(o)) return text + "ネットワーク アドレスがありません";
  return text + OpenStepName(o.failed) + " に失敗しました (エラー " + std::to_string(o.error) + ")";
}

std::string CapturedAddressText(const SourceOpening& o) {
  return "アドレス：" + o.address;
}
