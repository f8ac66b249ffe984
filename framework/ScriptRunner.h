// CScriptRunner: runs a CScript against a live dialog as an operator would act: clicks go through
// the button and the dialog's message map, waits keep the message loop running, message boxes are
// recorded and answered OK. It ends the dialog after the last command (or at the first failed
// expectation) and keeps the exit code: 0 when every expectation held, 1 otherwise.
#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <string>

#include "framework/MessageBoxHook.h"
#include "framework/Script.h"

class CDialog;

class CScriptRunner {
  public:
    static constexpr int kExitPassed = 0;
    static constexpr int kExitFailed = 1;
    static constexpr int kExitSyntaxError = 2;

    CScriptRunner();
    ~CScriptRunner();

    // path "-" reads standard input. False with the reason in *pError.
    bool LoadFile(const std::string& path, std::string* pError);
    bool LoadText(const std::string& text, const std::string& name, std::string* pError);

    // Runs the dialog modally with this script; returns the exit code.
    int Run(CDialog& dialog);

    // Called by the dialog: once its window is initialised, and after it ended.
    void Start(CDialog& dialog);
    void Finish();

    bool HasRun() const { return m_bHasRun; }
    int ExitCode() const { return m_nExitCode; }
    // "NAME:LINE: ..." for the first failure, or empty.
    const std::string& Failure() const { return m_failure; }
    // The message boxes the last run answered, oldest first.
    const std::vector<MessageBoxRecord>& MessageBoxes() const { return m_boxes; }

  private:
    void ScheduleNext(int delayMs);
    void Step();
    // Runs one command; false with *pSeen describing what was found instead.
    bool Execute(const ScriptCommand& command, std::string* pSeen, int* pDelayMs);
    void Fail(const ScriptCommand& command, const std::string& seen);
    // For a "wait until" that is not met yet: true while its time has not run out.
    bool KeepWaiting();
    void EndWithOk();

    CScript m_script;
    CDialog* m_pDialog = nullptr;
    std::unique_ptr<CMessageBoxHook> m_pHook;
    std::size_t m_next = 0;
    std::optional<std::chrono::steady_clock::time_point> m_waitEnd;  // of the running wait until
    bool m_bHasRun = false;
    bool m_bDone = false;
    int m_nExitCode = kExitPassed;
    std::string m_failure;
    std::vector<MessageBoxRecord> m_boxes;
};
