// Peak memory of the virtual printer fed a hostile raster header (GS v 0 65535 x 65535) and
// then 64 MiB of image data: memory must stay bounded, whatever the header claims.
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <vector>

#include "bench/BenchCommon.h"
#include "emulator/VirtualPrinter.h"

namespace {
long PeakKiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}
}  // namespace

int main(int argc, char** argv) {
    int exitCode = 0;
    if (!bench::ParseArguments(
            argc, argv, "emulator_hostile_raster_memory",
            "Feeds the virtual printer a raster header of 65535 x 65535 and 64 MiB of data\n"
            "and prints its peak memory, which must stay a few MB.",
            {}, exitCode))
        return exitCode;
    const long before = PeakKiB();
    emu::VirtualPrinter printer;
    int pages = 0;
    printer.SetReceiptCallback([&pages](const emu::FinishedReceipt&) { ++pages; });
    const long afterStart = PeakKiB();

    const std::uint8_t header[] = {0x1D, 0x76, 0x30, 0x00, 0xFF, 0xFF, 0xFF, 0xFF};
    printer.Feed(header, sizeof header);
    std::vector<std::uint8_t> chunk(1 << 20, 0x81);
    const auto start = std::chrono::steady_clock::now();
    const int megabytes = 64;
    for (int k = 0; k < megabytes; ++k) printer.Feed(chunk.data(), chunk.size());
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const long peak = PeakKiB();

    std::printf(
        "hostile raster: header 65535 x 65535 bytes-wide rows claimed (4 GiB), %d MiB fed in %.2f "
        "s\n",
        megabytes, seconds);
    std::printf("peak RSS: %.1f MB before, %.1f MB with the printer, %.1f MB after feeding\n",
                before / 1024.0, afterStart / 1024.0, peak / 1024.0);
    std::printf("growth while decoding the image: %.1f MB; receipts cut at the length limit: %d\n",
                (peak - afterStart) / 1024.0, pages);
    return 0;
}
