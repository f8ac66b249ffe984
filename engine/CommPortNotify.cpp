// CCommPort: engine notifications to the owner and the line-event hooks that send them.
#include "engine/CommPort.h"

int CCommPort::Notify(UINT message, DWORD dwValue, bool bPost) {
    const auto wParam = static_cast<WPARAM>(m_nPort);
    const auto lParam = static_cast<LPARAM>(dwValue);
    if (m_hOwnerWnd != nullptr && IsWindow(m_hOwnerWnd)) {
        if (bPost)
            PostMessageW(m_hOwnerWnd, message, wParam, lParam);
        else
            SendMessageW(m_hOwnerWnd, message, wParam, lParam);
    }
    if (m_dwOwnerThreadId != 0)
        return PostThreadMessageW(m_dwOwnerThreadId, message, wParam, lParam);
    return 0;
}

int CCommPort::OnReceive() { return Notify(WM_COMM_RXCHAR, 0, true); }

int CCommPort::OnDsrChange() {
    return Notify(WM_COMM_DSR, (GetModemStatus() & MS_DSR_ON) ? 1 : 0, true);
}

int CCommPort::OnCtsChange() {
    return Notify(WM_COMM_CTS, (GetModemStatus() & MS_CTS_ON) ? 1 : 0, true);
}

int CCommPort::OnBreak() {
    ClearCommBreak(m_hPort);
    return Notify(WM_COMM_BREAK, 0, true);
}

int CCommPort::OnTxEmpty() { return Notify(WM_COMM_TXEMPTY, 0, true); }

int CCommPort::OnLineError() { return Notify(WM_COMM_ERR, GetLineErrors(), true); }

int CCommPort::OnRing() {
    return Notify(WM_COMM_RING, (GetModemStatus() & MS_RING_ON) ? 1 : 0, true);
}

int CCommPort::OnCarrierChange() {
    return Notify(WM_COMM_RLSD, (GetModemStatus() & MS_RLSD_ON) ? 1 : 0, true);
}

int CCommPort::OnRxFlag() { return Notify(WM_COMM_RXFLAG, 0, true); }

int CCommPort::OnPowerEvent() { return Notify(WM_COMM_POWER, 0, true); }

int CCommPort::OnAuxEvent1() { return Notify(WM_COMM_AUX1, 0, true); }

int CCommPort::OnAuxEvent2() { return Notify(WM_COMM_AUX2, 0, true); }

int CCommPort::OnAuxEvent3() { return Notify(WM_COMM_AUX3, 0, true); }

int CCommPort::OnAuxEvent4() { return Notify(WM_COMM_AUX4, 0, true); }
