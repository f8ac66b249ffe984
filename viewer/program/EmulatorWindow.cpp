#include "viewer/program/EmulatorWindow.h"

#include "viewer/PaperWindow.h"

CEmulatorWindow::CEmulatorWindow(emutool::Program& program)
    : m_program(program), m_feed(program.Printer()) {
    m_program.SetObserver(this);
}

CEmulatorWindow::~CEmulatorWindow() { m_feed.Stop(); }

int CEmulatorWindow::Open() {
    if (int code = m_program.Open(); code != 0) return code;
    const std::string where = m_program.Where();
    const bool saving = !m_program.ReceiptFolder().empty();
    m_feed.Start(
        "Virtual printer on " + where,
        saving ? m_program.ReceiptFolder() : "(nowhere: no --out folder was given)",
        [this](const emu::PaperImage& page) { return m_program.SaveReceipt(page); },
        [this] { return m_program.DescribeState(); });
    Window().SetClosedHandler([this] { m_program.RequestStop(); });
    if (saving) Window().SetSaveHandler([this] { m_program.SaveUnfinished(false); });
    return 0;
}
