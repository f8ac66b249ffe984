#include "framework/qt/StopSignals.h"

#include <fcntl.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QSocketNotifier>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>

#include "framework/Dialog.h"
#include "framework/WinApp.h"

namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
int g_pipe[2] = {-1, -1};
std::atomic<int> g_stopSignal{0};

void OnSignal(int number) {
    // Only async-signal-safe calls: note the signal, wake the event loop, and let the next one
    // take its default course.
    const int saved = errno;
    g_stopSignal = number;
    const unsigned char byte = static_cast<unsigned char>(number);
    [[maybe_unused]] ssize_t n = ::write(g_pipe[1], &byte, 1);
    std::signal(number, SIG_DFL);
    errno = saved;
}

void EndMainWindow() {
    unsigned char byte = 0;
    while (::read(g_pipe[0], &byte, 1) > 0) {
    }
    std::fprintf(stderr, "%s: %s received; ending as if the window were closed\n",
                 QCoreApplication::applicationName().toLocal8Bit().constData(),
                 strsignal(g_stopSignal.load()));
    CWinApp* pApp = AfxGetApp();
    if (auto* pDialog = dynamic_cast<CDialog*>(pApp != nullptr ? pApp->m_pMainWnd : nullptr)) {
        pDialog->EndDialog(IDCANCEL);
    } else {
        QCoreApplication::exit(128 + g_stopSignal.load());
    }
}

}  // namespace

namespace framework {

void InstallStopSignals() {
    if (g_pipe[0] >= 0 || ::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
    auto* notifier =
        new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [] { EndMainWindow(); });
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int number : kSignals) ::sigaction(number, &action, nullptr);
}

int StopSignal() { return g_stopSignal.load(); }

}  // namespace framework
