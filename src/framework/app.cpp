#include "app.h"

#include "window.h"
#include "window_platform.h"

namespace {
CWinApp* g_pApp = nullptr;
}

BEGIN_MESSAGE_MAP(CWinApp, CCmdTarget)
END_MESSAGE_MAP()

CWinApp::CWinApp(LPCTSTR lpszAppName) : m_pszAppName(lpszAppName) {
    g_pApp = this;
}

CWinApp::~CWinApp() {
    if (g_pApp == this) g_pApp = nullptr;
}

BOOL CWinApp::InitInstance() {
    return TRUE;
}

int CWinApp::ExitInstance() {
    return m_nExitCode;
}

BOOL CWinApp::Enable3dControls() {
    return TRUE;
}

void CWinApp::OnHelp() {}

CString CWinApp::GetAppTitle() const {
    if (m_pszAppName != nullptr) return m_pszAppName;
    TCHAR path[MAX_PATH] = {};
    ::GetModuleFileNameA(m_hInstance, path, MAX_PATH);
    TCHAR name[_MAX_FNAME] = {};
    ::_splitpath(path, nullptr, nullptr, name, nullptr);
    return name;
}

CWinApp* AfxGetApp() {
    return g_pApp;
}

int AfxWinMain(HINSTANCE hInstance, LPTSTR lpCmdLine) {
    CWinApp* pApp = AfxGetApp();
    if (pApp == nullptr) return 1;  // a program without an application object
    pApp->m_hInstance = hInstance;
    pApp->m_lpCmdLine = lpCmdLine;
    if (!pApp->InitInstance()) return pApp->ExitInstance();
    return pApp->Run();
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

HINSTANCE AfxGetInstanceHandle() {
    CWinApp* pApp = AfxGetApp();
    if (pApp != nullptr && pApp->m_hInstance != nullptr) return pApp->m_hInstance;
    return AfxModuleInstance();
}

HINSTANCE AfxGetResourceHandle() {
    return AfxGetInstanceHandle();
}

// Resources live in the program itself; there are no resource libraries to search.
HINSTANCE AfxFindResourceHandle(LPCTSTR, LPCTSTR) {
    return AfxGetResourceHandle();
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
