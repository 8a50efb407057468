#include "support/fake_platform.h"

#include <cstdio>
#include <cstring>
#include <new>

#include "framework/ctime.h"
#include "framework/file.h"
#include "framework/utf8.h"

namespace {

// The date of a day counted from 1970-01-01 (the reverse of AfxDaysFromCivil).
void CivilFromDays(int64_t z, int* y, int* m, int* d) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    *d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    *m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    *y = static_cast<int>(yoe + era * 400 + (*m <= 2));
}

std::string DateText(int64_t t) {
    int y, m, d;
    const int64_t days = (t >= 0 ? t : t - 86399) / 86400;
    CivilFromDays(days, &y, &m, &d);
    const int64_t s = t - days * 86400;
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", y, m, d,
                  static_cast<int>(s / 3600), static_cast<int>(s / 60 % 60),
                  static_cast<int>(s % 60));
    return text;
}

// By characters of the code page: a trail byte 0x5C is no separator.
std::string Parent(const std::string& path, const std::set<BYTE>& leadBytes) {
    size_t cut = std::string::npos;
    for (size_t i = 0; i < path.size(); ++i) {
        if (leadBytes.count(static_cast<BYTE>(path[i])) != 0 && i + 1 < path.size()) {
            ++i;
        } else if (path[i] == '\\') {
            cut = i;
        }
    }
    return cut == std::string::npos ? std::string() : path.substr(0, cut);
}

// The code Win32 reports for a kind, as the fake's own failures carry it.
LONG Win32CodeOf(FileError::Kind kind) {
    switch (kind) {
        case FileError::none:
            return 0;
        case FileError::notFound:
            return ERROR_FILE_NOT_FOUND;
        case FileError::pathNotFound:
            return ERROR_PATH_NOT_FOUND;
        case FileError::exists:
            return ERROR_ALREADY_EXISTS;
        case FileError::accessDenied:
            return ERROR_ACCESS_DENIED;
        case FileError::inUse:
            return ERROR_SHARING_VIOLATION;
        case FileError::lockHeld:
            return ERROR_LOCK_VIOLATION;
        case FileError::diskFull:
            return ERROR_DISK_FULL;
        case FileError::linkInTheWay:
            return ERROR_CANT_RESOLVE_FILENAME;
        case FileError::notEmpty:
            return ERROR_DIR_NOT_EMPTY;
        case FileError::badName:
            return ERROR_INVALID_NAME;
        case FileError::other:
            break;
    }
    return ERROR_INVALID_FUNCTION;
}

FileError Fail(FileError::Kind kind) {
    return FileError(kind, Win32CodeOf(kind));
}

constexpr LONG kInvalidHandle = ERROR_INVALID_HANDLE;

}  // namespace

FakePlatform::FakePlatform(FileSystem* pFiles) : m_pFiles(pFiles) {}

std::vector<std::string> FakePlatform::Calls(const std::string& prefix) const {
    std::vector<std::string> found;
    for (const std::string& line : calls) {
        if (line.compare(0, prefix.size(), prefix) == 0) found.push_back(line);
    }
    return found;
}

std::vector<std::string> FakePlatform::Calls(std::initializer_list<const char*> prefixes) const {
    std::vector<std::string> found;
    for (const std::string& line : calls) {
        for (const char* prefix : prefixes) {
            if (line.rfind(prefix, 0) == 0) {
                found.push_back(line);
                break;
            }
        }
    }
    return found;
}

int FakePlatform::Count(const std::string& prefix) const {
    return static_cast<int>(Calls(prefix).size());
}

void FakePlatform::FailCalls(const std::string& prefix, FileError error) {
    if (error.osCode == 0) error.osCode = Win32CodeOf(error.kind);
    m_faults.emplace_back(prefix, error);
}

FileError FakePlatform::Record(const std::string& line) {
    if (!outOfMemoryAt.empty() && line.compare(0, outOfMemoryAt.size(), outOfMemoryAt) == 0) {
        calls.push_back(line + " -> out of memory");
        throw std::bad_alloc();
    }
    if (calls.size() == failAt) {
        calls.push_back(line + " -> failed");
        return Fail(FileError::accessDenied);
    }
    for (const auto& fault : m_faults) {
        if (line.compare(0, fault.first.size(), fault.first) == 0) {
            calls.push_back(line + " -> failed");
            return fault.second;
        }
    }
    calls.push_back(line);
    return FileError();
}

FileError FakePlatform::Query(const std::string& line) const {
    for (const auto& fault : m_faults) {
        if (line.compare(0, fault.first.size(), fault.first) == 0) return fault.second;
    }
    return FileError();
}

void FakePlatform::AddFile(const std::string& path, const std::string& bytes, DWORD attributes) {
    Node& node = m_nodes[path];
    node.directory = false;
    node.bytes = bytes;
    node.attributes = attributes;
}

void FakePlatform::AddDirectory(const std::string& path) {
    m_nodes[path].directory = true;
    m_nodes[path].attributes = FILE_ATTRIBUTE_DIRECTORY;
}

FakePlatform::Node* FakePlatform::Find(const std::string& path) {
    auto it = m_nodes.find(path);
    return it == m_nodes.end() ? nullptr : &it->second;
}

const FakePlatform::Node* FakePlatform::Find(const std::string& path) const {
    auto it = m_nodes.find(path);
    return it == m_nodes.end() ? nullptr : &it->second;
}

bool FakePlatform::HasFile(const std::string& path) const {
    const Node* node = Find(path);
    return node != nullptr && !node->directory;
}

bool FakePlatform::HasDirectory(const std::string& path) const {
    const Node* node = Find(path);
    return node != nullptr && node->directory;
}

std::string FakePlatform::FileBytes(const std::string& path) const {
    const Node* node = Find(path);
    return node != nullptr ? node->bytes : std::string();
}

DWORD FakePlatform::FileAttributes(const std::string& path) const {
    const Node* node = Find(path);
    return node != nullptr ? node->attributes : INVALID_FILE_ATTRIBUTES;
}

int64_t FakePlatform::FileTime(const std::string& path) const {
    const Node* node = Find(path);
    return node != nullptr ? node->mtime : 0;
}

std::vector<std::string> FakePlatform::Paths() const {
    std::vector<std::string> paths;
    for (const auto& item : m_nodes) paths.push_back(item.first);
    return paths;
}

bool FakePlatform::ParentExists(const std::string& path) const {
    const std::string parent = Parent(path, leadBytes);
    return parent.size() == 2 || HasDirectory(parent);  // "C:" or a directory
}

std::string FakePlatform::PathOf(FileHandle file) const {
    auto it = m_open.find(file);
    return it == m_open.end() ? std::string("?") : it->second.path;
}

FileError FakePlatform::OpenForReading(LPCTSTR path, FileHandle* file) {
    return OpenPath(path, file, false);
}

FileError FakePlatform::CreateNew(LPCTSTR path, FileHandle* file) {
    return OpenPath(path, file, true);
}

FileError FakePlatform::OpenPath(LPCTSTR path, FileHandle* file, bool bCreateNew) {
    *file = kNoFile;
    if (FileError error =
            Record(std::string(bCreateNew ? "open create-new " : "open read ") + path))
        return error;
    FileHandle h = kNoFile;
    if (m_pFiles != nullptr) {
        const FileError error =
            bCreateNew ? m_pFiles->CreateNew(path, &h) : m_pFiles->OpenForReading(path, &h);
        if (error) return error;
    } else {
        Node* node = Find(path);
        if (node == nullptr && !ParentExists(path)) return Fail(FileError::pathNotFound);
        if (bCreateNew) {
            if (node != nullptr) return FileError(FileError::exists, 80);  // ERROR_FILE_EXISTS
            node = &m_nodes[path];
            node->ctime = node->mtime = node->atime = now;
        } else if (node == nullptr) {
            return Fail(FileError::notFound);
        } else if (node->directory) {
            return Fail(FileError::accessDenied);
        }
        h = m_nextHandle++;
    }
    m_open[h] = {path, bCreateNew};
    *file = h;
    return FileError();
}

FileError FakePlatform::ReadAt(FileHandle file, void* buffer, UINT count, ULONGLONG offset,
                               UINT* read) {
    *read = 0;
    if (FileError error = Record("read " + PathOf(file))) return error;
    if (m_pFiles != nullptr) return m_pFiles->ReadAt(file, buffer, count, offset, read);
    const Node* node = Find(PathOf(file));
    auto it = m_open.find(file);
    if (node == nullptr || it == m_open.end()) return FileError(FileError::other, kInvalidHandle);
    if (it->second.writable && !it->second.lock) return Fail(FileError::accessDenied);
    if (offset < node->bytes.size()) {
        const size_t n = std::min<size_t>(count, node->bytes.size() - offset);
        std::memcpy(buffer, node->bytes.data() + offset, n);
        *read = static_cast<UINT>(n);
    }
    return FileError();
}

FileError FakePlatform::WriteAt(FileHandle file, const void* buffer, UINT count, ULONGLONG offset) {
    const std::string path = PathOf(file);
    if (FileError error = Record("write " + path + " " + std::to_string(count))) return error;
    if (m_pFiles != nullptr) return m_pFiles->WriteAt(file, buffer, count, offset);
    Node* node = Find(path);
    auto it = m_open.find(file);
    if (node == nullptr || it == m_open.end()) return FileError(FileError::other, kInvalidHandle);
    if (!it->second.writable) return Fail(FileError::accessDenied);
    if (node->bytes.size() < offset + count) node->bytes.resize(offset + count);
    std::memcpy(&node->bytes[offset], buffer, count);
    node->mtime = now;
    return FileError();
}

FileError FakePlatform::GetLength(FileHandle file, ULONGLONG* length) {
    if (m_pFiles != nullptr) return m_pFiles->GetLength(file, length);
    const Node* node = Find(PathOf(file));
    if (node == nullptr) return FileError(FileError::other, kInvalidHandle);
    *length = node->bytes.size();
    return FileError();
}

FileError FakePlatform::SetLength(FileHandle file, ULONGLONG length) {
    if (FileError error = Record("set-length " + PathOf(file) + " " + std::to_string(length)))
        return error;
    if (m_pFiles != nullptr) return m_pFiles->SetLength(file, length);
    Node* node = Find(PathOf(file));
    if (node == nullptr) return FileError(FileError::other, kInvalidHandle);
    node->bytes.resize(length);
    return FileError();
}

FileError FakePlatform::Stamp(FileHandle file, const CFileStatus& status, DWORD attributes) {
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%lX", static_cast<unsigned long>(attributes));
    const std::string path = PathOf(file);
    if (FileError error =
            Record("set-status " + path + " " + DateText(status.m_mtime.GetTime()) + " " + hex))
        return error;
    if (m_pFiles != nullptr) return m_pFiles->Stamp(file, status, attributes);
    Node* node = Find(path);
    if (node == nullptr) return FileError(FileError::other, kInvalidHandle);
    if (status.m_ctime.GetTime() != 0) node->ctime = status.m_ctime.GetTime();
    if (status.m_mtime.GetTime() != 0) node->mtime = status.m_mtime.GetTime();
    if (status.m_atime.GetTime() != 0) node->atime = status.m_atime.GetTime();
    node->attributes = attributes != 0 ? attributes : FILE_ATTRIBUTE_NORMAL;
    return FileError();
}

FileError FakePlatform::OpenLock(LPCTSTR path, FileHandle* file) {
    *file = kNoFile;
    if (FileError error = Record(std::string("lock ") + path)) return error;
    if (lockHeldTries > 0) {
        --lockHeldTries;
        return Fail(FileError::lockHeld);
    }
    FileHandle h = kNoFile;
    if (m_pFiles != nullptr) {
        if (FileError error = m_pFiles->OpenLock(path, &h)) return error;
    } else {
        if (!ParentExists(path)) return Fail(FileError::pathNotFound);
        // A folder is no lock, and is left as it is.
        if (HasDirectory(path)) return Fail(FileError::accessDenied);
        for (const auto& open : m_open) {
            if (open.second.lock && open.second.path == path) return Fail(FileError::lockHeld);
        }
        if (Find(path) == nullptr) {
            Node& node = m_nodes[path];
            node.ctime = node.mtime = node.atime = now;
        }
        h = m_nextHandle++;
    }
    m_open[h] = {path, true, true};
    *file = h;
    return FileError();
}

FileError FakePlatform::CloseLock(FileHandle file, LPCTSTR path, bool bRemove) {
    const FileError recorded = Record(std::string(bRemove ? "unlock-remove " : "unlock ") + path);
    FileError error;
    if (m_pFiles != nullptr) {
        error = m_pFiles->CloseLock(file, path, bRemove);
    } else if (bRemove && !recorded) {
        m_nodes.erase(path);
    }
    m_open.erase(file);
    return recorded ? recorded : error;
}

FileError FakePlatform::WriteOut(FileHandle file) {
    if (FileError error = Record("write-out " + PathOf(file))) return error;
    return m_pFiles != nullptr ? m_pFiles->WriteOut(file) : FileError();
}

FileError FakePlatform::FlushVolume(LPCTSTR path) {
    if (FileError error = Record(std::string("flush-volume ") + path)) return error;
    return m_pFiles != nullptr ? m_pFiles->FlushVolume(path) : FileError();
}

void FakePlatform::ConfineBelow(LPCTSTR root) {
    if (m_pFiles != nullptr) m_pFiles->ConfineBelow(root);
}

FileError FakePlatform::SetAside(LPCTSTR existing, LPCTSTR newPath) {
    if (FileError error = Record(std::string("set-aside ") + existing + " -> " + newPath))
        return error;
    if (m_pFiles != nullptr) return m_pFiles->SetAside(existing, newPath);
    const Node* from = Find(existing);
    if (from == nullptr || from->directory) return Fail(FileError::notFound);
    if (Find(newPath) != nullptr) return Fail(FileError::exists);
    if (!ParentExists(newPath)) return Fail(FileError::pathNotFound);
    m_nodes[newPath] = *from;  // nothing writes either name again: a copy serves
#ifdef _WIN32
    m_nodes.erase(existing);  // as Win32Files does it: a move
#endif
    return FileError();
}

FileError FakePlatform::Close(FileHandle file) {
    const FileError recorded = Record("close " + PathOf(file));
    FileError error;
    if (m_pFiles != nullptr) error = m_pFiles->Close(file);
    m_open.erase(file);  // a failed close releases the handle too
    return recorded ? recorded : error;
}

FileError FakePlatform::GetFullPath(LPCTSTR path, CString& fullPath) {
    if (m_pFiles != nullptr) return m_pFiles->GetFullPath(path, fullPath);
    if (path == nullptr || *path == '\0') return Fail(FileError::pathNotFound);
    const bool absolute = path[0] == '\\' || (path[0] != '\0' && path[1] == ':');
    fullPath = absolute ? CString(path) : CString("C:\\work\\") + path;
    return FileError();
}

FileError FakePlatform::GetPathStatus(LPCTSTR path, CFileStatus& status) {
    if (m_pFiles != nullptr) return m_pFiles->GetPathStatus(path, status);
    const Node* node = Find(path);
    if (node == nullptr)
        return Fail(ParentExists(path) ? FileError::notFound : FileError::pathNotFound);
    status.m_ctime = CTime(node->ctime);
    status.m_mtime = CTime(node->mtime);
    status.m_atime = CTime(node->atime);
    status.m_size = node->bytes.size();
    status.m_attribute = static_cast<BYTE>(node->attributes);
    return FileError();
}

FileError FakePlatform::MoveBack(LPCTSTR oldPath, LPCTSTR newPath) {
    return Move("rename", oldPath, newPath);
}

FileError FakePlatform::MoveNew(LPCTSTR oldPath, LPCTSTR newPath) {
    if (m_pFiles == nullptr && Find(newPath) != nullptr) {
        calls.push_back(std::string("move-new ") + oldPath + " -> " + newPath + " -> exists");
        return Fail(FileError::exists);
    }
    return Move("move-new", oldPath, newPath);
}

FileError FakePlatform::Replace(LPCTSTR newFile, LPCTSTR target) {
    return Move("replace", newFile, target);
}

FileError FakePlatform::Move(const std::string& verb, LPCTSTR oldPath, LPCTSTR newPath) {
    if (FileError error = Record(verb + " " + oldPath + " -> " + newPath)) return error;
    if (m_pFiles != nullptr) {
        return verb == "rename"     ? m_pFiles->MoveBack(oldPath, newPath)
               : verb == "move-new" ? m_pFiles->MoveNew(oldPath, newPath)
                                    : m_pFiles->Replace(oldPath, newPath);
    }
    Node* from = Find(oldPath);
    const Node* to = Find(newPath);
    if (from == nullptr) return Fail(FileError::notFound);
    if (!ParentExists(newPath)) return Fail(FileError::pathNotFound);
    if (to != nullptr && (to->directory || (to->attributes & FILE_ATTRIBUTE_READONLY))) {
        return Fail(FileError::accessDenied);
    }
    // A directory moves with everything below it.
    const std::string below = std::string(oldPath) + "\\";
    std::vector<std::pair<std::string, Node>> moved{{newPath, *from}};
    for (auto it = m_nodes.lower_bound(below); it != m_nodes.end();) {
        if (!from->directory || it->first.compare(0, below.size(), below) != 0) break;
        moved.emplace_back(newPath + it->first.substr(below.size() - 1), it->second);
        it = m_nodes.erase(it);
    }
    m_nodes.erase(oldPath);
    for (auto& item : moved) m_nodes[item.first] = item.second;
    return FileError();
}

FileError FakePlatform::RemoveFile(LPCTSTR path) {
    if (FileError error = Record(std::string("remove ") + path)) return error;
    if (m_pFiles != nullptr) return m_pFiles->RemoveFile(path);
    const Node* node = Find(path);
    if (node == nullptr) return Fail(FileError::notFound);
    if (node->directory || (node->attributes & FILE_ATTRIBUTE_READONLY))
        return Fail(FileError::accessDenied);
    m_nodes.erase(path);
    return FileError();
}

FileError FakePlatform::MakeDirectory(LPCTSTR path) {
    if (FileError error = Record(std::string("mkdir ") + path)) return error;
    if (m_pFiles != nullptr) return m_pFiles->MakeDirectory(path);
    if (Find(path) != nullptr) return Fail(FileError::exists);
    if (!ParentExists(path)) return Fail(FileError::pathNotFound);
    AddDirectory(path);
    return FileError();
}

FileError FakePlatform::RemoveEmptyDirectory(LPCTSTR path) {
    if (FileError error = Record(std::string("rmdir ") + path)) return error;
    if (m_pFiles != nullptr) return m_pFiles->RemoveEmptyDirectory(path);
    if (!HasDirectory(path)) return Fail(FileError::pathNotFound);
    const std::string below = std::string(path) + "\\";
    auto next = m_nodes.lower_bound(below);
    if (next != m_nodes.end() && next->first.compare(0, below.size(), below) == 0) {
        return Fail(FileError::notEmpty);
    }
    m_nodes.erase(path);
    return FileError();
}

FileError FakePlatform::RemoveTree(LPCTSTR path) {
    if (FileError error = Record(std::string("rmtree ") + path)) return error;
    if (m_pFiles != nullptr) return m_pFiles->RemoveTree(path);
    if (Find(path) == nullptr) return Fail(FileError::notFound);
    const std::string below = std::string(path) + "\\";
    for (auto it = m_nodes.lower_bound(below); it != m_nodes.end();) {
        if (it->first.compare(0, below.size(), below) != 0) break;
        it = m_nodes.erase(it);
    }
    m_nodes.erase(path);
    return FileError();
}

FileError FakePlatform::ListDirectory(LPCTSTR path, std::vector<std::string>& names) {
    names.clear();
    if (m_pFiles != nullptr) return m_pFiles->ListDirectory(path, names);
    if (FileError error = Query(std::string("list ") + path)) return error;
    if (!HasDirectory(path) && std::string(path).size() != 2) {
        return Fail(FileError::pathNotFound);
    }
    const std::string below = std::string(path) + "\\";
    for (const auto& item : m_nodes) {
        if (item.first.compare(0, below.size(), below) != 0) continue;
        const std::string rest = item.first.substr(below.size());
        if (rest.find('\\') == std::string::npos) names.push_back(rest);
    }
    return FileError();
}

FileError FakePlatform::GetAvailableSpace(LPCTSTR path, ULONGLONG* bytes) {
    if (m_pFiles != nullptr) return m_pFiles->GetAvailableSpace(path, bytes);
    if (freeSpaceUnknown) return Fail(FileError::other);
    *bytes = freeSpace;
    return FileError();
}

FileError FakePlatform::ReadWholeFile(LPCTSTR path, size_t limit, std::string& bytes) {
    if (FileError error = Record(std::string("read-whole ") + path)) return error;
    if (m_pFiles != nullptr) return m_pFiles->ReadWholeFile(path, limit, bytes);
    const Node* node = Find(path);
    if (node == nullptr)
        return Fail(ParentExists(path) ? FileError::notFound : FileError::pathNotFound);
    if (node->directory) return Fail(FileError::accessDenied);
    if (node->bytes.size() > limit) return Fail(FileError::other);
    bytes = node->bytes;
    return FileError();
}

bool FakePlatform::IsLeadByte(BYTE ch) {
    return leadBytes.count(ch) != 0;
}

bool FakePlatform::LocalPartsToTime(const LocalTimeParts& p, int64_t* time) {
    if (m_pFiles != nullptr) return RealHost().LocalPartsToTime(p, time);
    *time = AfxDaysFromCivil(p.year, p.month, p.day) * 86400 + int64_t(p.hour) * 3600 +
            int64_t(p.minute) * 60 + p.second;
    return true;
}

bool FakePlatform::TimeToLocalParts(int64_t time, LocalTimeParts* parts) {
    if (m_pFiles != nullptr) return RealHost().TimeToLocalParts(time, parts);
    const int64_t days = (time >= 0 ? time : time - 86399) / 86400;
    const int64_t s = time - days * 86400;
    CivilFromDays(days, &parts->year, &parts->month, &parts->day);
    parts->hour = static_cast<int>(s / 3600);
    parts->minute = static_cast<int>(s / 60 % 60);
    parts->second = static_cast<int>(s % 60);
    parts->isDst = 0;
    return true;
}

int64_t FakePlatform::CurrentTime() {
    return m_pFiles != nullptr ? RealHost().CurrentTime() : now;
}

bool FakePlatform::Utf8ToAnsi(const char* text, size_t length, CString& ansi) {
    std::string out;
    const char* end = text + length;
    for (const char* p = text; p < end;) {
        const char* start = p;
        uint32_t codePoint;
        if (!DecodeUtf8(p, end, &codePoint)) return false;
        if (ansiIsUtf8 || codePoint < 0x80) {
            out.append(start, p);
            continue;
        }
        auto it = ansiChars.find(codePoint);
        if (it == ansiChars.end()) return false;
        out += it->second;
    }
    ansi = CString(out.data(), static_cast<int>(out.size()));
    return true;
}

CString FakePlatform::ModulePath() {
    return modulePath.c_str();
}

bool FakePlatform::LoadStringResource(UINT nID, CString& text) {
    auto it = strings.find(nID);
    if (it == strings.end()) return false;
    text = it->second.c_str();
    return true;
}

bool FakePlatform::CanElevate() {
    return canElevate;
}

bool FakePlatform::RunElevated(LPCTSTR args, DWORD* exitCode, LONG* pError) {
    *pError = elevationError;
    if (FileError fault = Record(std::string("run-elevated ") + args)) {
        *pError = fault.osCode;
        return false;
    }
    if (elevationError != ERROR_SUCCESS) return false;
    *exitCode = elevatedExitCode;
    return true;
}

bool FakePlatform::AskYesNo(const CString& strQuestion) {
    Record(std::string("ask ") + static_cast<LPCTSTR>(strQuestion));
    if (answers.empty()) return false;
    const bool yes = answers.front();
    answers.pop_front();
    return yes;
}

void FakePlatform::ShowOutcome(UINT nIDTemplate, const CString& strName, const CString& strCause) {
    if (!strCause.IsEmpty()) Record(std::string("cause ") + static_cast<LPCTSTR>(strCause));
    Record("outcome " + std::to_string(nIDTemplate) + " " + static_cast<LPCTSTR>(strName));
}

bool FakePlatform::Waiting() {
    Record("waiting");
    return ++waits <= cancelAfterWaits;
}

bool FakePlatform::Progress(const CString&, ULONGLONG done, ULONGLONG) {
    ++progressCalls;
    return done < cancelAtProgress;
}

void FakePlatform::EndWork() {}

void FakePlatform::ShowError(const CString& strText) {
    Record(std::string("error ") + static_cast<LPCTSTR>(strText));
}

HANDLE FakePlatform::CreateInstanceMutex(LPCTSTR name, bool* pbExisted) {
    Record(std::string("mutex ") + name);
    *pbExisted = clientRunning;
    return reinterpret_cast<HANDLE>(m_nextHandle++);
}

void FakePlatform::CloseInstanceMutex(HANDLE) {
    Record("close-mutex");
}

HWND FakePlatform::FindClientWindow(LPCTSTR className) {
    Record(std::string("find-window ") + className);
    static int window;
    return clientRunning && clientWindow ? reinterpret_cast<HWND>(&window) : nullptr;
}

void FakePlatform::RestoreWindow(HWND) {
    Record("restore");
}

void FakePlatform::BringToTop(HWND) {
    Record("top");
}

void FakePlatform::SetForeground(HWND) {
    Record("foreground");
}

void FakePlatform::SendCopyData(HWND, ULONG_PTR tag, DWORD size, const void* data) {
    std::string text(static_cast<const char*>(data), size);
    if (!text.empty() && text.back() == '\0') text.replace(text.size() - 1, 1, "\\0");
    Record("copydata " + std::to_string(tag) + " " + std::to_string(size) + " " + text);
}

FileError FakePlatform::StartClient(LPCTSTR program, LPCTSTR service, LPCTSTR directory) {
    Record(std::string("start ") + program + " | " + service + " | " + directory);
    return clientStarts ? FileError() : Fail(FileError::notFound);
}

void FakePlatform::Trace(LPCTSTR text) {
    Record(std::string("trace ") + text);
}
