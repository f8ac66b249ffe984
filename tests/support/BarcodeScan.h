// Reads the barcodes in a picture with zbarimg (Debian zbar-tools), as a person checking the
// paper with a scanner would.
#pragma once

#include <string>

namespace testsupport {

// Every symbol zbarimg finds in the PNG at path, as "TYPE:data" lines without the last newline
// ("" when it finds none; a message starting "zbarimg" when it could not run).
std::string ScanBarcodes(const std::string& pngPath);

}  // namespace testsupport
