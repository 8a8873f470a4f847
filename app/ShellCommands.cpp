// Command and tooltip tables of the main window.
#include "app/ShellCommands.h"

#include "app/resource.h"

namespace {

struct CommandRequest {
  int command_id;
  CaptureRequest request;
};

// Each menu item shares its action with one toolbar button.
constexpr CommandRequest kCommandRequests[] = {
    {IDM_CAPTURE_START, CaptureRequest::Capture},  {IDT_CAPTURE_START, CaptureRequest::Capture},
    {IDM_CAPTURE_STOP, CaptureRequest::Idle},      {IDT_CAPTURE_STOP, CaptureRequest::Idle},
    {IDM_DELETE_ALL, CaptureRequest::Clear},       {IDT_DELETE_ALL, CaptureRequest::Clear},
    {IDM_SAVE_BINARY, CaptureRequest::SaveBinary}, {IDT_SAVE_BINARY, CaptureRequest::SaveBinary},
    {IDM_SAVE_TEXT, CaptureRequest::SaveText},     {IDT_SAVE_TEXT, CaptureRequest::SaveText},
    {IDM_OPEN, CaptureRequest::LoadBinary},        {IDT_OPEN, CaptureRequest::LoadBinary},
};

struct Tooltip {
  int button_id;
  const char* text;
};

constexpr Tooltip kTooltips[] = {
    {IDT_CAPTURE_START, "開始"},
    {IDT_CAPTURE_STOP, "停止"},
    {IDT_DELETE_ALL, "削除"},
    {IDT_SAVE_BINARY, "バイナリ保存(.bin)"},
    {IDT_SAVE_TEXT, "テキスト保存(.txt)"},
    {IDT_OPEN, ".binファイルを開く"},
    {IDT_FILTER_SETTINGS, "フィルター設定"},
};

}  // namespace

int CaptureRequestForCommand(int command_id, CaptureRequest& request) {
  for (const CommandRequest& entry : kCommandRequests) {
    if (entry.command_id == command_id) {
      request = entry.request;
      return 1;
    }
  }
  return 0;
}

const char* ToolbarTooltip(int button_id) {
  for (const Tooltip& entry : kTooltips) {
    if (entry.button_id == button_id) return entry.text;
  }
  return nullptr;
}
