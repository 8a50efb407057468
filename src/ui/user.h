// The person in front of the installer: the overwrite question, the outcome dialogs,
// messages, and the system's own request for administrator rights. Windows shows
// dialogs; natively the terminal stands in for them.
#pragma once

#include "framework/cstring.h"

class User {
  public:
    virtual ~User() = default;

    // A yes/no question with the question icon; true for Yes.
    virtual bool AskYesNo(const CString& strQuestion) = 0;
    // Outcome dialog nIDTemplate, modal, with strName as its name line (empty: the
    // dialog's own default) and, for a failure, strCause below its texts.
    virtual void ShowOutcome(UINT nIDTemplate, const CString& strName, const CString& strCause) = 0;
    // A message with the stop icon and an OK button, modal.
    virtual void ShowError(const CString& strText) = 0;

    // Long work, shown while it lasts; each call keeps the window answering, and false
    // tells that the user cancelled. Waiting: another installation holds the folder;
    // shown at once, and the call takes a moment, so that a loop of calls waits.
    virtual bool Waiting() = 0;
    // An installation of strName has done `done` of `total` steps; shown once the work
    // has gone on for about a second.
    virtual bool Progress(const CString& strName, ULONGLONG done, ULONGLONG total) = 0;
    // The work is over, or its window is no longer wanted: it goes.
    virtual void EndWork() = 0;

    // Whether the program can be run again with more rights (RunElevated): false where
    // there is no one to ask.
    virtual bool CanElevate() = 0;
    // Runs the program again with `args` after the system has asked the user for
    // administrator rights, waits for it and gives its exit status. False when it did
    // not run, with *pError ERROR_CANCELLED when the user declined.
    virtual bool RunElevated(LPCTSTR args, DWORD* pExitCode, LONG* pError) = 0;
};

// The program's own: dialogs on Windows, the terminal natively.
User& RealUser();
