// Administrator rights are asked for only when an installation needs them: the
// program runs as the invoker, and only when `custom` refuses a new file for lack of
// rights is the installer run again elevated, for the same pack, before anything is
// written. The elevated run shows the outcome; this one ends with its exit status.
#pragma once

#include "framework/cstring.h"

class InstallerApp;

// The first argument of the elevated run, so that it never asks again.
extern const char kElevatedRunMarker[];

// The command line without a leading marker (and the blanks after it); *pbMarked
// tells whether it had one. Null reads as empty.
CString TakeElevatedRunMarker(LPCTSTR lpszCmdLine, bool* pbMarked);

// Whether `custom` refuses new files for lack of rights: a probe file is created there
// exclusively and removed again. A missing `custom` is made first.
bool CustomDirDenied(const CString& strCustomDir);

// Runs the installation elevated when it needs rights the program can still ask for.
// True when that run settles this one: its exit status is ours, or (declined, not
// started) app.m_bError is set for the failure dialog. False: install here.
bool InstallElevatedWhenDenied(InstallerApp& app, const CString& strPackPath);
