// The eleven print demonstrations, one per button of the dialog's group "打印功能演示". Each is a
// fixed script of printer commands with constant texts: it reads nothing, keeps no state and
// ignores every result, so a button sends the same bytes every time it is pressed. With no port
// open each command sends nothing and the script still runs to its end.
#pragma once

class CPrinterPort;

// Title line every demonstration starts with: mode 10, the title, a line feed, mode 0.
void PrintDemoTitle(CPrinterPort& printer, const char* title);

void PrintFontStyleDemo(CPrinterPort& printer);
void PrintPrintAndFeedDemo(CPrinterPort& printer);
void PrintPageMarginsDemo(CPrinterPort& printer);
void PrintAbsolutePositionDemo(CPrinterPort& printer);
void PrintGrayLevelDemo(CPrinterPort& printer);
void PrintHorizontalTabDemo(CPrinterPort& printer);
void PrintVerticalTableDemo(CPrinterPort& printer);
void PrintRasterImageDemo(CPrinterPort& printer);
void PrintAlignmentDemo(CPrinterPort& printer);
void PrintBarcodeDemo(CPrinterPort& printer);
void PrintCutPaperDemo(CPrinterPort& printer);
