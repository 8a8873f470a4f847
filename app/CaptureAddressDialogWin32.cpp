// The capture-address dialog's procedure, and the host's addresses from
// GetAdaptersAddresses (iphlpapi), which unlike the sockets' address list
// names each interface.
#include "app/CaptureAddressDialogWin32.h"

// The sockets headers first: iphlpapi.h needs their types.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <iphlpapi.h>

#include <string>
#include <vector>

#include "app/CaptureAddressEntries.h"
#include "app/resource.h"
#include "capture/SocketLayerWin32.h"
#include "config/CaptureAddressSetting.h"

namespace {

// Where the name column begins, in dialog units.
constexpr int kNameTabStop = 72;
constexpr ULONG kAdapterFlags =
    GAA_FLAG_SKIP_ANYCAST | GAA_FLAG_SKIP_MULTICAST | GAA_FLAG_SKIP_DNS_SERVER;

std::string Narrow(const wchar_t* text) {
  if (text == nullptr) return {};
  char narrow[256] = {};
  WideCharToMultiByte(CP_ACP, 0, text, -1, narrow, sizeof narrow - 1, nullptr, nullptr);
  return narrow;
}

std::vector<HostAddress> HostAddresses() {
  std::vector<HostAddress> host;
  ULONG size = 16 * 1024;
  std::vector<unsigned char> buffer;
  ULONG result = ERROR_BUFFER_OVERFLOW;
  // The list may grow between the call that gives the size and the next one.
  for (int attempt = 0; attempt < 3 && result == ERROR_BUFFER_OVERFLOW; ++attempt) {
    buffer.resize(size);
    result = GetAdaptersAddresses(AF_INET, kAdapterFlags, nullptr,
                                  reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data()), &size);
  }
  if (result != NO_ERROR) return host;
  for (auto* adapter = reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data()); adapter != nullptr;
       adapter = adapter->Next) {
    for (auto* unicast = adapter->FirstUnicastAddress; unicast != nullptr;
         unicast = unicast->Next) {
      const sockaddr* address = unicast->Address.lpSockaddr;
      if (address == nullptr || address->sa_family != AF_INET) continue;
      char text[INET_ADDRSTRLEN] = {};
      inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in*>(address)->sin_addr, text,
                sizeof text);
      host.push_back({text, Narrow(adapter->FriendlyName)});
    }
  }
  return host;
}

void FillList(HWND dialog, const CaptureAddressEntries& entries) {
  HWND list = GetDlgItem(dialog, IDC_CAPTURE_ADDRESS_LIST);
  int tab_stop = kNameTabStop;
  SendMessageA(list, LB_SETTABSTOPS, 1, reinterpret_cast<LPARAM>(&tab_stop));
  for (const CaptureAddressEntry& entry : entries.entries) {
    const std::string line = entry.address_column + "\t" + entry.name_column;
    SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
  }
  SendMessageA(list, LB_SETCURSEL, entries.selected, 0);
}

void OnSave(HWND dialog, const CaptureAddressEntries& entries) {
  const LRESULT chosen = SendDlgItemMessageA(dialog, IDC_CAPTURE_ADDRESS_LIST, LB_GETCURSEL, 0, 0);
  if (chosen < 0 || chosen >= static_cast<LRESULT>(entries.entries.size())) return;
  if (WriteCaptureAddress(entries.entries[static_cast<size_t>(chosen)].choice) != 1) {
    MessageBoxA(dialog, "設定ファイルの保存に失敗しました", "保存エラー", MB_OK | MB_ICONWARNING);
    return;
  }
  EndDialog(dialog, 1);
}

INT_PTR CALLBACK CaptureAddressDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  const auto* entries =
      reinterpret_cast<const CaptureAddressEntries*>(GetWindowLongPtrA(dialog, DWLP_USER));
  switch (message) {
    case WM_INITDIALOG:
      SetWindowLongPtrA(dialog, DWLP_USER, lparam);
      FillList(dialog, *reinterpret_cast<const CaptureAddressEntries*>(lparam));
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wparam) == IDOK ||
          (LOWORD(wparam) == IDC_CAPTURE_ADDRESS_LIST && HIWORD(wparam) == LBN_DBLCLK)) {
        OnSave(dialog, *entries);
      }
      if (LOWORD(wparam) == IDCANCEL) EndDialog(dialog, 0);
      return TRUE;
  }
  return FALSE;
}

}  // namespace

int RunCaptureAddressDialog(HWND owner) {
  const CaptureAddressEntries entries =
      MakeCaptureAddressEntries(HostAddresses(), LastListedAddressNow(), ReadCaptureAddress());
  const INT_PTR result =
      DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_CAPTURE_ADDRESS), owner,
                      CaptureAddressDialogProc, reinterpret_cast<LPARAM>(&entries));
  return result == 1 ? 1 : 0;
}
