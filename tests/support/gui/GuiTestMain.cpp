// Runs the tests of a dialog test program inside the framework's application, so that every
// test has the window system, and message boxes carry the application's name as they do in
// CE_MOLV.
#include <gtest/gtest.h>

#include <cstdlib>

#include "framework/WinApp.h"

namespace {

class CTestApp : public CWinApp {
  public:
    CTestApp() : CWinApp(L"CE_MOLV") {}

    BOOL InitInstance() override {
        SetExitCode(RUN_ALL_TESTS());
        return FALSE;
    }
};

CTestApp theTestApp;

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    testing::InitGoogleTest(&argc, argv);
    return AfxWinMain(argc, argv);
}
