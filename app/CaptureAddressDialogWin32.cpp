// The capture-address dialog's procedure, and the host's addresses from
// GetAdaptersAddresses (iphlpapi), which unlike the sockets' address list
// names each interface. iphlpapi.dll is no known DLL, so it is loaded from
// the system folder when the dialog opens rather than imported: an imported
// one would be looked for beside the program first, in a downloads folder
// perhaps.
#include "app/CaptureAddressDialogWin32.h"

// The sockets headers first: iphlpapi.h needs their types.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <iphlpapi.h>

#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "app/CaptureAddressEntries.h"
#include "app/resource.h"
#include "capture/SocketLayerWin32.h"
#include "config/CaptureAddressSetting.h"
#include "log/WideText.h"
#include "views/FontsWin32.h"
#include "views/WideTextsWin32.h"

namespace {

// Where the name column begins, in dialog units.
constexpr int kNameTabStop = 72;
constexpr ULONG kAdapterFlags =
    GAA_FLAG_SKIP_ANYCAST | GAA_FLAG_SKIP_MULTICAST | GAA_FLAG_SKIP_DNS_SERVER;

// The program keeps its texts in code page 932; a character it cannot hold
// shows as '?'.
std::string Narrow(const wchar_t* text) {
  if (text == nullptr) return {};
  char narrow[256] = {};
  WideCharToMultiByte(932, 0, text, -1, narrow, sizeof narrow - 1, nullptr, nullptr);
  return narrow;
}

using GetAdaptersAddressesCall = ULONG(WINAPI*)(ULONG, ULONG, void*, IP_ADAPTER_ADDRESSES*, ULONG*);

struct LibraryFreer {
  void operator()(HMODULE library) const { FreeLibrary(library); }
};

// Without the system's iphlpapi.dll the list is empty; the automatic rule is still offered.
std::vector<HostAddress> HostAddresses() {
  std::vector<HostAddress> host;
  const std::unique_ptr<std::remove_pointer_t<HMODULE>, LibraryFreer> library(
      LoadLibraryExW(L"iphlpapi.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
  if (!library) return host;
  const auto get_adapters_addresses = reinterpret_cast<GetAdaptersAddressesCall>(
      reinterpret_cast<void*>(GetProcAddress(library.get(), "GetAdaptersAddresses")));
  if (get_adapters_addresses == nullptr) return host;
  ULONG size = 16 * 1024;
  std::vector<unsigned char> buffer;
  ULONG result = ERROR_BUFFER_OVERFLOW;
  // The list may grow between the call that gives the size and the next one.
  for (int attempt = 0; attempt < 3 && result == ERROR_BUFFER_OVERFLOW; ++attempt) {
    buffer.resize(size);
    result = get_adapters_addresses(AF_INET, kAdapterFlags, nullptr,
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
  SendMessageW(list, LB_SETTABSTOPS, 1, reinterpret_cast<LPARAM>(&tab_stop));
  for (const CaptureAddressEntry& entry : entries.entries) {
    const std::string line = entry.address_column + "\t" + entry.name_column;
    SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(WideFromCp932(line).c_str()));
  }
  SendMessageW(list, LB_SETCURSEL, entries.selected, 0);
}

void OnSave(HWND dialog, const CaptureAddressEntries& entries) {
  const LRESULT chosen = SendDlgItemMessageW(dialog, IDC_CAPTURE_ADDRESS_LIST, LB_GETCURSEL, 0, 0);
  if (chosen < 0 || chosen >= static_cast<LRESULT>(entries.entries.size())) return;
  if (WriteCaptureAddress(entries.entries[static_cast<size_t>(chosen)].choice) != 1) {
    ShowMessageBox(dialog, "設定ファイルの保存に失敗しました", "保存エラー", MB_OK | MB_ICONWARNING);
    return;
  }
  EndDialog(dialog, 1);
}

INT_PTR CALLBACK CaptureAddressDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  const auto* entries =
      reinterpret_cast<const CaptureAddressEntries*>(GetWindowLongPtrW(dialog, DWLP_USER));
  switch (message) {
    case WM_INITDIALOG:
      SetWindowLongPtrW(dialog, DWLP_USER, lparam);
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
      RunDialogWithJapaneseFont(GetModuleHandleW(nullptr), IDD_CAPTURE_ADDRESS, owner,
                                CaptureAddressDialogProc, reinterpret_cast<LPARAM>(&entries));
  return result == 1 ? 1 : 0;
}
