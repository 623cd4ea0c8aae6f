#pragma once

namespace zelmor {

// Resource numbers of the dialogs, the icon and the About entry.
constexpr int IDD_ABOUTBOX = 100;
constexpr int IDS_ABOUTBOX = 101;
constexpr int IDD_ZELMOR_DIALOG = 102;
constexpr int IDR_MAINFRAME = 128;

// Command of the About entry, as the system menu would deliver it.
constexpr int IDM_ABOUTBOX = 0x0010;

// A control the handlers never address.
constexpr int IDC_STATIC = -1;
constexpr int IDOK = 1;

// Controls of the main dialog.
constexpr int IDC_CHECK_SIZE16 = 1001;
constexpr int IDC_CHECK_SIZE24 = 1002;
constexpr int IDC_CHECK_SIZE32 = 1003;
constexpr int IDC_CHECK_SIZE48 = 1004;
constexpr int IDC_CHECK_SIZE64 = 1005;
constexpr int IDC_CHECK_SIZE96 = 1006;
constexpr int IDC_CHECK_SIZE128 = 1007;
constexpr int IDC_CHECK_SIZE256 = 1008;
constexpr int IDC_CHECK_LINES = 1009;
constexpr int IDC_RADIO_DEPTH8 = 1010;
constexpr int IDC_RADIO_DEPTH24 = 1011;
constexpr int IDC_RADIO_DEPTH32 = 1012;
constexpr int IDC_RADIO_DEPTH4 = 1013;
constexpr int IDC_EDIT_MIN_LINES = 1014;
constexpr int IDC_EDIT_MAX_LINES = 1015;
constexpr int IDC_BUTTON_COLOR = 1016;
constexpr int IDC_BUTTON_CHOOSE_PICTURE = 1019;
constexpr int IDC_BUTTON_CHOOSE_OUTPUT = 1020;
constexpr int IDC_BUTTON_GENERATE = 1021;
constexpr int IDC_EDIT_INPUT = 1022;
constexpr int IDC_EDIT_OUTPUT = 1023;
constexpr int IDC_STATIC_STATUS = 1024;
constexpr int IDC_BUTTON_SELECT_ALL = 1025;
constexpr int IDC_BUTTON_CLEAR_SIZES = 1026;
constexpr int IDC_STATIC_COLOR_SWATCH = 1027;

}  // namespace zelmor
