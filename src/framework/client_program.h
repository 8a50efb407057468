// What the hand-off asks of the client program it gives a service to: whether it
// runs (its named mutex), its window, and starting it.
#pragma once

#include "cstring.h"
#include "file_error.h"

class ClientProgram {
  public:
    virtual ~ClientProgram() = default;

    // Creates the named mutex a running client holds, not owned; *pbExisted tells that
    // it existed already. Null when it could not be created.
    virtual HANDLE CreateInstanceMutex(LPCTSTR name, bool* pbExisted) = 0;
    virtual void CloseInstanceMutex(HANDLE mutex) = 0;
    // The client's top-level window by class, or null.
    virtual HWND FindClientWindow(LPCTSTR className) = 0;
    virtual void RestoreWindow(HWND window) = 0;
    virtual void BringToTop(HWND window) = 0;
    virtual void SetForeground(HWND window) = 0;
    // WM_COPYDATA, waiting until the window has handled it; its answer is not used.
    virtual void SendCopyData(HWND window, ULONG_PTR tag, DWORD size, const void* data) = 0;
    // Starts `program` with the two arguments "+svc" and the service name, exactly as
    // given, in `directory`, without waiting; says why when it could not be started.
    virtual FileError StartClient(LPCTSTR program, LPCTSTR service, LPCTSTR directory) = 0;
};

// The machine's own (one per platform side).
ClientProgram& RealClientProgram();
