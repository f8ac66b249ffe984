// Resource ids of the application: the main dialog template, the icon and the dialog's controls.
#pragma once

constexpr unsigned IDD_CE_MOLV_DIALOG = 102;
constexpr unsigned IDR_MAINFRAME = 128;

constexpr int IDC_COMBO_PORT = 1002;
constexpr int IDC_COMBO_BAUDRATE = 1003;
constexpr int IDC_COMBO_FLOWCONTROL = 1004;
constexpr int IDC_BUTTON_OPEN = 1005;
constexpr int IDC_BUTTON_BAUDRATE = 1006;
constexpr int IDC_BUTTON_FLOWCONTROL = 1007;
constexpr int IDC_BUTTON_FONTSTYLE = 1008;
constexpr int IDC_BUTTON_PRINTFEED = 1009;
constexpr int IDC_BUTTON_MARGINS = 1010;
constexpr int IDC_BUTTON_ABSPOSITION = 1011;
constexpr int IDC_BUTTON_GRAYLEVEL = 1012;
constexpr int IDC_BUTTON_HTAB = 1013;
constexpr int IDC_BUTTON_VTABLE = 1014;
constexpr int IDC_BUTTON_IMAGE = 1015;
constexpr int IDC_BUTTON_ALIGNMENT = 1016;
constexpr int IDC_BUTTON_BARCODE = 1017;
constexpr int IDC_BUTTON_CUTPAPER = 1018;
constexpr int IDC_CHECK_OVERHEAT = 1019;
constexpr int IDC_CHECK_PAPEROUT = 1020;
constexpr int IDC_CHECK_OVERVOLTAGE = 1021;
constexpr int IDC_CHECK_CUTTER = 1022;
constexpr int IDC_CHECK_PLATEN = 1023;
constexpr int IDC_BUTTON_ENTERSLEEP = 1024;
constexpr int IDC_BUTTON_EXITSLEEP = 1025;
