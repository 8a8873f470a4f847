// The filter-settings dialog's procedure and the rule list's Delete key. A
// Unicode dialog: texts go to its controls in UTF-16, converted from code page
// 932, and come back from them the same way, so the fields read the same on
// any system code page; its template's "Terminal" and the rule list's
// "ＭＳ ゴシック" give way to faces that show Japanese where they cannot.
#include "config/FilterDialogWin32.h"

#include <commctrl.h>

#include <cstdio>
#include <iterator>
#include <string>
#include <utility>

#include "config/ConfigFile.h"
#include "config/FilterDialogFields.h"
#include "config/FilterDialogIds.h"
#include "log/WideText.h"
#include "views/FontsWin32.h"
#include "views/PanesWin32.h"
#include "views/WideTextsWin32.h"

namespace {

constexpr int kPortFieldChars = 5;
constexpr int kIntervalFieldChars = 4;
// Add reads up to 7 characters of a port field and Save up to 1023 of a cell.
constexpr int kPortTextCapacity = 8;
constexpr int kCellCapacity = 1024;

struct Column {
  int width;
  const char* header;
};
constexpr Column kColumns[] = {
    {150, "IP(1)"}, {80, "Port(1)"}, {50, ""}, {150, "IP(2)"}, {80, "Port(2)"}};

struct FlagControl {
  int id;
  bool FilterDialogFields::*flag;
};
constexpr FlagControl kFlagControls[] = {
    {IDC_FILTER_TCP, &FilterDialogFields::tcp},
    {IDC_FILTER_UDP, &FilterDialogFields::udp},
    {IDC_FILTER_ICMP, &FilterDialogFields::icmp},
    {IDC_FILTER_OTHER, &FilterDialogFields::other},
    {IDC_FILTER_RING_ROOP, &FilterDialogFields::ring_roop},
};

// The rule list's own procedure, in front of which the dialog puts its Delete
// key handling, and the list's font; one dialog exists at a time (GUI thread).
WNDPROC rule_list_proc = nullptr;
HFONT rule_list_font = nullptr;

// A text that code page 932 cannot hold never came from the program, so it
// cannot be typed into a cell either; it reads as empty.
std::string Cp932Text(const wchar_t* text) {
  std::string narrow;
  Cp932FromWide(text, narrow);
  return narrow;
}

std::string RuleCell(HWND list, int row, int column) {
  wchar_t text[kCellCapacity] = {};
  LVITEMW item{};
  item.iSubItem = column;
  item.pszText = text;
  item.cchTextMax = kCellCapacity;
  SendMessageW(list, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
  return Cp932Text(text);
}

void AppendRuleRow(HWND list, const RuleRow& cells) {
  // The row's tag (item data) is its index.
  const int row = ListInsertRow(list, ListView_GetItemCount(list), cells[0].c_str(), 0);
  for (int column = 1; column < static_cast<int>(cells.size()); ++column) {
    ListSetCell(list, row, column, cells[column].c_str());
  }
}

void DeleteSelectedRule(HWND list) {
  const int row = ListView_GetNextItem(list, -1, LVNI_SELECTED);
  if (row < 0) return;
  ListView_DeleteItem(list, row);
  const int next = RowToSelectAfterDelete(row, ListView_GetItemCount(list));
  if (next >= 0) {
    constexpr UINT kState = LVIS_SELECTED | LVIS_FOCUSED;
    ListView_SetItemState(list, next, kState, kState);
  }
  ListRenumberRows(list);
}

LRESULT CALLBACK RuleListProc(HWND list, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_KEYDOWN && wparam == VK_DELETE) DeleteSelectedRule(list);
  return CallWindowProcW(rule_list_proc, list, message, wparam, lparam);
}

// `capacity` bytes of the field's code page 932 text at most, as a narrow
// read of the field would give; cut at a whole character.
std::string ControlText(HWND dialog, int id, int capacity) {
  std::wstring text(static_cast<size_t>(capacity), L'\0');
  text.resize(GetDlgItemTextW(dialog, id, text.data(), capacity));
  std::string narrow = Cp932Text(text.c_str());
  while (narrow.size() > static_cast<size_t>(capacity - 1)) {
    text.pop_back();
    narrow = Cp932Text(text.c_str());
  }
  return narrow;
}

// Blank parts of the address field count as 0.
std::string AddressText(HWND dialog, int id) {
  DWORD address = 0;
  SendDlgItemMessageW(dialog, id, IPM_GETADDRESS, 0, reinterpret_cast<LPARAM>(&address));
  const auto part = [address](int shift) {
    return static_cast<unsigned>((address >> shift) & 0xFF);
  };
  char text[16];
  std::snprintf(text, sizeof(text), "%u.%u.%u.%u", part(24), part(16), part(8), part(0));
  return text;
}

std::string DirectionText(HWND dialog) {
  wchar_t text[16] = {};
  HWND box = GetDlgItem(dialog, IDC_FILTER_DIRECTION);
  const LRESULT chosen = SendMessageW(box, CB_GETCURSEL, 0, 0);
  if (chosen != CB_ERR) SendMessageW(box, CB_GETLBTEXT, chosen, reinterpret_cast<LPARAM>(text));
  return Cp932Text(text);
}

void PrepareControls(HWND dialog) {
  HWND direction = GetDlgItem(dialog, IDC_FILTER_DIRECTION);
  SendMessageW(direction, CB_ADDSTRING, 0,
               reinterpret_cast<LPARAM>(WideFromCp932(kDirectionBothWays).c_str()));
  SendMessageW(direction, CB_ADDSTRING, 0,
               reinterpret_cast<LPARAM>(WideFromCp932(kDirectionOneWay).c_str()));
  SendMessageW(direction, CB_SETCURSEL, 0, 0);
  SendDlgItemMessageW(dialog, IDC_FILTER_PORT1, EM_LIMITTEXT, kPortFieldChars, 0);
  SendDlgItemMessageW(dialog, IDC_FILTER_PORT2, EM_LIMITTEXT, kPortFieldChars, 0);
  SendDlgItemMessageW(dialog, IDC_FILTER_CAP_FPS, EM_LIMITTEXT, kIntervalFieldChars, 0);

  HWND list = GetDlgItem(dialog, IDC_FILTER_RULES);
  ListView_SetExtendedListViewStyle(list, LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
  for (int column = 0; column < static_cast<int>(std::size(kColumns)); ++column) {
    ListInsertColumn(list, kColumns[column].width, kColumns[column].header, column);
  }
  rule_list_font = CreateJapaneseFont(12, "ＭＳ ゴシック", true);
  SendMessageW(list, WM_SETFONT, reinterpret_cast<WPARAM>(rule_list_font), FALSE);
  rule_list_proc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(RuleListProc)));
}

void ShowFields(HWND dialog, const FilterDialogFields& fields) {
  SetDialogItemTextCp932(dialog, IDC_FILTER_RING_MAX, fields.ring_max.c_str());
  SetDialogItemTextCp932(dialog, IDC_FILTER_CAP_FPS, fields.cap_fps.c_str());
  for (const FlagControl& c : kFlagControls) {
    CheckDlgButton(dialog, c.id, fields.*c.flag ? BST_CHECKED : BST_UNCHECKED);
  }
  HWND list = GetDlgItem(dialog, IDC_FILTER_RULES);
  for (const RuleRow& row : fields.rows) AppendRuleRow(list, row);
}

FilterDialogFields ReadFields(HWND dialog) {
  FilterDialogFields fields;
  fields.ring_max = ControlText(dialog, IDC_FILTER_RING_MAX, kCellCapacity);
  fields.cap_fps = ControlText(dialog, IDC_FILTER_CAP_FPS, kCellCapacity);
  for (const FlagControl& c : kFlagControls) {
    fields.*c.flag = IsDlgButtonChecked(dialog, c.id) == BST_CHECKED;
  }
  HWND list = GetDlgItem(dialog, IDC_FILTER_RULES);
  const int count = ListView_GetItemCount(list);
  for (int row = 0; row < count; ++row) {
    RuleRow& cells = fields.rows.emplace_back();
    for (int column = 0; column < static_cast<int>(cells.size()); ++column) {
      cells[column] = RuleCell(list, row, column);
    }
  }
  return fields;
}

void OnAdd(HWND dialog) {
  AppendRuleRow(GetDlgItem(dialog, IDC_FILTER_RULES),
                NewRuleRow(AddressText(dialog, IDC_FILTER_ADDRESS1),
                           ControlText(dialog, IDC_FILTER_PORT1, kPortTextCapacity),
                           DirectionText(dialog), AddressText(dialog, IDC_FILTER_ADDRESS2),
                           ControlText(dialog, IDC_FILTER_PORT2, kPortTextCapacity)));
}

// A failed write keeps the dialog and the user's edits, so that the user can
// retry or cancel instead of believing rules active that never reached the file.
void OnSave(HWND dialog, FilterSettings& settings) {
  FilterSettings edited = SettingsFromFields(ReadFields(dialog));
  if (ConfigFile::Write(edited) != 1) {
    ShowMessageBox(dialog, "設定ファイルの保存に失敗しました", "保存エラー", MB_OK | MB_ICONWARNING);
    return;
  }
  settings = std::move(edited);
  EndDialog(dialog, 1);
}

INT_PTR CALLBACK FilterDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  auto* settings = reinterpret_cast<FilterSettings*>(GetWindowLongPtrW(dialog, DWLP_USER));
  switch (message) {
    case WM_INITDIALOG:
      SetWindowLongPtrW(dialog, DWLP_USER, lparam);
      PrepareControls(dialog);
      ShowFields(dialog, FieldsFromSettings(*reinterpret_cast<FilterSettings*>(lparam)));
      break;
    case WM_COMMAND:
      // There is no OK command: Enter does nothing.
      if (LOWORD(wparam) == IDC_FILTER_ADD) OnAdd(dialog);
      if (LOWORD(wparam) == IDC_FILTER_SAVE) OnSave(dialog, *settings);
      if (LOWORD(wparam) == IDCANCEL) EndDialog(dialog, 0);
      break;
  }
  return 0;
}

}  // namespace

int RunFilterDialog(HWND owner, FilterSettings& settings) {
  const INITCOMMONCONTROLSEX classes{sizeof(INITCOMMONCONTROLSEX),
                                     ICC_LISTVIEW_CLASSES | ICC_INTERNET_CLASSES};
  InitCommonControlsEx(&classes);
  const INT_PTR result =
      RunDialogWithJapaneseFont(GetModuleHandleW(nullptr), IDD_FILTER_SETTINGS, owner,
                                FilterDialogProc, reinterpret_cast<LPARAM>(&settings));
  // The list that used the font is gone with the dialog.
  if (rule_list_font != nullptr) DeleteObject(rule_list_font);
  rule_list_font = nullptr;
  rule_list_proc = nullptr;
  return result == 1 ? 1 : 0;
}
