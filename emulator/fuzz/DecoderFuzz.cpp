// libFuzzer target: arbitrary bytes into a whole virtual printer (decoder, status model, print
// engine) of any model, in pieces, with paper running out and returning between them.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

#include "emulator/VirtualPrinter.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3) return 0;
    // The first byte chooses the piece size and whether paper runs out between pieces, the
    // second the printer model.
    const std::uint8_t control = data[0];
    const std::size_t piece = 1 + (control & 0x3F);
    const bool togglePaper = (control & 0x40) != 0;
    const bool trace = (control & 0x80) != 0;
    const auto models = emu::PrinterModels();
    const emu::PrinterModel& model = models[data[1] % models.size()];
    data += 2;
    size -= 2;

    emu::VirtualPrinter printer(model, 0, 4096);
    long long ticks = 0;
    printer.SetClock([&ticks] {
        ticks += 97;  // each sleep command lands a little later than the one before
        return emu::VirtualPrinter::Clock::time_point{} + std::chrono::milliseconds(ticks);
    });
    std::size_t traced = 0;
    if (trace)
        printer.SetTraceCallback(
            [&traced](const std::string& line, const std::string&) { traced += line.size(); });
    printer.SetReceiptCallback([](const emu::FinishedReceipt& receipt) {
        const emu::PaperImage& image = receipt.image;
        if (image.gray.size() != static_cast<std::size_t>(image.width) * image.height)
            __builtin_trap();
    });

    bool paperOut = false;
    std::size_t offset = 0;
    while (offset < size) {
        std::size_t n = piece < size - offset ? piece : size - offset;
        std::size_t taken = printer.Feed(data + offset, n);
        offset += taken;
        if (togglePaper || taken < n) {
            paperOut = !paperOut && taken == n;
            printer.SetCondition(emu::Condition::PaperOut, paperOut);
        }
        printer.TakeReplies();
    }
    printer.SetCondition(emu::Condition::PaperOut, false);
    printer.Finish();
    printer.TakeReplies();
    emu::PaperImage image = printer.Snapshot();
    if (image.gray.size() != static_cast<std::size_t>(image.width) * image.height) __builtin_trap();
    return 0;
}
