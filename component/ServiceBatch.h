#pragma once
// The services of many computers collected for one control call: entries in
// the order their computers were first added, each with its services in the
// order they were added.
#include "common/Handles.h"

#include <vector>

namespace vantrel {

struct ServiceBatchEntry {
    UniqueBstr computer;  // normalised: always begins with a backslash
    std::vector<UniqueBstr> services;
};

class ServiceBatch {
public:
    // E_INVALIDARG for a null or empty name (nothing changes), E_OUTOFMEMORY
    // when a copy cannot be made.
    HRESULT Add(const wchar_t* computer, const wchar_t* service);
    void Clear() noexcept { entries_.clear(); }
    const std::vector<ServiceBatchEntry>& Entries() const noexcept { return entries_; }

private:
    std::vector<ServiceBatchEntry> entries_;
};

}  // namespace vantrel
