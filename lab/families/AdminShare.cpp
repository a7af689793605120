// Files on a computer's administrative share: "\\NAME\admin$\<path>" opens
// the file the scenario gives the computer under <path> (the `netlogonDns`
// field is system32\config\netlogon.dns). The share is read-only to the
// module and, as on Windows, open to the computer's administrators only. Any
// other path, and any handle the lab did not issue, goes to the system.
//
//   "netlogonDns": [ "line", ... ]                        each line ends in CR LF
//   "netlogonDns": { "lines": [ ... ], "access": "read" | "denied" | "unreadable" }
//
// A "denied" file refuses to open (5); an "unreadable" one opens and every
// read fails with ERROR_LOCK_VIOLATION, as a file another process locked.
#include "platform/AdminShare.h"

#include "lab/Gate.h"
#include "lab/Protocol.h"
#include "lab/Sections.h"
#include "lab/Text.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string>

namespace lab {
namespace {

enum class FileAccess { Read, Denied, Unreadable };

struct ShareFile {
    std::string bytes;
    FileAccess access = FileAccess::Read;
};

struct ShareFiles {
    std::map<std::wstring, ShareFile> files;  // lower-case path inside the share
};

// An open file: its bytes as they were when it was opened and the position.
struct OpenFile {
    std::string bytes;
    bool unreadable = false;
    std::mutex mutex;
    size_t position = 0;
};

constexpr wchar_t kNetlogonDns[] = L"system32\\config\\netlogon.dns";

void ReadNetlogonDns(const json::Value* value, const std::string& path, Computer& computer, Diagnostics& diag) {
    ShareFiles& share = computer.Section<ShareFiles>();
    share.files.erase(kNetlogonDns);
    if (!value) return;
    std::vector<std::wstring> lines;
    ShareFile file;
    if (value->type == json::Type::Array) {
        for (size_t i = 0; i < value->items.size() && diag.Ok(); ++i) {
            if (ExpectType(value->items[i], json::Type::String, ItemPath(path, i), diag))
                lines.push_back(Widen(value->items[i].text));
        }
    } else {
        ObjectReader r(*value, path, diag);
        r.StringList("lines", lines);
        std::wstring access = L"read";
        r.String("access", access);
        r.Finish();
        if (access == L"denied") file.access = FileAccess::Denied;
        else if (access == L"unreadable") file.access = FileAccess::Unreadable;
        else if (access != L"read" && diag.Ok())
            diag.Fail(r.LineOf("access"), r.PathOf("access"), "expected \"read\", \"denied\" or \"unreadable\"");
    }
    if (!diag.Ok()) return;
    // The file is text of the system code page; the scenario's text is taken
    // character by character (Latin-1), as a Western system writes it.
    for (const std::wstring& line : lines) {
        for (wchar_t c : line) file.bytes.push_back(static_cast<char>(c <= 0xFF ? c : L'?'));
        file.bytes += "\r\n";
    }
    share.files[kNetlogonDns] = std::move(file);
}

const SectionRegistration kNetlogon{ComputerSectionHandler{"netlogonDns", &ReadNetlogonDns, nullptr}};

// "\\server\admin$\rest": the server and the path inside the share.
bool SplitSharePath(const wchar_t* path, std::wstring& server, std::wstring& inside) {
    if (!path) return false;
    std::wstring text(path);
    std::replace(text.begin(), text.end(), L'/', L'\\');
    if (text.rfind(L"\\\\", 0) != 0) return false;
    text.erase(0, 2);
    const size_t shareAt = text.find(L'\\');
    if (shareAt == std::wstring::npos || shareAt == 0 || text.rfind(L"?", 0) == 0 || text.rfind(L".", 0) == 0)
        return false;
    const size_t restAt = text.find(L'\\', shareAt + 1);
    const std::wstring share = text.substr(shareAt + 1, restAt == std::wstring::npos ? std::wstring::npos : restAt - shareAt - 1);
    if (!EqualsNoCase(share, L"admin$")) return false;
    server = text.substr(0, shareAt);
    inside = restAt == std::wstring::npos ? std::wstring() : Lower(text.substr(restAt + 1));
    return true;
}

}  // namespace
}  // namespace lab

HANDLE WINAPI plat::CreateFileW(LPCWSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                                LPSECURITY_ATTRIBUTES lpSecurityAttributes, DWORD dwCreationDisposition,
                                DWORD dwFlagsAndAttributes, HANDLE hTemplateFile) {
    std::wstring server, inside;
    if (!lab::SplitSharePath(lpFileName, server, inside)) {
        return ::CreateFileW(lpFileName, dwDesiredAccess, dwShareMode, lpSecurityAttributes, dwCreationDisposition,
                             dwFlagsAndAttributes, hTemplateFile);  // seam: local
    }
    auto open = std::make_shared<lab::OpenFile>();
    std::wstring computer;
    {
        lab::Gate gate(server.c_str(), lab::Family::AdminShare, "CreateFileW");
        if (gate.Error()) {
            ::SetLastError(gate.Error());
            return INVALID_HANDLE_VALUE;
        }
        if (const DWORD denied = gate.RequireAdmin()) {
            ::SetLastError(denied);
            return INVALID_HANDLE_VALUE;
        }
        // The module only reads; writing into a lab share is refused.
        const bool writes = (dwDesiredAccess & (GENERIC_WRITE | GENERIC_ALL | FILE_WRITE_DATA | FILE_APPEND_DATA)) != 0;
        if (writes || (dwCreationDisposition != OPEN_EXISTING && dwCreationDisposition != OPEN_ALWAYS)) {
            ::SetLastError(ERROR_ACCESS_DENIED);
            return INVALID_HANDLE_VALUE;
        }
        const lab::ShareFiles* share = gate.Target().FindSection<lab::ShareFiles>();
        const lab::ShareFile* found = nullptr;
        if (share) {
            const auto it = share->files.find(inside);
            if (it != share->files.end()) found = &it->second;
        }
        if (!found) {
            ::SetLastError(ERROR_FILE_NOT_FOUND);
            return INVALID_HANDLE_VALUE;
        }
        if (found->access == lab::FileAccess::Denied) {
            ::SetLastError(ERROR_ACCESS_DENIED);
            return INVALID_HANDLE_VALUE;
        }
        open->bytes = found->bytes;
        open->unreadable = found->access == lab::FileAccess::Unreadable;
        computer = gate.Target().name;
    }
    ::SetLastError(0);
    return lab::Accounting::Get().IssueHandle(LAB_KIND_FILE_HANDLE, computer, "CreateFileW", open);
}

BOOL WINAPI plat::ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead, LPDWORD lpNumberOfBytesRead,
                           LPOVERLAPPED lpOverlapped) {
    if (!lab::Accounting::IsLabHandle(hFile))
        return ::ReadFile(hFile, lpBuffer, nNumberOfBytesToRead, lpNumberOfBytesRead, lpOverlapped);  // seam: local
    lab::HandleOf<lab::OpenFile> file(hFile, LAB_KIND_FILE_HANDLE);
    if (lpNumberOfBytesRead) *lpNumberOfBytesRead = 0;
    if (!file) return lab::Fail(ERROR_INVALID_HANDLE);
    if (!lpBuffer && nNumberOfBytesToRead) return lab::Fail(ERROR_INVALID_USER_BUFFER);
    if (!lpNumberOfBytesRead && !lpOverlapped) return lab::Fail(ERROR_INVALID_PARAMETER);
    {
        lab::Gate gate(file.Computer(), lab::Family::AdminShare, "ReadFile");
        if (gate.Error()) return lab::Fail(gate.Error());
    }
    lab::OpenFile& open = *file.Shared();
    if (open.unreadable) return lab::Fail(ERROR_LOCK_VIOLATION);
    std::lock_guard<std::mutex> hold(open.mutex);
    const size_t left = open.bytes.size() - std::min(open.position, open.bytes.size());
    const size_t n = std::min<size_t>(left, nNumberOfBytesToRead);
    if (n) std::memcpy(lpBuffer, open.bytes.data() + open.position, n);
    open.position += n;
    if (lpNumberOfBytesRead) *lpNumberOfBytesRead = static_cast<DWORD>(n);
    return TRUE;
}

BOOL WINAPI plat::GetFileSizeEx(HANDLE hFile, PLARGE_INTEGER lpFileSize) {
    if (!lab::Accounting::IsLabHandle(hFile)) return ::GetFileSizeEx(hFile, lpFileSize);  // seam: local
    lab::HandleOf<lab::OpenFile> file(hFile, LAB_KIND_FILE_HANDLE);
    if (!file) return lab::Fail(ERROR_INVALID_HANDLE);
    if (!lpFileSize) return lab::Fail(ERROR_NOACCESS);
    {
        lab::Gate gate(file.Computer(), lab::Family::AdminShare, "GetFileSizeEx");
        if (gate.Error()) return lab::Fail(gate.Error());
    }
    lpFileSize->QuadPart = static_cast<LONGLONG>(file.Payload().bytes.size());
    return TRUE;
}
