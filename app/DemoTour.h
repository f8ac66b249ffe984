// The built-in demonstration (--demo): a script that opens the port, presses every
// demonstration button, has the printer report paper out and back, takes pictures of the
// dialog and of the printer's window, closes the port and ends.
#pragma once

#include <filesystem>
#include <string>

struct DemoTourFiles {
    std::filesystem::path script;       // the script as run, for the operator to read or replay
    std::filesystem::path dialogShot;   // the dialog while paper out is reported
    std::filesystem::path printerShot;  // the printer's window after the demonstrations
};

// The files of a tour in folder (the receipts' folder).
DemoTourFiles DemoTourFilesIn(const std::filesystem::path& folder);
std::string DemoTourScript(const DemoTourFiles& files);
// Writes the script file; false with the reason in *pError.
bool WriteDemoTour(const DemoTourFiles& files, std::string* pError);
