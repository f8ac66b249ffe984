#include <gtest/gtest.h>

#include "platform/internal/KernelObject.h"

namespace {

struct Probe : platform::detail::KernelObject {
    int* closes;
    explicit Probe(int* c) : closes(c) {}
    void OnClose() override { ++*closes; }
};
struct Other : platform::detail::KernelObject {};

}  // namespace

TEST(KernelObject, HandleLivesUntilClosedAndIsNeverReused) {
    using namespace platform::detail;
    int closes = 0;
    HANDLE first = RegisterHandle(std::make_shared<Probe>(&closes));
    ASSERT_NE(first, nullptr);
    ASSERT_NE(first, INVALID_HANDLE_VALUE);

    std::shared_ptr<Probe> held = HandleAs<Probe>(first);
    ASSERT_TRUE(held);
    EXPECT_FALSE(HandleAs<Other>(first)) << "a handle of another kind is refused";
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);

    EXPECT_TRUE(CloseHandle(first));
    EXPECT_EQ(closes, 1);
    EXPECT_FALSE(HandleAs<Probe>(first));
    EXPECT_FALSE(CloseHandle(first)) << "closing twice fails";
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_EQ(held.use_count(), 1) << "a caller still using the object keeps it alive";

    HANDLE second = RegisterHandle(std::make_shared<Other>());
    EXPECT_NE(second, first);
    EXPECT_TRUE(CloseHandle(second));
    EXPECT_FALSE(CloseHandle(INVALID_HANDLE_VALUE));
    EXPECT_FALSE(CloseHandle(nullptr));
}
