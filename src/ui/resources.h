// Resource ids shared by the .rc, the code and the tests. Plain defines only:
// windres reads this file through the C preprocessor.
#pragma once

#define IDS_CLIENT_TITLE 1

#define IDD_NO_FILES 102
#define IDD_INSTALL_OK 103
#define IDD_INSTALL_FAILED 104
#define IDD_WORK 105

#define IDI_INSTALLER 128
#define IDI_SPARE 130
#define IDI_FAILED 131
#define IDI_SUCCESS 132

#define IDC_SERVICE_NAME 1003
#define IDC_CAUSE 1004
#define IDC_WORK_TEXT 1005
#define IDC_WORK_BAR 1006
