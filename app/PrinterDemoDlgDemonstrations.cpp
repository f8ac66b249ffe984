// The print demonstrations: each button prints its fixed sample on the dialog's own channel.
#include "app/Demonstrations.h"
#include "app/PrinterDemoDlg.h"

void CPrinterDemoDlg::OnFontStyle() { PrintFontStyleDemo(*this); }
void CPrinterDemoDlg::OnPrintAndFeed() { PrintPrintAndFeedDemo(*this); }
void CPrinterDemoDlg::OnPageMargins() { PrintPageMarginsDemo(*this); }
void CPrinterDemoDlg::OnAbsolutePosition() { PrintAbsolutePositionDemo(*this); }
void CPrinterDemoDlg::OnGrayLevel() { PrintGrayLevelDemo(*this); }
void CPrinterDemoDlg::OnHorizontalTab() { PrintHorizontalTabDemo(*this); }
void CPrinterDemoDlg::OnVerticalTable() { PrintVerticalTableDemo(*this); }
void CPrinterDemoDlg::OnRasterImage() { PrintRasterImageDemo(*this); }
void CPrinterDemoDlg::OnAlignment() { PrintAlignmentDemo(*this); }
void CPrinterDemoDlg::OnBarcode() { PrintBarcodeDemo(*this); }
void CPrinterDemoDlg::OnCutPaper() { PrintCutPaperDemo(*this); }
