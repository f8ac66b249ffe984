// Opening and closing the port, and changing the link's baud rate and flow control on both the
// printer and the host.
#include "app/FlowControl.h"
#include "app/OpenFailure.h"
#include "app/PrinterDemoDlg.h"

namespace {

constexpr BYTE kParityNone = 0;
constexpr BYTE kByteSize = 8;
constexpr BYTE kOneStopBit = 0;
constexpr DWORD kInputQueueBytes = 256;
constexpr DWORD kOutputQueueBytes = 0x40000;
constexpr DWORD kCloseWaitMs = 500;
constexpr BYTE kAutoStatusBack = 47;
constexpr int kDrainPolls = 50;
constexpr DWORD kDrainPollMs = 10;

}  // namespace

void CPrinterDemoDlg::OnOpenClosePort() {
    if (IsOpen()) {
        Close(kCloseWaitMs);
        m_btnOpen.SetWindowText(L"打开串口");
        return;
    }
    const long baudRate = SelectedBaudRate();
    if (baudRate == 0) {
        return;  // typed text is no rate to open with
    }
    const int nPort = m_cboPort.GetCurSel() + 1;
    NKDbgPrintfW(L"iPort = %d, iBaudrate=%d\r\n", nPort, static_cast<int>(baudRate));
    if (!Open(nPort, static_cast<DWORD>(baudRate), kParityNone, kByteSize, kOneStopBit)) {
        const DWORD dwError = GetLastError();
        ReportOpenFailure(nPort, dwError, platform::LastErrorText());
        return;
    }
    InitializePrinter();

    const FlowControlMode* mode = FindFlowControlMode(m_cboFlowControl.GetCurSel());
    if (GetState() == nullptr) {
        AbandonOpen(nPort);
        return;
    }
    if (mode != nullptr) {
        if (mode->commandOnOpen) {
            SetPrinterFlowControl(mode->printerArgument);
        }
        ApplyFlowControl(*mode, m_dcb);
        NKDbgPrintfW(mode->diagnostic);
    }
    SetState();
    SetQueueSizes(kInputQueueBytes, kOutputQueueBytes);

    if (GetTimeouts() == nullptr) {
        AbandonOpen(nPort);
        return;
    }
    m_timeouts.ReadTotalTimeoutConstant = MAXDWORD;
    m_timeouts.WriteTotalTimeoutConstant = MAXDWORD;
    SetTimeouts();

    m_btnOpen.SetWindowText(L"关闭串口");
    BYTE byStatus = 0;
    QueryStatus(&byStatus);
    SetAutoStatusBack(kAutoStatusBack);
}

void CPrinterDemoDlg::OnChangeBaudRate() {
    if (!IsOpen()) {
        return;
    }
    const long baudRate = SelectedBaudRate();
    if (baudRate == 0) {
        return;
    }
    Purge(PURGE_TXABORT | PURGE_TXCLEAR);
    ClearBuffers();
    SetPrinterBaudRate(static_cast<DWORD>(baudRate));
    WaitForOutputDrain();
    if (GetState() == nullptr) {
        NKDbgPrintfW(L"baud rate not changed on the host: %s\r\n",
                     platform::Utf8ToWide(platform::LastErrorText()).c_str());
        return;
    }
    m_dcb.BaudRate = static_cast<DWORD>(baudRate);
    SetState();
}

void CPrinterDemoDlg::OnChangeFlowControl() {
    if (!IsOpen()) {
        return;
    }
    Purge(PURGE_TXABORT | PURGE_TXCLEAR);
    ClearBuffers();
    const FlowControlMode* mode = FindFlowControlMode(m_cboFlowControl.GetCurSel());
    if (GetState() == nullptr) {
        NKDbgPrintfW(L"flow control not changed on the host: %s\r\n",
                     platform::Utf8ToWide(platform::LastErrorText()).c_str());
        return;
    }
    if (mode != nullptr) {
        SetPrinterFlowControl(mode->printerArgument);
        WaitForOutputDrain();
        ApplyFlowControl(*mode, m_dcb);
    }
    SetState();
}

long CPrinterDemoDlg::SelectedBaudRate() const {
    const int nIndex = m_cboBaudRate.GetCurSel();
    if (nIndex < 0) {
        return 0;
    }
    std::wstring text;
    m_cboBaudRate.GetLBText(nIndex, text);
    return _wtol(text.c_str());
}

void CPrinterDemoDlg::WaitForOutputDrain() {
    for (int poll = 0; poll < kDrainPolls; ++poll) {
        if (GetPendingCount(false) == 0) {
            return;
        }
        Sleep(kDrainPollMs);
    }
}

// Settings that were not read are not written back. The error is taken before Close can
// replace it.
void CPrinterDemoDlg::AbandonOpen(int nPort) {
    const DWORD dwError = GetLastError();
    const std::string osText = platform::LastErrorText();
    Close(kCloseWaitMs);
    ReportOpenFailure(nPort, dwError, osText);
}

void CPrinterDemoDlg::ReportOpenFailure(int nPort, DWORD dwError, const std::string& osText) {
    const std::wstring reason =
        DescribeOpenFailure(nPort, dwError, platform::PortPath(nPort), osText);
    NKDbgPrintfW(L"%s\r\n", reason.c_str());
    MessageBox(L"串口已被占用或打开有误，清选择串口", nullptr, MB_OK, reason.c_str());
}
