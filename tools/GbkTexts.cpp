// gbk-texts: turns the readable list of demonstration texts (UTF-8, one `NAME "text" [count]` a
// line) into a C++ header of GBK byte-string constants. Any text that GBK cannot represent stops
// the build, so the printer never receives a substituted or truncated character.
#include <iconv.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "ToolOutput.h"

namespace {

struct Text {
    std::string name;
    std::string utf8;
    std::string gbk;
    std::optional<unsigned long> expectedBytes;
    int line = 0;
};

class ToGbk {
  public:
    ToGbk() : m_cd(iconv_open("GBK", "UTF-8")) {}
    ~ToGbk() {
        if (m_cd != reinterpret_cast<iconv_t>(-1)) iconv_close(m_cd);
    }
    ToGbk(const ToGbk&) = delete;
    ToGbk& operator=(const ToGbk&) = delete;

    bool valid() const { return m_cd != reinterpret_cast<iconv_t>(-1); }

    // Converts the whole text or returns the offset of the first byte that could not be encoded.
    bool convert(const std::string& utf8, std::string& gbk, size_t& badOffset) {
        iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
        std::vector<char> in(utf8.begin(), utf8.end());
        std::vector<char> out(utf8.size() * 2 + 8);
        char* inPtr = in.data();
        size_t inLeft = in.size();
        char* outPtr = out.data();
        size_t outLeft = out.size();
        if (iconv(m_cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<size_t>(-1)) {
            badOffset = static_cast<size_t>(inPtr - in.data());
            return false;
        }
        gbk.assign(out.data(), static_cast<size_t>(outPtr - out.data()));
        return true;
    }

  private:
    iconv_t m_cd;
};

bool isIdentifier(const std::string& s) {
    if (s.empty() || !(std::isalpha(static_cast<unsigned char>(s[0])) || s[0] == '_')) return false;
    for (char c : s)
        if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '_')) return false;
    return true;
}

// Length of the UTF-8 sequence starting at s[i], or 0 when it is not well formed.
size_t utf8SequenceLength(const std::string& s, size_t i) {
    const auto b = static_cast<unsigned char>(s[i]);
    size_t n = b < 0x80 ? 1 : (b >> 5) == 0x6 ? 2 : (b >> 4) == 0xE ? 3 : (b >> 3) == 0x1E ? 4 : 0;
    if (n == 0 || i + n > s.size()) return 0;
    for (size_t k = 1; k < n; ++k)
        if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return 0;
    return n;
}

// Parses one non-blank, non-comment line; on failure sets error and returns nothing.
std::optional<Text> parseLine(const std::string& line, int lineNo, std::string& error) {
    std::istringstream in(line);
    Text t;
    t.line = lineNo;
    in >> t.name;
    if (!isIdentifier(t.name)) {
        error = "expected a C++ identifier, found '" + t.name + "'";
        return std::nullopt;
    }
    in >> std::ws;
    if (in.get() != '"') {
        error = "expected a quoted text after " + t.name;
        return std::nullopt;
    }
    bool closed = false;
    for (int c; (c = in.get()) != EOF;) {
        if (c == '"') {
            closed = true;
            break;
        }
        if (c == '\\') {
            c = in.get();
            if (c != '"' && c != '\\') {
                error = "only \\\" and \\\\ may be escaped in a text";
                return std::nullopt;
            }
        }
        t.utf8.push_back(static_cast<char>(c));
    }
    if (!closed) {
        error = "the text of " + t.name + " has no closing quote";
        return std::nullopt;
    }
    std::string rest;
    if (in >> rest) {
        char* end = nullptr;
        errno = 0;
        const unsigned long count = std::strtoul(rest.c_str(), &end, 10);
        if (*end != '\0' || errno != 0 || rest[0] == '-') {
            error = "expected a byte count after the text, found '" + rest + "'";
            return std::nullopt;
        }
        t.expectedBytes = count;
        if (in >> rest) {
            error = "unexpected '" + rest + "' after the byte count";
            return std::nullopt;
        }
    }
    return t;
}

std::string header(const std::vector<Text>& texts, const std::string& source) {
    std::ostringstream h;
    h << "// Generated from " << source << " by gbk-texts. Do not edit.\n"
      << "// GBK byte strings of the demonstration texts; the UTF-8 original follows each one.\n"
      << "#pragma once\n\n"
      << "namespace demo_texts {\n\n";
    for (const Text& t : texts) {
        h << "// \"" << t.utf8 << "\"\n"
          << "inline constexpr char " << t.name << "[] = \"";
        char hex[5];
        for (unsigned char c : t.gbk) {
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            h << hex;
        }
        h << "\";\n";
        if (t.expectedBytes)
            h << "static_assert(sizeof(" << t.name << ") - 1 == " << *t.expectedBytes << ", \""
              << t.name << " must be " << *t.expectedBytes << " GBK bytes\");\n";
    }
    h << "\n}  // namespace demo_texts\n";
    return h.str();
}

void usage(std::ostream& out) {
    out << "Usage: gbk-texts INPUT.def OUTPUT.h\n"
           "Encodes each text of INPUT.def (UTF-8 lines of the form NAME \"text\" [byte count])\n"
           "to GBK and writes them to OUTPUT.h as constexpr char arrays in namespace demo_texts.\n"
           "A given byte count becomes a static_assert. Fails on any text GBK cannot encode.\n"
           "  --help     show this help\n"
           "  --version  show the version\n";
}

}  // namespace

int main(int argc, char** argv) {
    if (const std::optional<int> answered =
            tools::AnswerStandardOption(argc, argv, "gbk-texts", usage)) {
        return *answered;
    }
    if (argc != 3) {
        usage(std::cerr);
        return 2;
    }
    const std::string inputPath = argv[1];
    const std::string outputPath = argv[2];

    std::ifstream input(inputPath);
    if (!input) {
        std::cerr << inputPath << ": cannot open: " << std::strerror(errno) << "\n";
        return 1;
    }
    ToGbk toGbk;
    if (!toGbk.valid()) {
        std::cerr << "gbk-texts: this system's iconv has no UTF-8 to GBK conversion\n";
        return 1;
    }

    std::vector<Text> texts;
    std::set<std::string> names;
    int errors = 0;
    std::string line;
    for (int lineNo = 1; std::getline(input, line); ++lineNo) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const size_t first = line.find_first_not_of(" \t");
        if (first == std::string::npos || line[first] == '#') continue;
        auto fail = [&](const std::string& what) {
            std::cerr << inputPath << ":" << lineNo << ": " << what << "\n";
            ++errors;
        };
        std::string error;
        std::optional<Text> t = parseLine(line, lineNo, error);
        if (!t) {
            fail(error);
            continue;
        }
        if (!names.insert(t->name).second) {
            fail(t->name + " is defined twice");
            continue;
        }
        size_t validPrefix = 0;
        for (size_t n; validPrefix < t->utf8.size(); validPrefix += n)
            if ((n = utf8SequenceLength(t->utf8, validPrefix)) == 0) break;
        if (validPrefix != t->utf8.size()) {
            fail(t->name + ": the text is not valid UTF-8 (byte " + std::to_string(validPrefix) +
                 ")");
            continue;
        }
        size_t bad = 0;
        if (!toGbk.convert(t->utf8, t->gbk, bad)) {
            const size_t n = utf8SequenceLength(t->utf8, bad);
            fail(t->name + ": '" + t->utf8.substr(bad, n == 0 ? 1 : n) +
                 "' cannot be encoded in GBK; choose another character");
            continue;
        }
        texts.push_back(std::move(*t));
    }
    if (errors != 0) {
        std::cerr << "gbk-texts: " << errors << " error(s); " << outputPath << " not written\n";
        return 1;
    }

    return tools::WriteGeneratedFile(outputPath, header(texts, inputPath));
}
