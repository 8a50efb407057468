// Administrator rights are asked for only when an installation needs them: the
// program runs as the invoker, and only when `custom` refuses a new file for lack of
// rights is the installer run again elevated, for the same pack, before anything is
// written. The elevated run shows the outcome; this one ends with its exit status.
#pragma once

#include "app/install_outcome.h"
#include "framework/cstring.h"

class FileSystem;
struct InstallerRoles;

// The first argument of the elevated run, so that it never asks again.
extern const char kElevatedRunMarker[];

// The command line without a leading marker (and the blanks after it); *pbMarked
// tells whether it had one. Null reads as empty.
CString TakeElevatedRunMarker(LPCTSTR lpszCmdLine, bool* pbMarked);

// Whether `custom` refuses new files for lack of rights: a probe file is created there
// exclusively and removed again. A missing `custom` is made first.
bool CustomDirDenied(FileSystem& files, const CString& strCustomDir);

// Runs the installation elevated when it needs rights the program can still ask for
// (never from a run that is elevated already). True when that settles this run, with
// *pOutcome: the elevated run's exit status, or the failure to run it. False: install
// here.
bool InstallElevatedWhenDenied(const InstallerRoles& roles, const CString& strCustomDir,
                               bool bElevatedRun, const CString& strPackPath,
                               InstallOutcome* pOutcome);
