// What the build-time generators share: the standard options and writing their output so that a
// failed run never leaves a partial file for the build to pick up.
#pragma once

#include <optional>
#include <ostream>
#include <string>

namespace tools {

// Answers a lone --help (usage to standard output) or --version; returns the exit code then, or
// nothing when the arguments are for the tool itself.
std::optional<int> AnswerStandardOption(int argc, char** argv, const char* program,
                                        void (*usage)(std::ostream&));

// Writes text beside path and renames it into place; returns the exit code (0, or 1 after
// saying on standard error what went wrong).
int WriteGeneratedFile(const std::string& path, const std::string& text);

}  // namespace tools
