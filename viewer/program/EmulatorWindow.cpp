#include "viewer/program/EmulatorWindow.h"

#include "viewer/PaperWindow.h"

CEmulatorWindow::CEmulatorWindow(emutool::Program& program)
    : m_program(program), m_feed(program.Station()) {}

int CEmulatorWindow::Open() {
    if (int code = m_program.Open(); code != 0) return code;
    const bool saving = m_program.Station().SavesReceipts();
    m_feed.Start("Virtual printer on " + m_program.Where(),
                 saving ? m_program.ReceiptFolder() : "(nowhere: no --out folder was given)");
    Window().SetClosedHandler([this] { m_program.RequestStop(); });
    if (saving) Window().SetSaveHandler([this] { m_program.SaveReceiptInProgress(false); });
    return 0;
}
