#include <gtest/gtest.h>

#include <cerrno>
#include <thread>

#include "platform/internal/LastError.h"

TEST(LastError, KeepsCodeAndErrnoTextPerThread) {
    platform::detail::SetLastErrorFromErrno(ERROR_ACCESS_DENIED, EACCES, "/dev/ttyS0");
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_EQ(platform::LastErrorText(), "/dev/ttyS0: Permission denied");

    std::thread other([] { EXPECT_EQ(GetLastError(), ERROR_SUCCESS); });
    other.join();

    SetLastError(ERROR_SUCCESS);
    EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
    EXPECT_EQ(platform::LastErrorText(), "");
}
