// Resource IDs as plain #defines, for windres, which cannot read the C++ constants of ControlIds.h.
// WinMainDialog.cpp checks that both agree.
#pragma once

#define IDD_MAIN 102
#define IDI_MAIN 128

#define IDC_NUMBER 1000
#define IDC_COPY 1001
#define IDC_DELETE 1002
#define IDC_EDIT_ID3 1003
#define IDC_STATUS 1004
#define IDC_RESET_FILES 1005
#define IDC_OUT_SIZE 1006
