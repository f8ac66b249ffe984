// CPrinterPort: the printer channel. A CCommPort with one operation per printer command, and a
// receive handler that decodes what the printer sends back into latched conditions and status
// messages posted to the status window.
#pragma once

#include <atomic>
#include <cstdint>

#include "engine/CommPort.h"
#include "platform/win32.h"

// Status messages, both parameters 0.
constexpr UINT WM_PRINTER_OVERVOLTAGE_ON = WM_USER + 700;
constexpr UINT WM_PRINTER_OVERVOLTAGE_OFF = WM_USER + 701;
constexpr UINT WM_PRINTER_PLATEN_ON = WM_USER + 702;
constexpr UINT WM_PRINTER_PLATEN_OFF = WM_USER + 703;
constexpr UINT WM_PRINTER_PAPEROUT_ON = WM_USER + 704;
constexpr UINT WM_PRINTER_PAPEROUT_OFF = WM_USER + 705;
constexpr UINT WM_PRINTER_OVERHEAT_ON = WM_USER + 706;
constexpr UINT WM_PRINTER_OVERHEAT_OFF = WM_USER + 707;
constexpr UINT WM_PRINTER_CUTTER_ON = WM_USER + 708;
constexpr UINT WM_PRINTER_CUTTER_OFF = WM_USER + 709;

// One cell of a vertical-table row.
struct TableCell {
    BYTE position;
    BYTE format;
    BYTE length;
    const BYTE* text;  // length GBK bytes, no terminator
};

class CPrinterPort : public CCommPort {
  public:
    CPrinterPort();
    ~CPrinterPort() override;

    int OnReceive() override;
    void DecodeStatusByte(BYTE byte);
    // Sends the status request and waits up to about 500 ms for the next status byte.
    bool QueryStatus(BYTE* pStatus);

    // Printer commands: each sends a fixed byte sequence through Write.
    DWORD PrintText(const char* text);
    DWORD LineFeed();
    DWORD FeedDots(BYTE n);
    DWORD ReverseFeedDots(BYTE n);
    DWORD FeedLines(BYTE n);
    DWORD ReverseFeedLines(BYTE n);
    DWORD SetLeftMargin(BYTE n);
    DWORD SetRightMargin(BYTE n);
    DWORD SetAbsolutePosition(unsigned int n);
    DWORD SetPrintMode(BYTE n);
    DWORD SetAlignment(BYTE n);
    DWORD SetGrayLevel(BYTE n);
    void PrintRasterImage(BYTE m, BYTE xL, BYTE xH, BYTE yL, BYTE yH, const BYTE* data);
    DWORD SetTabStops(const BYTE* list, int count);
    DWORD HorizontalTab();
    DWORD PrintTable(BYTE boundaryCount, const BYTE* boundaries, BYTE cellCount,
                     const TableCell* cells);
    DWORD SetBarcodeHeight(BYTE n);
    DWORD SetBarcodeWidth(BYTE n);
    DWORD SetBarcodeTextPosition(BYTE n);
    DWORD PrintBarcode(int type, const BYTE* data, int length);
    DWORD InitializePrinter();
    void ClearBuffers();
    DWORD CutPaper(BYTE n, BYTE m);
    DWORD SetAutoStatusBack(BYTE n);
    void SetPrinterBaudRate(DWORD rate);
    void SetPrinterFlowControl(BYTE n);
    void EnterSleep();
    void ExitSleep();

    HWND m_hNotifyWnd;

  protected:
    bool m_bOverVoltage;
    bool m_bPlaten;
    bool m_bOverheat;
    bool m_bPaperOut;
    bool m_bCutter;
    // Hand-overs from the event thread to the caller: the byte is published before its flag.
    std::atomic<bool> m_bReplyReceived;
    std::atomic<BYTE> m_byReply;
    std::atomic<bool> m_bStatusReceived;
    std::atomic<BYTE> m_byStatus;
};
