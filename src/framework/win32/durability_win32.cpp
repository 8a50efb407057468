// Written-out data and one flush of the device. A file's data goes out through
// NtFlushBuffersFileEx with the data-only flag: no metadata, no flush of the device's
// cache. The volume's flush is a full flush of a throw-away file made in the folder:
// NTFS then writes its log, which holds every name changed on the volume before that
// file was made, and empties the device's cache. A directory's own flush is not
// documented to reach as far, and under Wine it is an fsync of the directory, which on
// ext4 commits nothing when only the folders below it changed.
#include "files_win32.h"

#include <winternl.h>

namespace {

constexpr ULONG kFlushFileDataOnly = 1;  // FLUSH_FLAGS_FILE_DATA_ONLY

typedef NTSTATUS(NTAPI* FlushBuffersFileEx)(HANDLE, ULONG, PVOID, ULONG, PIO_STATUS_BLOCK);

// Windows 8 and later; Wine 8 has none, Wine 10 takes it and ignores the flag (a full
// fsync each time).
FlushBuffersFileEx DataOnlyFlush() {
    static const FlushBuffersFileEx flush = [] {
        HMODULE ntdll = ::GetModuleHandleA("ntdll.dll");
        FARPROC proc = ntdll != nullptr ? ::GetProcAddress(ntdll, "NtFlushBuffersFileEx") : nullptr;
        return reinterpret_cast<FlushBuffersFileEx>(reinterpret_cast<void (*)()>(proc));
    }();
    return flush;
}

}  // namespace

FileError Win32Files::WriteOut(FileHandle file) {
    HANDLE h = reinterpret_cast<HANDLE>(file);
    if (FlushBuffersFileEx flush = DataOnlyFlush()) {
        IO_STATUS_BLOCK status = {};
        if (NT_SUCCESS(flush(h, kFlushFileDataOnly, nullptr, 0, &status))) return {};
    }
    // Where the flag is missing or refused (a file system without it), the full flush
    // is the only safe one; on a bad handle it fails with the Win32 code itself.
    return ::FlushFileBuffers(h) ? FileError() : Win32Error();
}

FileError Win32Files::FlushVolume(LPCTSTR path) {
    // A new name each time, made exclusively: it never opens what a pack installed,
    // and it goes away with its handle, even when the process is killed.
    static LONG s_count = 0;
    CString strName;
    for (int attempt = 0; attempt < 16; ++attempt) {
        strName.Format("%s\\~tpxflush%lx-%lx.tmp", path,
                       static_cast<unsigned long>(::GetCurrentProcessId()),
                       static_cast<unsigned long>(::InterlockedIncrement(&s_count)));
        HANDLE file = ::CreateFileA(strName, GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            if (::GetLastError() == ERROR_FILE_EXISTS) continue;
            return Win32Error();
        }
        const FileError flushed = ::FlushFileBuffers(file) ? FileError() : Win32Error();
        ::CloseHandle(file);
        return flushed;
    }
    return Win32Error(ERROR_FILE_EXISTS);
}
