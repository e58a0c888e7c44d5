// Resource ids of the status-monitor host.
#pragma once

#define IDD_HOST 100
#define IDC_SHOW_SUPPLIES 1001
#define IDC_SHOW_REPLACE 1002
#define IDC_SHOW_MODE 1003
#define IDC_SHOW_BIAS 1004
#define IDC_REPLACE_FLAG 1005
#define IDC_HOST_FONT 1006
#define IDC_RESULT 1007
#define IDC_LOG 1008
#define IDC_CLEAR_LOG 1009
#define IDC_PICTURE_LIST 1010
#define IDC_PICTURE 1011
