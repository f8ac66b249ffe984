#include "app/res/MainDialog.h"

#include "app/DemonstrationTable.h"
#include "app/res/Resource.h"

namespace {

using enum ControlClass;

// A demonstration button, captioned from the demonstration table.
constexpr DialogItem DemoButton(int id, short x, short y) {
    return {Button, id, DemonstrationCaption(id), 0x50010000, x, y, 50, 14};
}

// Style words as the template stores them:
//   0x50010000 push button, tab stop          0x58010003 auto check box, tab stop, disabled
//   0x50210102 drop-down, edit field, sorted   0x50210042 drop-down, edit field scrolling sideways
//   0x50210002 drop-down, edit field           0x50000007 group box   0x50020000 left static, group
constexpr DialogItem kControls[] = {
    // kind      id                      caption style       x    y    cx   cy
    {Static, IDC_STATIC, "说明：进入与退出睡眠模式之间需要至少500毫秒时间", 0x50020000, 129, 192,
     121, 19},
    DemoButton(IDC_BUTTON_ALIGNMENT, 13, 121),
    DemoButton(IDC_BUTTON_BARCODE, 72, 122),
    DemoButton(IDC_BUTTON_CUTPAPER, 132, 122),
    {Button, IDC_CHECK_OVERHEAT, "过热", 0x58010003, 21, 158, 30, 10},
    {Button, IDC_CHECK_PAPEROUT, "缺纸", 0x58010003, 65, 159, 30, 10},
    {Button, IDC_CHECK_OVERVOLTAGE, "过压", 0x58010003, 110, 159, 30, 10},
    {Button, IDC_CHECK_CUTTER, "切刀", 0x58010003, 155, 159, 30, 10},
    {Button, IDC_CHECK_PLATEN, "压轴", 0x58010003, 202, 159, 30, 10},
    {Button, IDC_BUTTON_ENTERSLEEP, "进入睡眠模式", 0x50010000, 13, 194, 52, 14},
    {Button, IDC_BUTTON_EXITSLEEP, "退出睡眠模式", 0x50010000, 71, 194, 53, 14},
    {Button, IDC_BUTTON_OPEN, "打开串口", 0x50010000, 57, 6, 50, 14},
    {Button, IDC_BUTTON_BAUDRATE, "修改波特率", 0x50010000, 57, 23, 50, 14},
    {Button, IDC_BUTTON_FLOWCONTROL, "修改流控", 0x50010000, 57, 40, 50, 14},
    {ComboBox, IDC_COMBO_PORT, nullptr, 0x50210102, 5, 6, 48, 118},
    {ComboBox, IDC_COMBO_BAUDRATE, nullptr, 0x50210042, 5, 24, 48, 111},
    {ComboBox, IDC_COMBO_FLOWCONTROL, nullptr, 0x50210002, 5, 42, 48, 90},
    DemoButton(IDC_BUTTON_FONTSTYLE, 13, 75),
    DemoButton(IDC_BUTTON_PRINTFEED, 72, 75),
    DemoButton(IDC_BUTTON_MARGINS, 132, 75),
    DemoButton(IDC_BUTTON_ABSPOSITION, 193, 75),
    DemoButton(IDC_BUTTON_GRAYLEVEL, 13, 98),
    DemoButton(IDC_BUTTON_HTAB, 72, 98),
    DemoButton(IDC_BUTTON_VTABLE, 132, 99),
    DemoButton(IDC_BUTTON_IMAGE, 193, 99),
    {Button, IDC_STATIC, "打印功能演示", 0x50000007, 5, 63, 249, 79},
    {Static, IDC_STATIC, "说明：模块上电默认9600", 0x50020000, 126, 16, 79, 8},
    {Static, IDC_STATIC, "\u3000\u3000\u3000部分工控机不支持流控制", 0x50020000, 126, 31, 131, 8},
    {Button, IDC_STATIC, "打印机状态显示", 0x50000007, 4, 147, 251, 29},
    {Button, IDC_STATIC, "睡眠模式", 0x50000007, 5, 181, 249, 34},
};

constexpr DialogInitEntry kInitialLists[] = {
    {IDC_COMBO_PORT, CB_ADDSTRING, "COM1"},        {IDC_COMBO_PORT, CB_ADDSTRING, "COM2"},
    {IDC_COMBO_PORT, CB_ADDSTRING, "COM3"},        {IDC_COMBO_PORT, CB_ADDSTRING, "COM4"},
    {IDC_COMBO_PORT, CB_ADDSTRING, "COM5"},        {IDC_COMBO_PORT, CB_ADDSTRING, "COM6"},
    {IDC_COMBO_BAUDRATE, CB_ADDSTRING, "9600"},    {IDC_COMBO_BAUDRATE, CB_ADDSTRING, "19200"},
    {IDC_COMBO_BAUDRATE, CB_ADDSTRING, "115200"},  {IDC_COMBO_BAUDRATE, CB_ADDSTRING, "256000"},
    {IDC_COMBO_FLOWCONTROL, CB_ADDSTRING, "无"},   {IDC_COMBO_FLOWCONTROL, CB_ADDSTRING, "硬件"},
    {IDC_COMBO_FLOWCONTROL, CB_ADDSTRING, "软件"},
};

// Popup, visible, caption with system menu, modal frame, font given, fixed-system font. Extended:
// application window with an OK button in the caption.
constexpr DialogTemplate kMainDialog = {
    "CE_MOLV", 0x90C800C8, 0x80040000, 0, 0, 258, 220, 9, "MS Shell Dlg", kControls, kInitialLists,
};

}  // namespace

const DialogTemplate& MainDialogTemplate() { return kMainDialog; }
