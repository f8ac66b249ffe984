// Reads a picture of paper as a person checking it would: the barcodes with zbarimg (Debian
// zbar-tools), the text with tesseract (Debian tesseract-ocr).
#pragma once

#include <string>

namespace testsupport {

// Every symbol zbarimg finds in the PNG at path, as "TYPE:data" lines without the last newline
// ("" when it finds none; a message starting "zbarimg" when it could not run).
std::string ScanBarcodes(const std::string& pngPath);

// The text tesseract reads in the PNG at path, one line a text line, without the last newline
// ("" when it reads none; a message starting "tesseract" when it could not run).
std::string ReadText(const std::string& pngPath);

}  // namespace testsupport
