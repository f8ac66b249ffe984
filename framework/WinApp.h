// CWinApp: the application object. Exactly one exists, constructed before the program's entry
// runs; the entry makes the window system ready, calls InitInstance, and ends the program when it
// returns FALSE (with the code of ExitInstance).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "framework/CmdTarget.h"
#include "framework/WinUser.h"

class CWnd;
class CScriptRunner;

class CWinApp : public CCmdTarget {
  public:
    // With no name, the name is the executable's base name, set when the program starts.
    explicit CWinApp(LPCWSTR lpszAppName = nullptr);
    ~CWinApp() override;

    virtual BOOL InitInstance();
    // Runs the message loop after an InitInstance that returned TRUE; returns the exit code
    // (ExitInstance's).
    virtual int Run();
    // The program's exit code.
    virtual int ExitInstance();

    // Keeps the name; nothing is read from or written to any store under it.
    void SetRegistryKey(LPCWSTR lpszRegistryKey);
    const std::wstring& GetRegistryKey() const { return m_strRegistryKey; }

    const std::wstring& GetAppName() const { return m_strAppName; }
    // The command-line arguments after the program name, without the window system's own.
    const std::vector<std::string>& GetArguments() const { return m_arguments; }

    HICON LoadIcon(UINT nIDResource) const;

    void SetExitCode(int nExitCode) { m_nExitCode = nExitCode; }
    // Something the run was to keep (a receipt, the wire trace) was lost: the exit code is 1
    // whatever else ended the run, a script that passed or a stop signal.
    void NoteDataLost() { m_bDataLost = true; }
    bool DataLost() const { return m_bDataLost; }

    // Runs the script file ("-": standard input) against the main window's dialog when it is
    // shown. False (with the reason on standard error) when the file cannot be read or has a
    // syntax error; the exit code is then 2.
    bool LoadScript(const std::string& path);
    CScriptRunner* GetScriptRunner() const { return m_pScriptRunner.get(); }

    // Called by the program entry before InitInstance.
    void StartUp(const std::string& executable, std::vector<std::string> arguments, bool bHeadless);
    // True when there is no display to show windows on; only scripts can run then.
    bool IsHeadless() const { return m_bHeadless; }

    CWnd* m_pMainWnd = nullptr;

    DECLARE_MESSAGE_MAP()

    std::wstring m_strAppName;
    std::wstring m_strRegistryKey;
    std::vector<std::string> m_arguments;
    std::unique_ptr<CScriptRunner> m_pScriptRunner;
    int m_nExitCode = 0;
    bool m_bHeadless = false;
    bool m_bDataLost = false;
};

// The one application object, or null before it is constructed.
CWinApp* AfxGetApp();
HINSTANCE AfxGetInstanceHandle();
// The program entry's work: called by main.
int AfxWinMain(int argc, char** argv);
