#include "app/start_up.h"

namespace {

const char kLaunchWord[] = "-launch";

// Index of the first character above 32, or the length.
int SkipBlanks(const CString& str) {
    int i = 0;
    while (i < str.GetLength() && static_cast<unsigned char>(str[i]) <= ' ') ++i;
    return i;
}

}  // namespace

CString InstallDirFromModulePath(LPCTSTR lpszModulePath) {
    CString strDir(lpszModulePath != nullptr ? lpszModulePath : "");
    const int nSeparator = AfxLastPathSeparator(strDir);
    if (nSeparator >= 0) strDir = strDir.Left(nSeparator + 1);
    return strDir;
}

CString RemoveQuotes(LPCTSTR lpszCmdLine) {
    CString str(lpszCmdLine != nullptr ? lpszCmdLine : "");
    str.Remove('"');
    return str;
}

StartMode ChooseStartMode(const CString& strCmdLine) {
    if (strCmdLine.IsEmpty()) return StartMode::NoPack;
    const int nWord = static_cast<int>(sizeof(kLaunchWord) - 1);
    int nStart = SkipBlanks(strCmdLine);
    if (strCmdLine.Mid(nStart, nWord) == kLaunchWord) {
        int nAfter = nStart + nWord;
        if (nAfter == strCmdLine.GetLength() ||
            static_cast<unsigned char>(strCmdLine[nAfter]) <= ' ') {
            return StartMode::Launch;
        }
    }
    return StartMode::Install;
}

CString LaunchCommandLine(const CString& strCmdLine) {
    return strCmdLine.Mid(SkipBlanks(strCmdLine));
}
