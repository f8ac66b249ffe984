#include "framework/ScriptRunner.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPixmap>
#include <QTimer>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

#include "framework/Dialog.h"
#include "framework/MessageBoxHook.h"
#include "framework/ScriptExtensions.h"
#include "framework/qt/DialogWindow.h"
#include "framework/qt/StopSignals.h"
#include "framework/qt/Text.h"
#include "framework/qt/WindowBinding.h"

namespace {

std::string Utf8(const std::wstring& text) { return framework::ToQString(text).toStdString(); }

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

// How long "wait until" waits for its expectation, and how often it looks.
constexpr int kWaitUntilMs = 5000;
constexpr int kWaitUntilPollMs = 10;

// Typed as the operator types, so that the field sees an edit of its own: the whole text in one
// key event, as an input method hands over a word, so the time is linear in its length.
void TypeInto(QLineEdit* edit, const QString& text) {
    edit->setFocus();
    edit->selectAll();
    const int key = text.isEmpty() ? Qt::Key_Backspace : 0;
    QKeyEvent down(QEvent::KeyPress, key, Qt::NoModifier, text);
    QCoreApplication::sendEvent(edit, &down);
    QKeyEvent up(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QCoreApplication::sendEvent(edit, &up);
}

// A script is a short text: a folder, a device or a large file given by mistake is refused
// before anything is read from it.
constexpr std::uintmax_t kMaxScriptBytes = 1024 * 1024;

bool ReadScript(std::istream& input, const std::string& name, std::string* pText,
                std::string* pError) {
    std::string text(kMaxScriptBytes + 1, '\0');
    input.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(input.gcount()));
    if (text.size() > kMaxScriptBytes) {
        *pError = name + ": the script is larger than 1 MB; is it the right file?";
        return false;
    }
    *pText = std::move(text);
    return true;
}

std::string NotAScript(const std::string& path) {
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(path, error);
    if (std::filesystem::is_directory(status)) return path + ": is a folder, not a script";
    if (std::filesystem::is_character_file(status) || std::filesystem::is_block_file(status)) {
        return path + ": is a device, not a script";
    }
    if (std::filesystem::is_regular_file(status) &&
        std::filesystem::file_size(path, error) > kMaxScriptBytes) {
        return path + ": the script is larger than 1 MB; is it the right file?";
    }
    return "";
}

}  // namespace

CScriptRunner::CScriptRunner() = default;
CScriptRunner::~CScriptRunner() = default;

bool CScriptRunner::LoadFile(const std::string& path, std::string* pError) {
    std::string text;
    if (path == "-") {
        return ReadScript(std::cin, "<stdin>", &text, pError) && LoadText(text, "<stdin>", pError);
    }
    if (std::string reason = NotAScript(path); !reason.empty()) {
        *pError = reason;
        return false;
    }
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        *pError = path + ": cannot read the script: " + std::strerror(errno);
        return false;
    }
    return ReadScript(file, path, &text, pError) && LoadText(text, path, pError);
}

bool CScriptRunner::LoadText(const std::string& text, const std::string& name,
                             std::string* pError) {
    std::istringstream input(text);
    return m_script.Parse(input, name, pError);
}

int CScriptRunner::Run(CDialog& dialog) {
    dialog.SetScriptRunner(this);
    dialog.DoModal();
    dialog.SetScriptRunner(nullptr);
    return m_nExitCode;
}

void CScriptRunner::Start(CDialog& dialog) {
    m_pDialog = &dialog;
    m_pHook = std::make_unique<CMessageBoxHook>();
    m_next = 0;
    m_waitEnd.reset();
    m_bDone = false;
    m_bHasRun = true;
    m_nExitCode = kExitPassed;
    m_failure.clear();
    m_boxes.clear();
    ScheduleNext(0);
}

void CScriptRunner::Finish() {
    if (!m_bDone && m_next < m_script.Commands().size() && m_nExitCode == kExitPassed) {
        Fail(m_script.Commands()[m_next], "the dialog had ended before this line ran");
    }
    m_bDone = true;
    if (m_pHook) {
        m_boxes = m_pHook->Records();
    }
    m_pHook.reset();
    m_pDialog = nullptr;
}

void CScriptRunner::ScheduleNext(int delayMs) {
    // The dialog's window is the timer's context: a window that is gone runs no more steps.
    QTimer::singleShot(delayMs, m_pDialog->GetWindow(), [this] { Step(); });
}

void CScriptRunner::Step() {
    // After a stop signal the dialog is ending: the script takes no further step.
    if (m_bDone || m_pDialog == nullptr || framework::StopSignal() != 0) {
        return;
    }
    if (m_next >= m_script.Commands().size()) {
        EndWithOk();
        return;
    }
    const ScriptCommand& command = m_script.Commands()[m_next++];
    std::string seen;
    int delayMs = 0;
    if (!Execute(command, &seen, &delayMs)) {
        if (command.until && KeepWaiting()) {
            --m_next;
            ScheduleNext(kWaitUntilPollMs);
            return;
        }
        m_waitEnd.reset();
        Fail(command, command.until
                          ? seen + " after waiting " + std::to_string(kWaitUntilMs / 1000) + " s"
                          : seen);
        m_bDone = true;
        m_pDialog->EndDialog(IDCANCEL);
        return;
    }
    m_waitEnd.reset();
    if (!m_bDone) {
        ScheduleNext(delayMs);
    }
}

bool CScriptRunner::KeepWaiting() {
    const auto now = std::chrono::steady_clock::now();
    if (!m_waitEnd) {
        m_waitEnd = now + std::chrono::milliseconds(kWaitUntilMs);
    }
    return now < *m_waitEnd;
}

bool CScriptRunner::Execute(const ScriptCommand& command, std::string* pSeen, int* pDelayMs) {
    using Kind = ScriptCommand::Kind;
    const HWND hControl = m_pDialog->GetDlgItemHandle(command.id);
    QWidget* widget = CWindowBinding::WidgetOf(hControl);
    const bool needsControl = command.kind == Kind::Click || command.kind == Kind::Select ||
                              command.kind == Kind::Type || command.kind == Kind::ExpectCheck ||
                              command.kind == Kind::ExpectText;
    if (needsControl && widget == nullptr) {
        *pSeen = "the dialog has no control " + std::to_string(command.id);
        return false;
    }
    auto* combo = qobject_cast<QComboBox*>(widget);
    switch (command.kind) {
        case Kind::Click: {
            auto* button = qobject_cast<QAbstractButton*>(widget);
            if (button == nullptr) {
                *pSeen = "control " + std::to_string(command.id) + " is not a button";
                return false;
            }
            if (!button->isEnabled()) {
                *pSeen = "button " + std::to_string(command.id) + " is disabled";
                return false;
            }
            button->click();
            return true;
        }
        case Kind::Select:
            if (combo == nullptr) {
                *pSeen = "control " + std::to_string(command.id) + " is not a list";
                return false;
            }
            if (command.number >= combo->count()) {
                *pSeen = "list " + std::to_string(command.id) + " has " +
                         std::to_string(combo->count()) + " items";
                return false;
            }
            combo->setCurrentIndex(static_cast<int>(command.number));
            return true;
        case Kind::Type:
            if (combo == nullptr || combo->lineEdit() == nullptr) {
                *pSeen = "control " + std::to_string(command.id) + " has no edit field";
                return false;
            }
            TypeInto(combo->lineEdit(), QString::fromStdString(command.text));
            return true;
        case Kind::Wait:
            *pDelayMs = static_cast<int>(command.number);
            return true;
        case Kind::Screenshot:
            if (!m_pDialog->GetWindow()->grab().save(QString::fromStdString(command.text), "PNG")) {
                *pSeen = "could not write " + command.text;
                return false;
            }
            return true;
        case Kind::Close:
            EndWithOk();
            return true;
        case Kind::ExpectCheck: {
            if (qobject_cast<QCheckBox*>(widget) == nullptr) {
                *pSeen = "control " + std::to_string(command.id) + " is not a check box";
                return false;
            }
            const LRESULT check = ::SendMessageW(hControl, BM_GETCHECK, 0, 0);
            *pSeen = "check " + std::to_string(command.id) + " is " + std::to_string(check) +
                     ", expected " + std::to_string(command.number);
            return check == command.number;
        }
        case Kind::ExpectText: {
            const auto length =
                static_cast<std::size_t>(::SendMessageW(hControl, WM_GETTEXTLENGTH, 0, 0));
            std::wstring text(length + 1, L'\0');
            text.resize(static_cast<std::size_t>(::SendMessageW(
                hControl, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()))));
            *pSeen = "text of " + std::to_string(command.id) + " is " + Quoted(Utf8(text)) +
                     ", expected " + Quoted(command.text);
            return Utf8(text) == command.text;
        }
        case Kind::ExpectMessage:
        case Kind::ExpectDetail: {
            if (m_pHook->Records().empty()) {
                *pSeen = "no message box was shown";
                return false;
            }
            const MessageBoxRecord& box = m_pHook->Records().back();
            if (command.kind == Kind::ExpectMessage) {
                *pSeen = "the last message box says " + Quoted(Utf8(box.text)) + ", expected " +
                         Quoted(command.text);
                return Utf8(box.text) == command.text;
            }
            *pSeen = "the last message box's detail is " + Quoted(Utf8(box.detail)) +
                     ", expected it to contain " + Quoted(command.text);
            return Utf8(box.detail).find(command.text) != std::string::npos;
        }
        case Kind::Extension: {
            const ScriptCommandHandler* handler = FindScriptCommand(command.verb);
            if (handler == nullptr) {
                *pSeen = "the command '" + command.verb + "' is no longer available";
                return false;
            }
            return (*handler)(command.text, pSeen);
        }
    }
    return false;
}

void CScriptRunner::Fail(const ScriptCommand& command, const std::string& seen) {
    m_nExitCode = kExitFailed;
    m_failure = m_script.Name() + ":" + std::to_string(command.line) + ": " + seen;
    std::fprintf(stderr, "%s\n", m_failure.c_str());
}

void CScriptRunner::EndWithOk() {
    m_bDone = true;
    m_pDialog->WindowProc(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    if (m_pDialog->GetWindow()->isVisible()) {
        m_pDialog->EndDialog(IDOK);
    }
}
