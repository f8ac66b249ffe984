// Render throughput of the virtual printer: a long stream of mixed text, raster images and
// barcodes through the whole printer (decoder, status model, print engine), in dot rows a second.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "bench/BenchCommon.h"
#include "emulator/VirtualPrinter.h"

namespace {

void Append(std::vector<std::uint8_t>& out, std::initializer_list<int> bytes) {
    for (int b : bytes) out.push_back(static_cast<std::uint8_t>(b));
}

void AppendText(std::vector<std::uint8_t>& out, const char* text) {
    for (const char* p = text; *p; ++p) out.push_back(static_cast<std::uint8_t>(*p));
}

std::vector<std::uint8_t> OneBlock() {
    std::vector<std::uint8_t> s;
    for (int line = 0; line < 8; ++line) {
        Append(s, {0x1B, 0x21, line % 2 ? 0x08 : 0x00});
        AppendText(s,
                   "Item 0042  \xB2\xE2\xCA\xD4\xCA\xFD\xBE\xDD  12.50 x 3 = 37.50");  // GBK text
        Append(s, {0x0A});
    }
    Append(s, {0x1D, 0x76, 0x30, 0x00, 48, 0, 91, 0});
    for (int y = 0; y < 91; ++y)
        for (int x = 0; x < 48; ++x)
            s.push_back(static_cast<std::uint8_t>((x + y) % 3 ? 0xAA : 0x0F));
    Append(s, {0x1D, 0x77, 0x02, 0x1D, 0x68, 0x60, 0x1D, 0x48, 0x02, 0x1D, 0x6B, 0x43, 0x0C});
    AppendText(s, "012345678900");
    Append(s, {0x1D, 0x6B, 0x49, 0x0A});
    AppendText(s, "{BHELLO-12");
    Append(s, {0x0A, 0x1B, 0x4A, 0x40});
    return s;
}

// Dot rows a second for one run of one model.
double Throughput(const emu::PrinterModel& model, const std::vector<std::uint8_t>& block,
                  const std::vector<std::uint8_t>& stream, int* pages) {
    emu::VirtualPrinter printer(model, 0);
    *pages = 0;
    printer.SetPageCallback([pages](const emu::PaperImage&) { ++*pages; });
    // GBK text in every model; warm the glyph cache, as a running printer has.
    const std::uint8_t doubleByte[] = {0x1C, 0x26};
    printer.Feed(doubleByte, sizeof doubleByte);
    printer.Feed(block.data(), block.size());
    const std::uint64_t rowsBefore = printer.DotRowsPrinted();
    const auto start = std::chrono::steady_clock::now();
    for (std::size_t at = 0; at < stream.size(); at += 4096) {
        std::size_t n = std::min<std::size_t>(4096, stream.size() - at);
        printer.Feed(stream.data() + at, n);
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return (printer.DotRowsPrinted() - rowsBefore) / seconds;
}

}  // namespace

int main(int argc, char** argv) {
    int exitCode = 0;
    if (!bench::ParseArguments(
            argc, argv, "emulator_render_throughput",
            "Renders a long stream of text, raster images and barcodes through the virtual\n"
            "printer as the module and as the common 58 mm printer, and prints dot rows a\n"
            "second for each (the best of three runs). Goal: >= 100000.",
            {}, exitCode))
        return exitCode;
    const std::vector<std::uint8_t> block = OneBlock();
    std::vector<std::uint8_t> stream;
    for (int k = 0; k < 400; ++k) {
        stream.insert(stream.end(), block.begin(), block.end());
        if (k % 20 == 19) stream.insert(stream.end(), {0x1D, 0x56, 0x41, 0x10});  // full cut
    }
    std::printf("stream: %zu bytes (text, 384x91 raster, EAN-13 and CODE128 per block)\n",
                stream.size());
    // One untimed pass first: the heap and the page cache warm up once, for both models alike.
    // Then the models take turns, each keeping its best run (the machine is shared).
    const char* const names[] = {"module", "escpos58"};
    double best[2] = {0, 0};
    int pages[2] = {0, 0};
    Throughput(*emu::FindPrinterModel(names[0]), block, stream, &pages[0]);
    for (int round = 0; round < 3; ++round)
        for (int m = 0; m < 2; ++m)
            best[m] = std::max(
                best[m], Throughput(*emu::FindPrinterModel(names[m]), block, stream, &pages[m]));
    for (int m = 0; m < 2; ++m)
        std::printf("%-9s %9.0f dot rows/s (goal >= 100000), %.2f x the module, %d receipts\n",
                    names[m], best[m], best[m] / best[0], pages[m]);
    return 0;
}
