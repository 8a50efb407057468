#include "app/instance_probe.h"

#include "framework/app.h"

InstanceProbe::InstanceProbe() : m_hMutex(nullptr) {}

// The mutex was created not owned and never waited for, so there is no ownership
// to give back; closing the handle is what drops the probe's hold on the name.
InstanceProbe::~InstanceProbe() {
    if (m_hMutex != nullptr) ::CloseHandle(m_hMutex);
}

BOOL InstanceProbe::IsFirstInstance(UINT nIDTitle, HWND* phWnd) {
    if (m_hMutex != nullptr) {
        ::CloseHandle(m_hMutex);
        m_hMutex = nullptr;
    }
    m_strClassName.Empty();
    CString strTitle;
    if (strTitle.LoadString(nIDTitle)) AfxExtractSubString(m_strClassName, strTitle, 0, '\n');
    m_strClassName += "Class";
    m_strClassName.Replace(' ', '_');

    HANDLE hMutex = ::CreateMutexA(nullptr, FALSE, m_strClassName);
    // Any answer but "already exists", a failed creation included, means no client.
    if (::GetLastError() != ERROR_ALREADY_EXISTS) {
        m_hMutex = hMutex;
        return TRUE;
    }
    if (hMutex != nullptr) ::CloseHandle(hMutex);

    HWND hWnd = ::FindWindowExA(nullptr, nullptr, m_strClassName, nullptr);
    if (hWnd != nullptr) {
        ::ShowWindow(hWnd, SW_RESTORE);
        ::BringWindowToTop(hWnd);
        ::SetForegroundWindow(hWnd);
    }
    if (phWnd != nullptr) *phWnd = hWnd;
    return FALSE;
}
