#pragma once
// What the lab's SCM and service handles carry, and the common start of
// every call made on a service handle.
#include "lab/Accounting.h"
#include "lab/Clock.h"
#include "lab/Gate.h"
#include "lab/Memory.h"
#include "lab/Protocol.h"
#include "lab/families/ServiceControl.h"

#include <cstring>
#include <memory>
#include <string>

namespace lab::services {

struct ScmPayload {
    DWORD access;  // granted rights
};

struct ServicePayload {
    std::wstring name;
    DWORD access;  // granted rights
};

using lab::HandleOf;

// Opens the gate on a service handle's computer after checking the handle,
// and the right the call needs (0: none), then brings the computer's
// services up to the current time.
class ServiceCall {
public:
    ServiceCall(SC_HANDLE handle, const char* function, DWORD right)
        : handle_(handle, LAB_KIND_SERVICE_HANDLE),
          gate_(handle_ ? handle_.Computer() : L"", Family::ServiceControl, function) {
        if (!handle_) {
            error_ = ERROR_INVALID_HANDLE;
        } else if (gate_.Error()) {
            error_ = gate_.Error();
        } else if (right && (handle_.Payload().access & right) != right) {
            error_ = ERROR_ACCESS_DENIED;
        } else {
            now_ = clock::Now();
            Table().Advance(now_);
            service_ = Table().Find(handle_.Payload().name);
            if (!service_) error_ = ERROR_INVALID_HANDLE;  // the network was replaced since
        }
    }

    DWORD Error() const { return error_; }
    DWORD Access() const { return handle_.Payload().access; }
    LabService& Service() const { return *service_; }
    ServiceTable& Table() const { return gate_.Target().Section<ServiceTable>(); }
    Network& Net() const { return gate_.Net(); }
    lab::Computer& Target() const { return gate_.Target(); }
    ULONGLONG Now() const { return now_; }

private:
    HandleOf<ServicePayload> handle_;
    Gate gate_;
    DWORD error_ = 0;
    ULONGLONG now_ = 0;
    LabService* service_ = nullptr;
};

// Writes strings into a caller's buffer behind its records (the caller has
// checked that everything fits).
class PackedWriter {
public:
    PackedWriter(BYTE* buffer, DWORD size, size_t offset = 0) : at_(buffer + offset), end_(buffer + size) {}
    wchar_t* Put(const std::wstring& s) {
        const size_t bytes = (s.size() + 1) * sizeof(wchar_t);
        if (static_cast<size_t>(end_ - at_) < bytes) return nullptr;
        auto* out = reinterpret_cast<wchar_t*>(at_);
        std::memcpy(out, s.c_str(), bytes);
        at_ += bytes;
        return out;
    }
    // A multi-string: each entry and its terminator, then one more.
    wchar_t* PutMulti(const std::vector<std::wstring>& list) {
        auto* out = reinterpret_cast<wchar_t*>(at_);
        for (const std::wstring& s : list) Put(s);
        Put(L"");
        if (list.empty()) Put(L"");  // an empty list still ends with two terminators
        return out;
    }
    // Aligns to pointer size (records that follow strings).
    BYTE* Align() {
        while (reinterpret_cast<uintptr_t>(at_) % sizeof(void*)) ++at_;
        return at_;
    }

private:
    BYTE* at_;
    BYTE* end_;
};

// Characters of a multi-string in a buffer.
inline size_t MultiChars(const std::vector<std::wstring>& list) {
    size_t n = 1;
    for (const std::wstring& s : list) n += s.size() + 1;
    return list.empty() ? 2 : n;
}

}  // namespace lab::services
