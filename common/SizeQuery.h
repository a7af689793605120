#pragma once
// The platform's two-call size protocol. A first call without a buffer
// answers FALSE with 122 (ERROR_INSUFFICIENT_BUFFER) or, for enumerations,
// 234 (ERROR_MORE_DATA), and stores the size it needs; a second call with a
// buffer of that size fills it. `call(BYTE* buffer, DWORD size, DWORD*
// needed)` makes one call and returns its BOOL, leaving the error in
// GetLastError.
//
// S_OK: `block` holds what the second call wrote. S_FALSE: nothing to read
// (the first call succeeded, or needed 0 bytes and `minimum` is 0); `block`
// is empty. Otherwise the failure of either call (a first call that fails
// with any other error stops there).
#include "common/Handles.h"
#include "common/Result.h"

#include <windows.h>

#include <algorithm>

namespace vantrel {

template <typename Call>
HRESULT QueryWithSize(Call&& call, UniqueCoTaskMem& block, DWORD minimum = 0) {
    block.Reset();
    DWORD needed = 0;
    if (call(nullptr, 0, &needed)) return S_FALSE;
    const DWORD error = ::GetLastError();
    if (error != ERROR_INSUFFICIENT_BUFFER && error != ERROR_MORE_DATA) RETURN_WIN32(error);
    const DWORD size = std::max(needed, minimum);
    if (size == 0) return S_FALSE;
    UniqueCoTaskMem buffer(::CoTaskMemAlloc(size));
    RETURN_HR_IF(E_OUTOFMEMORY, !buffer);
    RETURN_LAST_ERROR_IF(!call(static_cast<BYTE*>(buffer.Get()), size, &needed));
    block = std::move(buffer);
    return S_OK;
}

}  // namespace vantrel
