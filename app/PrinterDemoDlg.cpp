#include "app/PrinterDemoDlg.h"

#include "app/res/AppResources.h"
#include "framework/DataExchange.h"
#include "framework/WinApp.h"

BEGIN_MESSAGE_MAP(CPrinterDemoDlg, CDialog)
ON_MESSAGE(WM_PRINTER_OVERHEAT_ON, &CPrinterDemoDlg::OnOverheatOn)
ON_MESSAGE(WM_PRINTER_OVERHEAT_OFF, &CPrinterDemoDlg::OnOverheatOff)
ON_MESSAGE(WM_PRINTER_PAPEROUT_ON, &CPrinterDemoDlg::OnPaperOutOn)
ON_MESSAGE(WM_PRINTER_PAPEROUT_OFF, &CPrinterDemoDlg::OnPaperOutOff)
ON_MESSAGE(WM_PRINTER_OVERVOLTAGE_ON, &CPrinterDemoDlg::OnOverVoltageOn)
ON_MESSAGE(WM_PRINTER_OVERVOLTAGE_OFF, &CPrinterDemoDlg::OnOverVoltageOff)
ON_MESSAGE(WM_PRINTER_PLATEN_ON, &CPrinterDemoDlg::OnPlatenOn)
ON_MESSAGE(WM_PRINTER_PLATEN_OFF, &CPrinterDemoDlg::OnPlatenOff)
ON_MESSAGE(WM_PRINTER_CUTTER_ON, &CPrinterDemoDlg::OnCutterOn)
ON_MESSAGE(WM_PRINTER_CUTTER_OFF, &CPrinterDemoDlg::OnCutterOff)
ON_BN_CLICKED(IDC_BUTTON_OPEN, &CPrinterDemoDlg::OnOpenClosePort)
ON_BN_CLICKED(IDC_BUTTON_BAUDRATE, &CPrinterDemoDlg::OnChangeBaudRate)
ON_BN_CLICKED(IDC_BUTTON_FLOWCONTROL, &CPrinterDemoDlg::OnChangeFlowControl)
ON_BN_CLICKED(IDC_BUTTON_FONTSTYLE, &CPrinterDemoDlg::OnFontStyle)
ON_BN_CLICKED(IDC_BUTTON_PRINTFEED, &CPrinterDemoDlg::OnPrintAndFeed)
ON_BN_CLICKED(IDC_BUTTON_MARGINS, &CPrinterDemoDlg::OnPageMargins)
ON_BN_CLICKED(IDC_BUTTON_ABSPOSITION, &CPrinterDemoDlg::OnAbsolutePosition)
ON_BN_CLICKED(IDC_BUTTON_GRAYLEVEL, &CPrinterDemoDlg::OnGrayLevel)
ON_BN_CLICKED(IDC_BUTTON_HTAB, &CPrinterDemoDlg::OnHorizontalTab)
ON_BN_CLICKED(IDC_BUTTON_VTABLE, &CPrinterDemoDlg::OnVerticalTable)
ON_BN_CLICKED(IDC_BUTTON_IMAGE, &CPrinterDemoDlg::OnRasterImage)
ON_BN_CLICKED(IDC_BUTTON_ALIGNMENT, &CPrinterDemoDlg::OnAlignment)
ON_BN_CLICKED(IDC_BUTTON_BARCODE, &CPrinterDemoDlg::OnBarcode)
ON_BN_CLICKED(IDC_BUTTON_CUTPAPER, &CPrinterDemoDlg::OnCutPaper)
ON_BN_CLICKED(IDC_BUTTON_ENTERSLEEP, &CPrinterDemoDlg::OnEnterSleep)
ON_BN_CLICKED(IDC_BUTTON_EXITSLEEP, &CPrinterDemoDlg::OnExitSleep)
END_MESSAGE_MAP()

CPrinterDemoDlg::CPrinterDemoDlg(CWnd* pParent) : CDialog(IDD, pParent), m_hIcon(nullptr) {
    RegisterAppResources();
    m_hIcon = ::LoadIconW(AfxGetInstanceHandle(), MAKEINTRESOURCEW(IDR_MAINFRAME));
}

// A port still open is closed here, before any part of the object is torn down, so that the
// event thread is stopped before the object it runs on starts changing (the channel's own
// destructor would close it only once this part is gone).
CPrinterDemoDlg::~CPrinterDemoDlg() {
    if (IsOpen()) {
        Close(500);
    }
}

void CPrinterDemoDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_BUTTON_OPEN, m_btnOpen);
    DDX_Control(pDX, IDC_COMBO_PORT, m_cboPort);
    DDX_Control(pDX, IDC_COMBO_BAUDRATE, m_cboBaudRate);
    DDX_Control(pDX, IDC_COMBO_FLOWCONTROL, m_cboFlowControl);
    DDX_Control(pDX, IDC_CHECK_OVERHEAT, m_chkOverheat);
    DDX_Control(pDX, IDC_CHECK_PAPEROUT, m_chkPaperOut);
    DDX_Control(pDX, IDC_CHECK_OVERVOLTAGE, m_chkOverVoltage);
    DDX_Control(pDX, IDC_CHECK_CUTTER, m_chkCutter);
    DDX_Control(pDX, IDC_CHECK_PLATEN, m_chkPlaten);
}

BOOL CPrinterDemoDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    SetIcon(m_hIcon, TRUE);
    SetIcon(m_hIcon, FALSE);
    m_cboPort.SetCurSel(0);
    m_cboBaudRate.SetCurSel(0);
    m_cboFlowControl.SetCurSel(0);
    m_hNotifyWnd = m_hWnd;
    return TRUE;
}
