// UTF-8 to wide text, independent of the locale: device paths and error texts come as UTF-8
// (error texts may be translated), dialog texts are wide.
#pragma once

#include <string>

// Malformed sequences become U+FFFD.
std::wstring WideFromUtf8(const std::string& text);
