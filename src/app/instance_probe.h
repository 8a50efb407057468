// Tells whether the client runs, by the named mutex that a running client holds.
#pragma once

#include "framework/cstring.h"

class ClientProgram;

class InstanceProbe {
  public:
    explicit InstanceProbe(ClientProgram& client);
    ~InstanceProbe();  // closes the mutex handle, if the probe kept one
    InstanceProbe(const InstanceProbe&) = delete;
    InstanceProbe& operator=(const InstanceProbe&) = delete;

    // TRUE when no client runs; the probe then holds the mutex it has just created,
    // so that the name stays taken while the client starts. FALSE when a client
    // runs: its window (if any) has been restored and brought to the front, and is
    // stored in *phWnd (null when none was found) when phWnd is given.
    BOOL IsFirstInstance(UINT nIDTitle, HWND* phWnd);

  private:
    ClientProgram& m_client;
    HANDLE m_hMutex;
    CString m_strClassName;  // the client's mutex and window class name
};
