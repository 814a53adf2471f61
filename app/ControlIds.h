// The main dialog's template and control IDs, read by every front end and by the resource compiler
// (Kelvara.rc), so they are plain macros: windres understands no C++ constants.
#pragma once

#define IDD_MAIN 102
#define IDI_MAIN 128

#define IDC_EXIT 1  // IDOK: the button that Enter presses
#define IDC_NUMBER 1000
#define IDC_COPY 1001
#define IDC_DELETE 1002
#define IDC_EDIT_ID3 1003
#define IDC_STATUS 1004
#define IDC_RESET_FILES 1005
#define IDC_OUT_SIZE 1006
