// Page mode's cost: the same receipt content (text lines, a raster image, a barcode, a QR code)
// printed as a stream of pages and in standard mode on the common 58 mm printer, in dot rows a
// second, with the pages' figure as a share of standard mode's.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "bench/BenchCommon.h"
#include "emulator/VirtualPrinter.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

void Append(Bytes& out, std::initializer_list<int> bytes) {
    for (int b : bytes) out.push_back(static_cast<std::uint8_t>(b));
}

void AppendText(Bytes& out, const char* text) {
    for (const char* p = text; *p; ++p) out.push_back(static_cast<std::uint8_t>(*p));
}

Bytes Content() {
    Bytes s;
    for (int line = 0; line < 8; ++line) {
        Append(s, {0x1B, 0x21, line % 2 ? 0x08 : 0x00});
        AppendText(s, "Item 0042  Croissant      12.50 x 3 = 37.50");
        Append(s, {0x0A});
    }
    Append(s, {0x1D, 0x76, 0x30, 0x00, 24, 0, 91, 0});
    for (int y = 0; y < 91; ++y)
        for (int x = 0; x < 24; ++x)
            s.push_back(static_cast<std::uint8_t>((x + y) % 3 ? 0xAA : 0x0F));
    Append(s, {0x0A, 0x1D, 0x77, 0x02, 0x1D, 0x68, 0x60, 0x1D, 0x48, 0x02, 0x1D, 0x6B, 0x43, 0x0C});
    AppendText(s, "012345678900");
    Append(s, {0x0A, 0x1D, 0x28, 0x6B, 0x03, 0x00, 0x31, 0x43, 0x04});
    Append(s, {0x1D, 0x28, 0x6B, 23, 0x00, 0x31, 0x50, 0x30});
    AppendText(s, "https://example.com/r");
    Append(s, {0x1D, 0x28, 0x6B, 0x03, 0x00, 0x31, 0x51, 0x30, 0x0A});
    return s;
}

struct Run {
    double rowsPerSecond;
    std::uint64_t rows;
};

Run Print(const Bytes& stream) {
    emu::VirtualPrinter printer(*emu::FindPrinterModel("escpos58"), 0);
    printer.SetReceiptCallback([](const emu::FinishedReceipt&) {});
    const auto start = std::chrono::steady_clock::now();
    for (std::size_t at = 0; at < stream.size(); at += 4096)
        printer.Feed(stream.data() + at, std::min<std::size_t>(4096, stream.size() - at));
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return Run{printer.DotRowsPrinted() / seconds, printer.DotRowsPrinted()};
}

}  // namespace

int main(int argc, char** argv) {
    int exitCode = 0;
    int blocks = 300;
    if (!bench::ParseArguments(
            argc, argv, "bench_emulator_page_mode",
            "Prints the same receipt content as a stream of pages (ESC L, ESC W, the content,\n"
            "FF) and in standard mode on the common 58 mm printer, and prints dot rows a second\n"
            "for each (the best of three runs) and the pages' share. Goal: >= 0.8.",
            {{"--blocks", &blocks, "blocks of content in each stream (default 300)"}}, exitCode))
        return exitCode;
    const Bytes content = Content();
    // The page is as long as the content is in standard mode, so both print the same rows.
    const int height = static_cast<int>(Print(content).rows);
    Bytes standard, pages;
    for (int k = 0; k < blocks; ++k) {
        standard.insert(standard.end(), content.begin(), content.end());
        Append(pages, {0x1B, 0x4C, 0x1B, 0x57, 0, 0, 0, 0, 0x80, 0x01, height & 0xFF, height >> 8});
        pages.insert(pages.end(), content.begin(), content.end());
        Append(pages, {0x0C});
        if (k % 20 == 19)
            for (Bytes* s : {&standard, &pages}) Append(*s, {0x1D, 0x56, 0x41, 0x10});
    }
    Print(standard);  // warms the heap and the glyph cache for both alike
    Run best[2] = {};
    for (int round = 0; round < 3; ++round) {
        for (int mode = 0; mode < 2; ++mode) {
            const Run run = Print(mode ? pages : standard);
            if (run.rowsPerSecond > best[mode].rowsPerSecond) best[mode] = run;
        }
    }
    std::printf("content: %zu bytes, %d dot rows a block, %d blocks; load %s\n", content.size(),
                height, blocks, bench::LoadAverage().c_str());
    std::printf("standard mode %9.0f dot rows/s (%llu rows)\n", best[0].rowsPerSecond,
                static_cast<unsigned long long>(best[0].rows));
    std::printf("pages         %9.0f dot rows/s (%llu rows), %.2f x standard mode (goal >= 0.8)\n",
                best[1].rowsPerSecond, static_cast<unsigned long long>(best[1].rows),
                best[1].rowsPerSecond / best[0].rowsPerSecond);
    return 0;
}
