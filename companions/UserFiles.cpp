#include "companions/UserFiles.h"

#include "common/Result.h"

#include <shlobj.h>

#include <new>

namespace vantrel::companions {

HRESULT ResolveUserFile(const wchar_t* variable, int csidl, const wchar_t* fileName, std::wstring* path) noexcept try {
    if (!path) RETURN_HR(E_POINTER);
    wchar_t buffer[MAX_PATH * 2];
    const DWORD length = ::GetEnvironmentVariableW(variable, buffer, ARRAYSIZE(buffer));
    RETURN_HR_IF(HResultFromWin32(ERROR_FILENAME_EXCED_RANGE), length >= ARRAYSIZE(buffer));
    if (length > 0) {
        // Relative names are taken against today's working folder, once, so
        // that a later change of folder does not move the file.
        wchar_t full[MAX_PATH * 2];
        const DWORD fullLength = ::GetFullPathNameW(buffer, ARRAYSIZE(full), full, nullptr);
        RETURN_LAST_ERROR_IF(fullLength == 0);
        RETURN_HR_IF(HResultFromWin32(ERROR_FILENAME_EXCED_RANGE), fullLength >= ARRAYSIZE(full));
        path->assign(full, fullLength);
        return S_OK;
    }
    wchar_t folder[MAX_PATH];
    RETURN_IF_FAILED(::SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, folder));
    path->assign(folder);
    if (!path->empty() && path->back() != L'\\') *path += L'\\';
    *path += L"Vantrel\\";
    *path += fileName;
    return S_OK;
} catch (const std::bad_alloc&) {
    RETURN_HR(E_OUTOFMEMORY);
}

HRESULT CreateParentFolders(const std::wstring& path) noexcept try {
    const size_t end = path.find_last_of(L"\\/");
    if (end == std::wstring::npos || end == 0) return S_OK;
    const std::wstring parent = path.substr(0, end);
    const DWORD attributes = ::GetFileAttributesW(parent.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        RETURN_HR_IF(HResultFromWin32(ERROR_DIRECTORY), !(attributes & FILE_ATTRIBUTE_DIRECTORY));
        return S_OK;
    }
    // A drive root ("C:") or a share root always exists or is an error the
    // creation below reports.
    if (parent.size() <= 2 || parent.back() == L':') return S_OK;
    RETURN_IF_FAILED(CreateParentFolders(parent));
    if (!::CreateDirectoryW(parent.c_str(), nullptr)) {
        const DWORD error = ::GetLastError();
        // Another thread or process may have made it meanwhile.
        if (error != ERROR_ALREADY_EXISTS) RETURN_WIN32(error);
    }
    return S_OK;
} catch (const std::bad_alloc&) {
    RETURN_HR(E_OUTOFMEMORY);
}

}  // namespace vantrel::companions
