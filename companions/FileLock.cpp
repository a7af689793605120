#include "companions/FileLock.h"

#include "common/Result.h"
#include "companions/UserFiles.h"

namespace vantrel::companions {
namespace {

// Threads of this process take this before the byte-range lock: how such
// locks behave between two handles of one process differs among platforms.
SRWLOCK g_processLock = SRWLOCK_INIT;

}  // namespace

FileLock::~FileLock() {
    if (handle_) {
        OVERLAPPED overlapped = {};
        ::UnlockFileEx(handle_.Get(), 0, 1, 0, &overlapped);
        handle_.Reset();
    }
    if (inProcess_) {
        if (mode_ == Mode::Exclusive)
            ::ReleaseSRWLockExclusive(&g_processLock);
        else
            ::ReleaseSRWLockShared(&g_processLock);
    }
}

HRESULT FileLock::Acquire(const std::wstring& filePath, Mode mode, bool createFolder) {
    mode_ = mode;
    if (mode == Mode::Exclusive)
        ::AcquireSRWLockExclusive(&g_processLock);
    else
        ::AcquireSRWLockShared(&g_processLock);
    inProcess_ = true;

    const std::wstring path = filePath + L".lock";
    if (createFolder) RETURN_IF_FAILED(CreateParentFolders(path));
    handle_.Reset(::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE,  // seam: local
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!handle_) {
        const DWORD error = ::GetLastError();
        if (!createFolder && error == ERROR_PATH_NOT_FOUND) return S_FALSE;
        RETURN_WIN32(error);
    }
    OVERLAPPED overlapped = {};
    if (!::LockFileEx(handle_.Get(), mode == Mode::Exclusive ? LOCKFILE_EXCLUSIVE_LOCK : 0, 0, 1, 0, &overlapped)) {
        const HRESULT hr = HResultFromLastError();
        handle_.Reset();
        RETURN_HR_IF(hr, true);
    }
    return S_OK;
}

}  // namespace vantrel::companions
