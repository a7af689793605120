#include "component/ServiceBatch.h"

#include "common/Result.h"

#include <cwchar>
#include <new>
#include <string>

namespace vantrel {

HRESULT ServiceBatch::Add(const wchar_t* computer, const wchar_t* service) {
    if (!computer || !*computer || !service || !*service) RETURN_HR(E_INVALIDARG);

    std::wstring normalised = computer[0] == L'\\' ? std::wstring(computer) : L"\\\\" + std::wstring(computer);
    UniqueBstr serviceCopy(::SysAllocString(service));
    if (!serviceCopy) RETURN_HR(E_OUTOFMEMORY);

    ServiceBatchEntry* entry = nullptr;
    for (auto& candidate : entries_) {
        if (::SysStringLen(candidate.computer.Get()) == normalised.size() &&
            ::_wcsicmp(candidate.computer.Get(), normalised.c_str()) == 0) {
            entry = &candidate;
            break;
        }
    }
    try {
        if (!entry) {
            ServiceBatchEntry added;
            added.computer.Reset(::SysAllocStringLen(normalised.data(), static_cast<UINT>(normalised.size())));
            if (!added.computer) RETURN_HR(E_OUTOFMEMORY);
            entries_.push_back(std::move(added));
            entry = &entries_.back();
        }
        entry->services.push_back(std::move(serviceCopy));
    } catch (const std::bad_alloc&) {
        RETURN_HR(E_OUTOFMEMORY);
    }
    return S_OK;
}

}  // namespace vantrel
