// Each demonstration button of the dialog sends what its row of the demonstration table prints,
// so the message map and the handlers are the ones the table names.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <thread>

#include "DialogScript.h"
#include "tests/app/DemoCapture.h"
#include "tests/support/WireRecorder.h"

namespace apptest {
namespace {

constexpr int kPort = 3;  // the script selects list item 2, "COM3"

class DemonstrationButton : public ::testing::TestWithParam<Demonstration> {};

TEST_P(DemonstrationButton, SendsTheStreamOfItsTableRow) {
    const Demonstration& demo = GetParam();
    const Bytes expected = SentBy(demo.print);
    ASSERT_FALSE(expected.empty());

    PrinterLine line(kPort);
    ASSERT_TRUE(line.Peer().Ok());
    std::atomic<bool> done{false};
    std::thread printer([&] {
        while (!done) line.Peer().Read(4096, std::chrono::milliseconds(20));
    });
    testsupport::WireRecorder recorder;
    EXPECT_TRUE(recorder.Ok()) << recorder.Error();
    {
        CPrinterDemoDlg dialog;
        ExpectScriptPasses(dialog, "select 1002 2\nclick 1005\nclick " +
                                       std::to_string(demo.controlId) + "\nclose\n");
    }
    const Bytes sent = testsupport::Joined(recorder.Stop());
    done = true;
    printer.join();
    ASSERT_GE(sent.size(), expected.size());
    EXPECT_TRUE(std::equal(expected.rbegin(), expected.rend(), sent.rbegin()))
        << demo.handler << " sends another stream than its row prints";
}

INSTANTIATE_TEST_SUITE_P(AllDemonstrations, DemonstrationButton,
                         ::testing::ValuesIn(kDemonstrations),
                         [](const auto& info) { return std::string(info.param.Name()); });

}  // namespace
}  // namespace apptest
