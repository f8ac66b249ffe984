#include "framework/Dialog.h"

#include <QCoreApplication>
#include <cstdio>

#include "framework/DataExchange.h"
#include "framework/Resources.h"
#include "framework/ScriptRunner.h"
#include "framework/WinApp.h"
#include "framework/qt/ControlWindows.h"
#include "framework/qt/DialogFont.h"
#include "framework/qt/DialogWindow.h"
#include "framework/qt/Text.h"
#include "framework/qt/WindowBinding.h"

BEGIN_MESSAGE_MAP(CDialog, CWnd)
ON_COMMAND(IDOK, &CDialog::OnOK)
ON_COMMAND(IDCANCEL, &CDialog::OnCancel)
END_MESSAGE_MAP()

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd)
    : m_nIDTemplate(nIDTemplate), m_pParentWnd(pParentWnd) {}

CDialog::~CDialog() { DestroyWindow(); }

int CDialog::DoModal() {
    CWinApp* pApp = AfxGetApp();
    if (m_pScriptRunner == nullptr && pApp != nullptr && pApp->m_pMainWnd == this) {
        m_pScriptRunner = pApp->GetScriptRunner();
    }
    if (pApp != nullptr && pApp->IsHeadless() && pApp->m_pMainWnd == this &&
        m_pScriptRunner == nullptr) {
        std::fprintf(stderr,
                     "%s: no display to show the dialog on; set DISPLAY (or run it under "
                     "xvfb-run), or give a --script to run offscreen\n",
                     QCoreApplication::applicationName().toLocal8Bit().constData());
        pApp->SetExitCode(1);
        return -1;
    }
    if (!CreateWindowFromTemplate()) {
        std::fprintf(stderr, "dialog template %u not found\n", m_nIDTemplate);
        return -1;
    }
    m_bEnded = false;
    m_nModalResult = -1;
    WindowProc(WM_INITDIALOG, 0, 0);
    if (!m_bEnded) {
        if (m_pScriptRunner != nullptr) {
            m_pScriptRunner->Start(*this);
        }
        m_pWindow->exec();
    }
    if (m_pScriptRunner != nullptr) {
        m_pScriptRunner->Finish();
    }
    DestroyWindow();
    return m_nModalResult;
}

BOOL CDialog::OnInitDialog() {
    ExecuteDlgInit();
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::EndDialog(int nResult) {
    m_nModalResult = nResult;
    m_bEnded = true;
    if (m_pWindow != nullptr) {
        m_pWindow->done(nResult);
    }
}

BOOL CDialog::UpdateData(BOOL bSaveAndValidate) {
    CDataExchange dx(this, bSaveAndValidate);
    DoDataExchange(&dx);
    return TRUE;
}

HWND CDialog::GetDlgItemHandle(int nID) const {
    auto it = m_controls.find(nID);
    return it == m_controls.end() ? nullptr : it->second;
}

LRESULT CDialog::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        return OnInitDialog();
    }
    return CWnd::WindowProc(message, wParam, lParam);
}

void CDialog::DoDataExchange(CDataExchange*) {}

void CDialog::OnOK() {
    UpdateData(TRUE);
    EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

bool CDialog::CreateWindowFromTemplate() {
    const DialogTemplate* pTemplate = FindDialogResource(m_nIDTemplate);
    if (pTemplate == nullptr) {
        return false;
    }
    QWidget* parent =
        m_pParentWnd != nullptr ? CWindowBinding::WidgetOf(m_pParentWnd->m_hWnd) : nullptr;
    m_pWindow = new CDialogWindow(
        parent, [this] { WindowProc(WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0); });
    Qt::WindowFlags flags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint;
    if ((pTemplate->style & WS_SYSMENU) != 0) {
        flags |= Qt::WindowCloseButtonHint;
    }
    m_pWindow->setWindowFlags(flags);
    // A modal dialog disables its owner only, as on the system the dialog comes from: one
    // without an owner leaves the program's other windows (the printer's) usable.
    m_pWindow->setWindowModality(Qt::WindowModal);
    const QFont font = framework::DialogFont(pTemplate->typeface, pTemplate->pointSize);
    m_pWindow->setFont(font);
    m_baseUnits = framework::MeasureBaseUnits(font);
    const PixelRect size =
        MapDialogRect(pTemplate->x, pTemplate->y, pTemplate->cx, pTemplate->cy, m_baseUnits);
    m_pWindow->setFixedSize(size.width, size.height);
    m_pWindow->setWindowTitle(
        QString::fromUtf8(pTemplate->caption != nullptr ? pTemplate->caption : ""));

    CWindowBinding* binding = framework::BindDialogWindow(m_pWindow);
    binding->Subclass(this);
    m_hWnd = binding->Handle();

    // Clicks reach the dialog on the user-interface thread, as the control's notification.
    auto onCommand = [this](int id, WORD code, HWND hControl) {
        WindowProc(WM_COMMAND, MAKEWPARAM(static_cast<WORD>(id), code),
                   reinterpret_cast<LPARAM>(hControl));
    };
    for (const DialogItem& item : pTemplate->items) {
        CWindowBinding* control = framework::CreateControl(m_pWindow, item, m_baseUnits, onCommand);
        if (item.id != IDC_STATIC) {
            m_controls.emplace(item.id, control->Handle());
        }
    }
    return true;
}

void CDialog::ExecuteDlgInit() {
    const DialogTemplate* pTemplate = FindDialogResource(m_nIDTemplate);
    if (pTemplate == nullptr) {
        return;
    }
    for (const DialogInitEntry& entry : pTemplate->initEntries) {
        const std::wstring text = framework::ToWString(QString::fromUtf8(entry.text));
        ::SendMessageW(GetDlgItemHandle(entry.id), entry.message, 0,
                       reinterpret_cast<LPARAM>(text.c_str()));
    }
}

void CDialog::DestroyWindow() {
    for (CWnd* pWnd : m_attached) {
        pWnd->m_hWnd = nullptr;
    }
    m_attached.clear();
    m_controls.clear();
    delete m_pWindow;  // unregisters the dialog and its controls
    m_pWindow = nullptr;
    m_hWnd = nullptr;
}
