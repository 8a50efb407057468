#include "app.h"

#include "host.h"

namespace {
CWinApp* g_pApp = nullptr;
}

CWinApp::CWinApp(LPCTSTR lpszAppName) : m_pszAppName(lpszAppName) {
    g_pApp = this;
}

CWinApp::~CWinApp() {
    if (g_pApp == this) g_pApp = nullptr;
}

BOOL CWinApp::InitInstance() {
    return FALSE;
}

int CWinApp::ExitInstance() {
    return m_nExitCode;
}

BOOL CWinApp::Enable3dControls() {
    return TRUE;
}

CString CWinApp::GetAppTitle() const {
    if (m_pszAppName != nullptr) return m_pszAppName;
    CString strName, strExtension;
    AfxSplitFileName(AfxGetHost().ModulePath(), strName, strExtension);
    return strName;
}

CWinApp* AfxGetApp() {
    return g_pApp;
}

int AfxWinMain(Host& host, HINSTANCE hInstance, LPTSTR lpCmdLine) {
    CWinApp* pApp = AfxGetApp();
    if (pApp == nullptr) return 1;  // a program without an application object
    HostScope scope(host);
    pApp->m_hInstance = hInstance;
    pApp->m_lpCmdLine = lpCmdLine;
    pApp->InitInstance();
    return pApp->ExitInstance();
}

LPCTSTR AfxSkipProgramPath(LPCTSTR lpszCmdLine) {
    auto p = reinterpret_cast<const unsigned char*>(lpszCmdLine);
    if (*p == '"') {
        ++p;
        while (*p != '\0' && *p != '"') ++p;
        if (*p == '"') ++p;
    } else {
        while (*p > ' ') ++p;
    }
    while (*p != '\0' && *p <= ' ') ++p;
    return reinterpret_cast<LPCTSTR>(p);
}

BOOL AfxExtractSubString(CString& rString, LPCTSTR lpszFullString, int iSubString, TCHAR chSep) {
    rString.Empty();
    if (lpszFullString == nullptr || iSubString < 0) return FALSE;
    LPCTSTR p = lpszFullString;
    for (; iSubString > 0; --iSubString) {
        while (*p != '\0' && *p != chSep) ++p;
        if (*p == '\0') return FALSE;
        ++p;
    }
    LPCTSTR end = p;
    while (*end != '\0' && *end != chSep) ++end;
    rString = CString(p, static_cast<int>(end - p));
    return TRUE;
}
