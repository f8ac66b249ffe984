#include "framework/qt/WindowSystemStart.h"

#include <QString>
#include <QtGlobal>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <vector>

namespace framework {
namespace {

struct HeldMessage {
    QtMsgType type;
    QString category;
    QString text;
};

struct State {
    std::mutex lock;
    QtMessageHandler previous = nullptr;
    bool starting = false;
    std::string program;
    std::string advice;
    std::vector<HeldMessage> held;  // while starting
};

State& Shared() {
    static State state;
    return state;
}

std::string Utf8(const QString& text) { return text.toUtf8().toStdString(); }

// Qt's first complaint says why (no display, no plugin); its fatal message is a paragraph.
std::string Reason(const std::vector<HeldMessage>& held, const QString& fatal) {
    if (!held.empty()) return Utf8(held.front().text.section(QLatin1Char('\n'), 0, 0));
    return Utf8(fatal.section(QLatin1Char('\n'), 0, 0));
}

std::string Session() {
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    const char* x = std::getenv("DISPLAY");
    std::string text;
    if (wayland != nullptr && *wayland != '\0') text += "WAYLAND_DISPLAY=" + std::string(wayland);
    if (x != nullptr && *x != '\0')
        text += (text.empty() ? "" : ", ") + ("DISPLAY=" + std::string(x));
    return text.empty() ? "no display set" : text;
}

void Handle(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    State& state = Shared();
    std::unique_lock<std::mutex> guard(state.lock);
    if (message.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR not set"))) return;
    if (state.starting && type == QtFatalMsg) {
        std::fprintf(stderr,
                     "%s: cannot open a window (%s; %s): on Wayland install qt6-wayland, on X "
                     "check that the X server at DISPLAY runs; %s\n",
                     state.program.c_str(), Reason(state.held, message).c_str(), Session().c_str(),
                     state.advice.c_str());
        std::fflush(nullptr);
        std::_Exit(kExitNoWindowSystem);
    }
    if (state.starting) {
        state.held.push_back({type, QString::fromUtf8(context.category), message});
        return;
    }
    QtMessageHandler previous = state.previous;
    guard.unlock();
    if (previous != nullptr) previous(type, context, message);
}

void Install() {
    State& state = Shared();
    std::lock_guard<std::mutex> guard(state.lock);
    if (state.previous == nullptr) state.previous = qInstallMessageHandler(Handle);
}

}  // namespace

void InstallQuietQtMessages() { Install(); }

CWindowSystemStart::CWindowSystemStart(std::string program, std::string advice) {
    Install();
    State& state = Shared();
    std::lock_guard<std::mutex> guard(state.lock);
    state.program = std::move(program);
    state.advice = std::move(advice);
    state.starting = true;
}

CWindowSystemStart::~CWindowSystemStart() {
    State& state = Shared();
    std::vector<HeldMessage> held;
    QtMessageHandler previous = nullptr;
    {
        std::lock_guard<std::mutex> guard(state.lock);
        state.starting = false;
        held.swap(state.held);
        previous = state.previous;
    }
    if (previous == nullptr) return;
    for (const HeldMessage& message : held) {
        const QByteArray category = message.category.toUtf8();
        const QMessageLogContext context(nullptr, 0, nullptr, category.constData());
        previous(message.type, context, message.text);
    }
}

}  // namespace framework
