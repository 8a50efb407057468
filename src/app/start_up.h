// The decisions of start-up, kept apart from the application object so that each
// can be checked on its own.
#pragma once

#include "framework/cstring.h"

// The directory part of the executable's path, ending in its last backslash; a
// path without a backslash stays whole.
CString InstallDirFromModulePath(LPCTSTR lpszModulePath);

// The command line with every double-quote character removed; null reads as empty.
CString RemoveQuotes(LPCTSTR lpszCmdLine);

enum class StartMode {
    NoPack,   // nothing given: the no-pack dialog
    Launch,   // hand a service to the client
    Install,  // the whole text is a pack path
};

// The mode for a cleaned command line. Only a line whose first word is "-launch"
// goes to the hand-off: a pack path that merely contains the word (a folder named
// my-launch-packs) is still a pack.
StartMode ChooseStartMode(const CString& strCmdLine);

// The hand-off's command line: the cleaned line from "-launch" on, so that the
// hand-off's first blank is the one after the word.
CString LaunchCommandLine(const CString& strCmdLine);
