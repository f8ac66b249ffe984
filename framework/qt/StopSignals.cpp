#include "framework/qt/StopSignals.h"

#include <fcntl.h>
#include <unistd.h>

#include <QCoreApplication>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <thread>

#include "framework/Dialog.h"
#include "framework/WinApp.h"
#include "platform/WriteAbandon.h"

namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
// The third stop signal or a later one, this long after the first, ends the program at once: the
// operator insists on a program that is still busy putting things away.
constexpr int kInsistingSignal = 3;
constexpr std::int64_t kInsistAfterNs = 5'000'000'000;

int g_pipe[2] = {-1, -1};
std::atomic<int> g_stopSignal{0};
std::atomic<int> g_signals{0};
std::atomic<std::int64_t> g_firstNs{0};

std::int64_t NowNs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

void OnSignal(int number) {
    // Only async-signal-safe calls. The first signal is noted and handed to the watcher; repeats
    // (a closed terminal and its shell both send SIGHUP, timeout(1) signals the child and then
    // its group) are ignored, so the save they would cut short goes on.
    const int saved = errno;
    const int count = ++g_signals;
    if (count == 1) {
        g_firstNs = NowNs();
        g_stopSignal = number;
        const unsigned char byte = static_cast<unsigned char>(number);
        [[maybe_unused]] ssize_t n = ::write(g_pipe[1], &byte, 1);
    } else if (count >= kInsistingSignal && NowNs() - g_firstNs.load() >= kInsistAfterNs) {
        static const char kText[] = "stop signal repeated: ending at once, without saving\n";
        [[maybe_unused]] ssize_t n = ::write(STDERR_FILENO, kText, sizeof kText - 1);
        std::signal(number, SIG_DFL);
        ::raise(number);
    }
    errno = saved;
}

void EndMainWindow() {
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

// The interface thread may be blocked writing to a printer that stopped reading, so the stop
// is taken here: the writes are abandoned, and the event loop, free again, ends the window.
void WatchForStop() {
    unsigned char byte = 0;
    while (::read(g_pipe[0], &byte, 1) < 0 && errno == EINTR) {
    }
    platform::AbandonWrites();
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [] { EndMainWindow(); }, Qt::QueuedConnection);
}

}  // namespace

namespace framework {

void InstallStopSignals() {
    if (g_pipe[0] >= 0 || ::pipe2(g_pipe, O_CLOEXEC) != 0) return;
    // The handler must never block; the watcher waits.
    ::fcntl(g_pipe[1], F_SETFL, O_NONBLOCK);
    std::thread(WatchForStop).detach();
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    for (int number : kSignals) sigaddset(&action.sa_mask, number);
    action.sa_flags = SA_RESTART;
    for (int number : kSignals) ::sigaction(number, &action, nullptr);
}

int StopSignal() { return g_stopSignal.load(); }

}  // namespace framework
