// How receipts are best saved: the client libraries' receipts (tests/emulator/clients) and a
// receipt in gray levels, encoded as PNG at several depths, filters and zlib levels, in time and
// bytes a receipt against the 8-bit gray, adaptive-filter, level-6 files saved before.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "bench/BenchCommon.h"
#include "emulator/PrinterModel.h"
#include "emulator/VirtualPrinter.h"
#include "emulator/rendering/PngWriter.h"

namespace {

constexpr int kNone = 0x08, kAll = 0xF8;

struct Variant {
    const char* name;
    emu::PngEncoding encoding;
};

// Each the same for both depths (the gray receipt always takes 8 bits), but the chosen one.
constexpr emu::PngEncoding Both(emu::PngSettings settings, bool oneBit = true) {
    return {settings, settings, oneBit};
}

const Variant kVariants[] = {
    {"8-bit, adaptive filters, level 6 (before)", Both({6, kAll, false}, false)},
    {"8-bit, no filter, level 1", Both({1, kNone, false}, false)},
    {"chosen (1-bit level 3, gray level 1)", emu::kReceiptPng},
    {"no filter, level 1", Both({1, kNone, false})},
    {"no filter, level 1, RLE", Both({1, kNone, true})},
    {"no filter, level 3", Both({3, kNone, false})},
    {"no filter, level 6", Both({6, kNone, false})},
    {"no filter, level 9", Both({9, kNone, false})},
    {"adaptive filters, level 1", Both({1, kAll, false})},
    {"adaptive filters, level 6", Both({6, kAll, false})},
    {"up filter, level 1", Both({1, 0x20, false})},
};

std::vector<emu::PaperImage> Render(const std::vector<std::uint8_t>& stream, const char* model) {
    std::vector<emu::PaperImage> pages;
    emu::VirtualPrinter printer(*emu::FindPrinterModel(model), 0);
    printer.SetReceiptCallback(
        [&](const emu::FinishedReceipt& receipt) { pages.push_back(receipt.image); });
    printer.Feed(stream.data(), stream.size());
    printer.Finish();
    if (printer.HasContent()) pages.push_back(printer.Snapshot());
    return pages;
}

std::vector<std::uint8_t> ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A receipt at every gray level, as the module's gray-level demonstration prints them.
std::vector<std::uint8_t> GrayReceipt() {
    std::vector<std::uint8_t> s = {0x1B, 0x40};
    for (int level = 8; level >= 1; --level) {
        s.insert(s.end(), {0x1B, 'm', static_cast<std::uint8_t>(level)});
        const std::string line = "Gray level " + std::to_string(level) + ": 0123456789 ABCDEF\n";
        s.insert(s.end(), line.begin(), line.end());
    }
    s.insert(s.end(), {0x1D, 0x56, 0x41, 0x10});
    return s;
}

struct Figure {
    double seconds = 1e9;  // the best round's
    std::size_t bytes = 0;
};

Figure Measure(const std::vector<emu::PaperImage>& pages, const emu::PngEncoding& encoding,
               int rounds) {
    Figure figure;
    std::vector<std::uint8_t> png;
    std::string error;
    for (int round = 0; round < rounds; ++round) {
        std::size_t bytes = 0;
        const double start = bench::ProcessCpuSeconds();  // the machine is shared: CPU, not wall
        for (const emu::PaperImage& page : pages) {
            if (!emu::EncodePng(page, &png, &error, encoding)) {
                std::fprintf(stderr, "bench_png_encoding: %s\n", error.c_str());
                return figure;
            }
            bytes += png.size();
        }
        figure.seconds = std::min(figure.seconds, bench::ProcessCpuSeconds() - start);
        figure.bytes = bytes;
    }
    return figure;
}

void Report(const char* what, const std::vector<emu::PaperImage>& pages, int rounds) {
    std::printf("\n%s: %zu receipts\n", what, pages.size());
    std::printf("  %-44s %10s %8s %12s %8s\n", "encoding", "ms/receipt", "x before",
                "bytes/receipt", "of before");
    Figure figures[std::size(kVariants)];
    for (std::size_t v = 0; v < std::size(kVariants); ++v)
        figures[v] = Measure(pages, kVariants[v].encoding, rounds);
    const double n = static_cast<double>(pages.size());
    for (std::size_t v = 0; v < std::size(kVariants); ++v)
        std::printf("  %-44s %10.3f %8.2f %12.0f %7.0f%%\n", kVariants[v].name,
                    1000 * figures[v].seconds / n, figures[0].seconds / figures[v].seconds,
                    figures[v].bytes / n, 100.0 * figures[v].bytes / figures[0].bytes);
}

}  // namespace

int main(int argc, char** argv) {
    int exitCode = 0;
    int rounds = 5;
    if (!bench::ParseArguments(
            argc, argv, "bench_png_encoding",
            "Encodes the client libraries' receipts (text and images, 58 and 80 mm) and a\n"
            "receipt in gray levels as PNG at several depths, filters and zlib levels, and\n"
            "prints the CPU time and the bytes a receipt of each (best of the rounds), with\n"
            "their ratio to the encoding used before (8-bit, adaptive filters, level 6).",
            {{"rounds", &rounds, "rounds per encoding"}}, exitCode))
        return exitCode;
    std::vector<emu::PaperImage> receipts;
    for (const auto& entry : std::filesystem::directory_iterator(EMULATOR_FIXTURES)) {
        if (entry.path().extension() != ".bin") continue;
        const std::vector<std::uint8_t> stream = ReadFile(entry.path());
        for (const char* model : {"escpos58", "escpos80"})
            for (emu::PaperImage& page : Render(stream, model)) receipts.push_back(std::move(page));
    }
    // Enough receipts that one round takes a measurable time.
    std::vector<emu::PaperImage> many;
    while (many.size() < 200) many.insert(many.end(), receipts.begin(), receipts.end());
    std::vector<emu::PaperImage> gray;
    for (int i = 0; i < 50; ++i) gray.push_back(Render(GrayReceipt(), "module").front());
    std::printf("load %s; black-and-white receipts: %s; gray receipt: %s\n",
                bench::LoadAverage().c_str(),
                std::all_of(many.begin(), many.end(), emu::IsBlackAndWhite) ? "all" : "not all",
                emu::IsBlackAndWhite(gray.front()) ? "black and white" : "has gray");
    Report("client libraries' receipts", many, rounds);
    Report("gray-level receipt (always 8-bit gray)", gray, rounds);
    return 0;
}
