// Template and control ids of the filter-settings dialog. Plain macros: the
// resource compiler reads this file too, through app/resource.h.
#pragma once

#define IDD_FILTER_SETTINGS 8000

#define IDC_FILTER_TCP 8100
#define IDC_FILTER_UDP 8200
#define IDC_FILTER_ICMP 8300
#define IDC_FILTER_OTHER 8400
#define IDC_FILTER_RING_MAX 8500
#define IDC_FILTER_RING_ROOP 8550
#define IDC_FILTER_CAP_FPS 1001
#define IDC_FILTER_ADDRESS1 8600
#define IDC_FILTER_PORT1 8650
#define IDC_FILTER_ADDRESS2 8700
#define IDC_FILTER_PORT2 8750
#define IDC_FILTER_DIRECTION 8800
#define IDC_FILTER_RULES 8900
#define IDC_FILTER_ADD 9000
#define IDC_FILTER_SAVE 9100
