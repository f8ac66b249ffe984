#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/CmdTarget.h"

namespace {

constexpr UINT WM_FIRST = WM_USER + 1;
constexpr UINT WM_SECOND = WM_USER + 2;
constexpr UINT WM_BASE_ONLY = WM_USER + 3;

class CBaseTarget : public CCmdTarget {
  public:
    std::vector<std::string> calls;

  protected:
    LRESULT OnBaseOnly(WPARAM, LPARAM) {
        calls.push_back("base-only");
        return 30;
    }
    LRESULT OnFirstInBase(WPARAM, LPARAM) {
        calls.push_back("first-in-base");
        return 10;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CBaseTarget, CCmdTarget)
ON_MESSAGE(WM_FIRST, &CBaseTarget::OnFirstInBase)
ON_MESSAGE(WM_BASE_ONLY, &CBaseTarget::OnBaseOnly)
END_MESSAGE_MAP()

// A second base after the command target, as the printer channel is for the main dialog: its
// members must be reached at the right address from the handlers.
struct SecondBase {
    virtual ~SecondBase() = default;
    int value = 7;
};

class CDerivedTarget : public CBaseTarget, public SecondBase {
  protected:
    LRESULT OnFirst(WPARAM wParam, LPARAM lParam) {
        calls.push_back("first " + std::to_string(wParam) + " " + std::to_string(lParam) + " " +
                        std::to_string(value));
        return 20;
    }
    void OnButton5() { calls.push_back("button5 " + std::to_string(value)); }
    void OnButton6() { calls.push_back("button6"); }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CDerivedTarget, CBaseTarget)
ON_MESSAGE(WM_FIRST, &CDerivedTarget::OnFirst)
ON_BN_CLICKED(5, &CDerivedTarget::OnButton5)
ON_BN_CLICKED(6, &CDerivedTarget::OnButton6)
END_MESSAGE_MAP()

struct DispatchCase {
    const char* name;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    bool handled;
    LRESULT result;
    const char* call;  // "" when no handler runs
};

TEST(MessageMap, DispatchesToTheMostDerivedEntryThenTheBaseChain) {
    const DispatchCase cases[] = {
        {"derived entry hides the base's", WM_FIRST, 3, 4, true, 20, "first 3 4 7"},
        {"base entry reached through the chain", WM_BASE_ONLY, 0, 0, true, 30, "base-only"},
        {"message with no entry", WM_SECOND, 0, 0, false, 0, ""},
        {"click on control 5", WM_COMMAND, MAKEWPARAM(5, BN_CLICKED), 0, true, 0, "button5 7"},
        {"click on control 6", WM_COMMAND, MAKEWPARAM(6, BN_CLICKED), 0, true, 0, "button6"},
        {"other notification of control 5", WM_COMMAND, MAKEWPARAM(5, 1), 0, false, 0, ""},
        {"click on a control with no entry", WM_COMMAND, MAKEWPARAM(9, BN_CLICKED), 0, false, 0,
         ""},
    };
    for (const DispatchCase& c : cases) {
        CDerivedTarget target;
        LRESULT result = -1;
        const bool handled = target.OnCmdMsg(c.message, c.wParam, c.lParam, &result);
        EXPECT_EQ(handled, c.handled) << c.name;
        if (c.handled) {
            EXPECT_EQ(result, c.result) << c.name;
            ASSERT_EQ(target.calls.size(), 1u) << c.name;
            EXPECT_EQ(target.calls[0], c.call) << c.name;
        } else {
            EXPECT_TRUE(target.calls.empty()) << c.name;
        }
    }
}

TEST(MessageMap, BaseClassObjectUsesOnlyItsOwnMap) {
    CBaseTarget target;
    LRESULT result = 0;
    ASSERT_TRUE(target.OnCmdMsg(WM_FIRST, 0, 0, &result));
    EXPECT_EQ(result, 10);
    EXPECT_FALSE(target.OnCmdMsg(WM_COMMAND, MAKEWPARAM(5, BN_CLICKED), 0, &result));
}

}  // namespace
