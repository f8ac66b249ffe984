#include "app/DemoTour.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "app/res/Resource.h"

namespace {

std::string Line(const char* verb, int id) {
    return std::string(verb) + " " + std::to_string(id) + "\n";
}

}  // namespace

DemoTourFiles DemoTourFilesIn(const std::filesystem::path& folder) {
    return {folder / "demo-tour.script", folder / "dialog.png", folder / "printer-window.png"};
}

std::string DemoTourScript(const DemoTourFiles& files) {
    std::string text =
        "# The built-in demonstration of CE_MOLV on its virtual printer.\n"
        "# Open COM1 (the virtual printer) at the selected 9600 baud, no flow control.\n";
    text += Line("click", IDC_BUTTON_OPEN);
    text += "expect text " + std::to_string(IDC_BUTTON_OPEN) + " 关闭串口\n";
    text += "# Every demonstration, in the order of the buttons.\n";
    for (int id :
         {IDC_BUTTON_FONTSTYLE, IDC_BUTTON_PRINTFEED, IDC_BUTTON_MARGINS, IDC_BUTTON_ABSPOSITION,
          IDC_BUTTON_GRAYLEVEL, IDC_BUTTON_HTAB, IDC_BUTTON_VTABLE, IDC_BUTTON_IMAGE,
          IDC_BUTTON_ALIGNMENT, IDC_BUTTON_BARCODE, IDC_BUTTON_CUTPAPER}) {
        text += Line("click", id);
        text += "wait 100\n";
    }
    text += "# The printer runs out of paper: its status report checks the box.\n";
    text += "printer paper-out on\nwait 300\n";
    text += "expect check " + std::to_string(IDC_CHECK_PAPEROUT) + " 1\n";
    text += "screenshot " + files.dialogShot.string() + "\n";
    text += "printer screenshot " + files.printerShot.string() + "\n";
    text += "# Paper is back: the box clears.\n";
    text += "printer paper-out off\nwait 300\n";
    text += "expect check " + std::to_string(IDC_CHECK_PAPEROUT) + " 0\n";
    text += Line("click", IDC_BUTTON_OPEN);
    text += "expect text " + std::to_string(IDC_BUTTON_OPEN) + " 打开串口\n";
    text += "close\n";
    return text;
}

bool WriteDemoTour(const DemoTourFiles& files, std::string* pError) {
    // The paper folder is made at the first receipt; the tour writes into it before that.
    std::error_code made;
    std::filesystem::create_directories(files.script.parent_path(), made);
    std::ofstream out(files.script);
    out << DemoTourScript(files);
    out.close();
    if (!out) {
        *pError = files.script.string() + ": cannot write the demonstration script (" +
                  std::strerror(errno) + ")";
        return false;
    }
    return true;
}
