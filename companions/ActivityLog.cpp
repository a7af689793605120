#include "companions/ActivityLog.h"

#include "common/Handles.h"
#include "common/Result.h"
#include "companions/FileLock.h"
#include "companions/LogLine.h"
#include "companions/UserFiles.h"

#include <shlobj.h>

#include <new>

namespace vantrel::companions {

HRESULT ActivityLog::FinalConstruct() noexcept {
    RETURN_IF_FAILED(marshaler_.Create(Controlling()));
    return ResolveUserFile(kActivityLogVariable, CSIDL_LOCAL_APPDATA, L"activity.log", &path_);
}

void* ActivityLog::FindInterface(REFIID iid) noexcept {
    if (IsEqualIID(iid, IID_IActivityLog)) return static_cast<IActivityLog*>(this);
    return marshaler_.Find(iid);
}

STDMETHODIMP ActivityLog::LogMessage(long kind, BSTR text) try {
    SYSTEMTIME now;
    ::GetLocalTime(&now);
    const std::string line = FormatLogLine(now, kind, text, ::SysStringLen(text));
    RETURN_HR_IF(HResultFromWin32(ERROR_ARITHMETIC_OVERFLOW), line.size() > MAXDWORD);

    // Append access alone (no FILE_WRITE_DATA) makes every write land at the
    // end of the file on Windows. Wine finds the end and writes in two steps,
    // so concurrent writers could overwrite each other there: the lock makes
    // the two steps one. Opened per message: the log may be moved away or
    // deleted between messages.
    FileLock lock;
    RETURN_IF_FAILED(lock.Acquire(path_, FileLock::Mode::Exclusive, true));
    UniqueFileHandle file(::CreateFileW(path_.c_str(), FILE_APPEND_DATA,  // seam: local
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    RETURN_LAST_ERROR_IF(!file);
    DWORD written = 0;
    RETURN_LAST_ERROR_IF(!::WriteFile(file.Get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr));
    RETURN_HR_IF(HResultFromWin32(ERROR_WRITE_FAULT), written != line.size());
    return S_OK;
} catch (const std::bad_alloc&) {
    RETURN_HR(E_OUTOFMEMORY);
}

}  // namespace vantrel::companions
