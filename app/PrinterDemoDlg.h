// CPrinterDemoDlg: the main dialog, and at the same time the printer channel: every handler
// calls printer operations on the dialog object itself, and the channel posts its status
// messages to the dialog's own window.
#pragma once

#include "app/res/Resource.h"
#include "framework/Button.h"
#include "framework/ComboBox.h"
#include "framework/Dialog.h"
#include "printer/PrinterPort.h"

class CPrinterDemoDlg : public CDialog, public CPrinterPort {
  public:
    explicit CPrinterDemoDlg(CWnd* pParent = nullptr);
    ~CPrinterDemoDlg() override;

    static constexpr UINT IDD = IDD_CE_MOLV_DIALOG;

  protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;

    HICON m_hIcon;
    CButton m_btnOpen;
    CComboBox m_cboPort;
    CComboBox m_cboBaudRate;
    CComboBox m_cboFlowControl;
    CButton m_chkOverheat;
    CButton m_chkPaperOut;
    CButton m_chkOverVoltage;
    CButton m_chkCutter;
    CButton m_chkPlaten;

    // Status display.
    LRESULT OnOverheatOn(WPARAM wParam, LPARAM lParam);
    LRESULT OnOverheatOff(WPARAM wParam, LPARAM lParam);
    LRESULT OnPaperOutOn(WPARAM wParam, LPARAM lParam);
    LRESULT OnPaperOutOff(WPARAM wParam, LPARAM lParam);
    LRESULT OnOverVoltageOn(WPARAM wParam, LPARAM lParam);
    LRESULT OnOverVoltageOff(WPARAM wParam, LPARAM lParam);
    LRESULT OnPlatenOn(WPARAM wParam, LPARAM lParam);
    LRESULT OnPlatenOff(WPARAM wParam, LPARAM lParam);
    LRESULT OnCutterOn(WPARAM wParam, LPARAM lParam);
    LRESULT OnCutterOff(WPARAM wParam, LPARAM lParam);

    // Port control.
    void OnOpenClosePort();
    void OnChangeBaudRate();
    void OnChangeFlowControl();

    // Print demonstrations.
    void OnFontStyle();
    void OnPrintAndFeed();
    void OnPageMargins();
    void OnAbsolutePosition();
    void OnGrayLevel();
    void OnHorizontalTab();
    void OnVerticalTable();
    void OnRasterImage();
    void OnAlignment();
    void OnBarcode();
    void OnCutPaper();

    // Sleep mode.
    void OnEnterSleep();
    void OnExitSleep();

    DECLARE_MESSAGE_MAP()

  private:
    // The rate of the selected baud-rate item, or 0 when no item is selected.
    long SelectedBaudRate() const;
    // Waits (up to 50 times 10 ms) until the driver's output queue is empty.
    void WaitForOutputDrain();
    // After an open whose settings or time-outs could not be read: closes the port and shows the
    // open-failure box with that error.
    void AbandonOpen(int nPort);
    // The open-failure box with the reason as its detail; the reason also goes to the debug output.
    void ReportOpenFailure(int nPort, DWORD dwError, const std::string& osText);
};
