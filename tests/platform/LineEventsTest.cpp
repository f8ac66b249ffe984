// Modem-line and line-error events, which a pseudo-terminal never produces, through a device
// whose lines and counters the test sets.
#include <gtest/gtest.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <atomic>
#include <future>

#include "platform/internal/SerialHandle.h"
#include "platform/win32.h"

namespace {

using platform::detail::LineCounters;

class LineDevice final : public platform::detail::SerialDevice {
  public:
    LineDevice() : m_fd(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}
    ~LineDevice() override { close(m_fd); }
    LineDevice(const LineDevice&) = delete;
    LineDevice& operator=(const LineDevice&) = delete;

    int Fd() const override { return m_fd; }
    Capabilities Caps() const override { return {true, true}; }
    ssize_t Read(BYTE*, std::size_t) override {
        errno = EAGAIN;
        return -1;
    }
    ssize_t Write(const BYTE*, std::size_t count) override { return static_cast<ssize_t>(count); }
    int InputWaiting(int& bytes) override { return bytes = 0; }
    int OutputQueued(int& bytes) override { return bytes = 0; }
    int DiscardInput() override { return 0; }
    int DiscardOutput() override { return 0; }
    int Drain() override { return 0; }
    int GetState(const DCB& set, DCB& reported) override {
        reported = set;
        return 0;
    }
    int SetState(const DCB&, DWORD& refused) override { return static_cast<int>(refused = 0); }
    int ModemStatus(DWORD& bits) override {
        bits = lines.load();
        return 0;
    }
    bool ReadCounters(LineCounters& out) override {
        out.frame = frames.load();
        out.brk = breaks.load();
        return true;
    }
    int ClearBreak() override { return 0; }

    std::atomic<DWORD> lines{MS_DSR_ON};
    std::atomic<std::uint32_t> frames{0};
    std::atomic<std::uint32_t> breaks{0};

  private:
    const int m_fd;
};

class LineEventsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        auto owned = std::make_unique<LineDevice>();
        device = owned.get();
        port = platform::detail::OpenSerialHandle({std::move(owned), DCB{}}, "line");
        ASSERT_NE(port, INVALID_HANDLE_VALUE);
        ASSERT_TRUE(SetCommMask(port, EV_CTS | EV_DSR | EV_ERR | EV_BREAK));
    }
    void TearDown() override { CloseHandle(port); }

    DWORD NextEvents() {
        auto events = std::async(std::launch::async, [this] {
            DWORD bits = 0;
            return WaitCommEvent(port, &bits, nullptr) ? bits : 0xDEAD;
        });
        return events.get();
    }

    LineDevice* device = nullptr;
    HANDLE port = INVALID_HANDLE_VALUE;
};

TEST_F(LineEventsTest, ModemLineChangesAreEventsAndStatus) {
    device->lines = MS_DSR_ON | MS_CTS_ON;
    EXPECT_EQ(NextEvents(), EV_CTS);
    device->lines = MS_RLSD_ON;  // RLSD is not in the mask; DSR and CTS fell
    EXPECT_EQ(NextEvents(), EV_CTS | EV_DSR);
    DWORD status = 0;
    ASSERT_TRUE(GetCommModemStatus(port, &status));
    EXPECT_EQ(status, MS_RLSD_ON);
}

TEST_F(LineEventsTest, LineErrorsAreEventsAndClearedErrorBits) {
    device->frames = 2;
    device->breaks = 1;
    EXPECT_EQ(NextEvents(), EV_ERR | EV_BREAK);
    DWORD errors = 0;
    ASSERT_TRUE(ClearCommError(port, &errors, nullptr));
    EXPECT_EQ(errors, CE_FRAME | CE_BREAK);
    ASSERT_TRUE(ClearCommError(port, &errors, nullptr));
    EXPECT_EQ(errors, 0u);
}

}  // namespace
