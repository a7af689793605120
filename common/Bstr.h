#pragma once
// Copying BSTR properties in and out, and reading them as std::wstring.
#include "common/Handles.h"
#include "common/Result.h"

#include <string>

namespace vantrel {

// How a property that was never set reads.
enum class UnsetReads { Null, Empty };

// A property get: a fresh copy the caller frees.
inline HRESULT CopyBstrOut(const UniqueBstr& field, BSTR* value, UnsetReads unset) noexcept {
    if (!value) RETURN_HR(E_POINTER);
    if (field) *value = ::SysAllocStringLen(field.Get(), ::SysStringLen(field.Get()));
    else *value = unset == UnsetReads::Empty ? ::SysAllocString(L"") : nullptr;
    RETURN_HR_IF(E_OUTOFMEMORY, !*value && (field || unset == UnsetReads::Empty));
    return S_OK;
}

// A property put: the old value is freed, a copy of the new one kept.
inline HRESULT CopyBstrIn(BSTR value, UniqueBstr& field) noexcept {
    field.Reset();
    if (!value) return S_OK;
    field.Reset(::SysAllocStringLen(value, ::SysStringLen(value)));
    RETURN_HR_IF(E_OUTOFMEMORY, !field);
    return S_OK;
}

// The text of a BSTR (null reads as empty), embedded nulls included.
inline std::wstring BstrText(BSTR value) { return value ? std::wstring(value, ::SysStringLen(value)) : std::wstring(); }

}  // namespace vantrel
