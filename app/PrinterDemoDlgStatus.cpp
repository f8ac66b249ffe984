// The status check boxes, which follow the channel's status messages, and the sleep buttons.
#include "app/PrinterDemoDlg.h"

LRESULT CPrinterDemoDlg::OnOverheatOn(WPARAM, LPARAM) {
    m_chkOverheat.SetCheck(1);
    return 0;
}

LRESULT CPrinterDemoDlg::OnOverheatOff(WPARAM, LPARAM) {
    m_chkOverheat.SetCheck(0);
    return 0;
}

LRESULT CPrinterDemoDlg::OnPaperOutOn(WPARAM, LPARAM) {
    m_chkPaperOut.SetCheck(1);
    return 0;
}

LRESULT CPrinterDemoDlg::OnPaperOutOff(WPARAM, LPARAM) {
    m_chkPaperOut.SetCheck(0);
    return 0;
}

LRESULT CPrinterDemoDlg::OnOverVoltageOn(WPARAM, LPARAM) {
    m_chkOverVoltage.SetCheck(1);
    return 0;
}

LRESULT CPrinterDemoDlg::OnOverVoltageOff(WPARAM, LPARAM) {
    m_chkOverVoltage.SetCheck(0);
    return 0;
}

LRESULT CPrinterDemoDlg::OnPlatenOn(WPARAM, LPARAM) {
    m_chkPlaten.SetCheck(1);
    return 0;
}

LRESULT CPrinterDemoDlg::OnPlatenOff(WPARAM, LPARAM) {
    m_chkPlaten.SetCheck(0);
    return 0;
}

LRESULT CPrinterDemoDlg::OnCutterOn(WPARAM, LPARAM) {
    m_chkCutter.SetCheck(1);
    return 0;
}

LRESULT CPrinterDemoDlg::OnCutterOff(WPARAM, LPARAM) {
    m_chkCutter.SetCheck(0);
    return 0;
}

void CPrinterDemoDlg::OnEnterSleep() {
    if (!IsOpen()) {
        return;
    }
    Purge(PURGE_TXABORT | PURGE_TXCLEAR);
    ClearBuffers();
    EnterSleep();
}

void CPrinterDemoDlg::OnExitSleep() {
    if (!IsOpen()) {
        return;
    }
    Purge(PURGE_TXABORT | PURGE_TXCLEAR);
    ClearBuffers();
    ExitSleep();
}
