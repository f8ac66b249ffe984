// The print demonstrations as the dialog offers them: one row per button of the group
// "打印功能演示", in the order of the buttons. The dialog template takes its captions from here,
// and the built-in tour, the benchmarks and the tests press or print every row, so a
// demonstration added here is offered, toured, measured and tested.
#pragma once

#include <string_view>

#include "app/Demonstrations.h"
#include "app/res/Resource.h"

struct Demonstration {
    int controlId;
    const char* caption;           // the button's caption, UTF-8
    const char* handler;           // the dialog's handler, by name
    void (*print)(CPrinterPort&);  // what the handler sends, on any printer channel

    // The handler's name without "On", for test and file names.
    std::string_view Name() const { return std::string_view(handler).substr(2); }
};

inline constexpr Demonstration kDemonstrations[] = {
    {IDC_BUTTON_FONTSTYLE, "字体样式", "OnFontStyle", PrintFontStyleDemo},
    {IDC_BUTTON_PRINTFEED, "打印与走纸", "OnPrintAndFeed", PrintPrintAndFeedDemo},
    {IDC_BUTTON_MARGINS, "页边距", "OnPageMargins", PrintPageMarginsDemo},
    {IDC_BUTTON_ABSPOSITION, "绝对坐标", "OnAbsolutePosition", PrintAbsolutePositionDemo},
    {IDC_BUTTON_GRAYLEVEL, "打印灰度", "OnGrayLevel", PrintGrayLevelDemo},
    {IDC_BUTTON_HTAB, "水平制表", "OnHorizontalTab", PrintHorizontalTabDemo},
    {IDC_BUTTON_VTABLE, "垂直制表", "OnVerticalTable", PrintVerticalTableDemo},
    {IDC_BUTTON_IMAGE, "图片打印", "OnRasterImage", PrintRasterImageDemo},
    {IDC_BUTTON_ALIGNMENT, "对齐方式", "OnAlignment", PrintAlignmentDemo},
    {IDC_BUTTON_BARCODE, "一维条码", "OnBarcode", PrintBarcodeDemo},
    {IDC_BUTTON_CUTPAPER, "切纸", "OnCutPaper", PrintCutPaperDemo},
};

// The row of a demonstration button; nullptr for any other control.
constexpr const Demonstration* FindDemonstration(int controlId) {
    for (const Demonstration& demo : kDemonstrations)
        if (demo.controlId == controlId) return &demo;
    return nullptr;
}

// The caption of a demonstration button, for the dialog template.
// (Searches by value: GCC's UBSan makes a pointer test in a constant expression non-constant.)
constexpr const char* DemonstrationCaption(int controlId) {
    for (const Demonstration& demo : kDemonstrations)
        if (demo.controlId == controlId) return demo.caption;
    return nullptr;
}
