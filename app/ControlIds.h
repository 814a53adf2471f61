#pragma once

// The main dialog's template and control IDs, shared by every front end.
inline constexpr int IDD_MAIN = 102;
inline constexpr int IDI_MAIN = 128;

inline constexpr int IDC_EXIT = 1;  // the dialog's OK button
inline constexpr int IDC_NUMBER = 1000;
inline constexpr int IDC_COPY = 1001;
inline constexpr int IDC_DELETE = 1002;
inline constexpr int IDC_EDIT_ID3 = 1003;
inline constexpr int IDC_STATUS = 1004;
inline constexpr int IDC_RESET_FILES = 1005;
inline constexpr int IDC_OUT_SIZE = 1006;
