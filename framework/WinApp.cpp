#include "framework/WinApp.h"

#include <QApplication>
#include <cstdio>
#include <filesystem>

#include "framework/ScriptRunner.h"

namespace {

CWinApp* g_pApp = nullptr;

}  // namespace

BEGIN_MESSAGE_MAP(CWinApp, CCmdTarget)
END_MESSAGE_MAP()

CWinApp::CWinApp(LPCWSTR lpszAppName) {
    if (lpszAppName != nullptr) {
        m_strAppName = lpszAppName;
    }
    g_pApp = this;
}

CWinApp::~CWinApp() {
    if (g_pApp == this) {
        g_pApp = nullptr;
    }
}

BOOL CWinApp::InitInstance() { return TRUE; }

int CWinApp::Run() {
    QApplication::exec();
    return ExitInstance();
}

int CWinApp::ExitInstance() {
    constexpr int kExitDataLost = 1;
    if (m_bDataLost) return kExitDataLost;
    if (m_pScriptRunner && m_pScriptRunner->HasRun() && m_pScriptRunner->ExitCode() != 0) {
        return m_pScriptRunner->ExitCode();
    }
    return m_nExitCode;
}

void CWinApp::SetRegistryKey(LPCWSTR lpszRegistryKey) {
    m_strRegistryKey = lpszRegistryKey != nullptr ? lpszRegistryKey : L"";
}

HICON CWinApp::LoadIcon(UINT nIDResource) const {
    return LoadIconW(AfxGetInstanceHandle(), MAKEINTRESOURCEW(static_cast<WORD>(nIDResource)));
}

bool CWinApp::LoadScript(const std::string& path) {
    auto runner = std::make_unique<CScriptRunner>();
    std::string error;
    if (!runner->LoadFile(path, &error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        m_nExitCode = CScriptRunner::kExitSyntaxError;
        return false;
    }
    m_pScriptRunner = std::move(runner);
    return true;
}

void CWinApp::StartUp(const std::string& executable, std::vector<std::string> arguments,
                      bool bHeadless) {
    if (m_strAppName.empty()) {
        m_strAppName = std::filesystem::path(executable).stem().wstring();
    }
    m_arguments = std::move(arguments);
    m_bHeadless = bHeadless;
}

CWinApp* AfxGetApp() { return g_pApp; }

HINSTANCE AfxGetInstanceHandle() {
    // One module per process: every resource is the application's.
    static char module;
    return reinterpret_cast<HINSTANCE>(&module);
}
