#include "app/instance_probe.h"

#include "framework/app.h"
#include "framework/client_program.h"

InstanceProbe::InstanceProbe(ClientProgram& client) : m_client(client), m_hMutex(nullptr) {}

// The mutex was created not owned and never waited for, so there is no ownership
// to give back; closing the handle is what drops the probe's hold on the name.
InstanceProbe::~InstanceProbe() {
    if (m_hMutex != nullptr) m_client.CloseInstanceMutex(m_hMutex);
}

BOOL InstanceProbe::IsFirstInstance(UINT nIDTitle, HWND* phWnd) {
    if (m_hMutex != nullptr) {
        m_client.CloseInstanceMutex(m_hMutex);
        m_hMutex = nullptr;
    }
    m_strClassName.Empty();
    CString strTitle;
    if (strTitle.LoadString(nIDTitle)) AfxExtractSubString(m_strClassName, strTitle, 0, '\n');
    m_strClassName += "Class";
    m_strClassName.Replace(' ', '_');

    bool bExisted = false;
    HANDLE hMutex = m_client.CreateInstanceMutex(m_strClassName, &bExisted);
    // Any answer but "already exists", a failed creation included, means no client.
    if (!bExisted) {
        m_hMutex = hMutex;
        return TRUE;
    }
    if (hMutex != nullptr) m_client.CloseInstanceMutex(hMutex);

    HWND hWnd = m_client.FindClientWindow(m_strClassName);
    if (hWnd != nullptr) {
        m_client.RestoreWindow(hWnd);
        m_client.BringToTop(hWnd);
        m_client.SetForeground(hWnd);
    }
    if (phWnd != nullptr) *phWnd = hWnd;
    return FALSE;
}
