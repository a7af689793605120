#pragma once
// The protocols every family answers with, in one place, so that they agree:
//
// - Fail(error): a BOOL function's failure (the last error, then FALSE);
// - SizeQuery: the size a buffer needs goes back to the caller, and whether
//   the caller's buffer holds it decides between the answer and 122/234;
// - batches: how many entries of a list one answer carries (FitCount), and
//   the resume handle after it (ResumeAfter): the index of the next entry,
//   0 once the last batch went out; a Net*Enum answer's outputs cleared
//   (StartNetAnswer), its batch from the resume handle on (NetBatchAt) and
//   its end (FinishNetBatch);
// - HandleOf<Payload>: a handle the accounting issued, with its computer and
//   payload, or nothing when the value is not a live handle of that kind.
#include "lab/Accounting.h"

#include <lmcons.h>

#include <limits>
#include <memory>
#include <string>

namespace lab {

inline BOOL Fail(DWORD error) {
    ::SetLastError(error);
    return FALSE;
}

// Reports `needed` through `reported` (when there is one) and tells whether
// `buffer` of `available` units holds it; nothing is written otherwise.
template <typename Count>
bool SizeQuery(const void* buffer, Count available, Count needed, Count* reported) {
    if (reported) *reported = needed;
    return buffer && available >= needed;
}

// The entries [first, first + n) of `total` that fit in `capacity` bytes
// (`sizeOf(i)` each), at most `maxCount` of them; with `atLeastOne` the
// first always goes, as Net*Enum answers do, however small the buffer.
template <typename SizeOf>
size_t FitCount(size_t total, size_t first, unsigned long long capacity, SizeOf sizeOf, bool atLeastOne = false,
                size_t maxCount = std::numeric_limits<size_t>::max()) {
    size_t n = 0;
    unsigned long long bytes = 0;
    while (first + n < total && n < maxCount) {
        const unsigned long long next = sizeOf(first + n);
        if (bytes + next > capacity && !(atLeastOne && n == 0)) break;
        bytes += next;
        ++n;
    }
    return n;
}

// After an answer that carried [first, first + n) of `total`: the resume
// handle for the next call (0 after the last batch); true when more follow.
template <typename Resume>
bool ResumeAfter(size_t first, size_t n, size_t total, Resume* resume) {
    const bool more = first + n < total;
    if (resume) *resume = more ? static_cast<Resume>(first + n) : 0;
    return more;
}

// The capacity a Net*Enum caller's prefmaxlen gives (MAX_PREFERRED_LENGTH:
// no limit).
inline unsigned long long NetCapacity(DWORD prefmaxlen) {
    return prefmaxlen == MAX_PREFERRED_LENGTH ? std::numeric_limits<unsigned long long>::max() : prefmaxlen;
}

// The start of a Net*Enum answer: ERROR_INVALID_PARAMETER without the
// outputs every answer fills, otherwise those cleared and 0.
inline DWORD StartNetAnswer(LPBYTE* bufptr, LPDWORD entriesread, LPDWORD totalentries) {
    if (!bufptr || !entriesread || !totalentries) return ERROR_INVALID_PARAMETER;
    *bufptr = nullptr;
    *entriesread = 0;
    *totalentries = 0;
    return 0;
}

// The entries [first, first + n) of a Net*Enum answer.
struct NetBatch {
    size_t first = 0;
    size_t n = 0;  // 0 only when nothing is left from `first` on
};

// The batch of `total` entries that starts at the resume handle (none: the
// first entry): as many as prefmaxlen bytes hold (`sizeOf(i)` each), at
// least one, at most `maxCount`. A handle at or past the end carries nothing.
template <typename Resume, typename SizeOf>
NetBatch NetBatchAt(size_t total, const Resume* resume, DWORD prefmaxlen, SizeOf sizeOf,
                    size_t maxCount = std::numeric_limits<size_t>::max()) {
    const size_t first = resume ? static_cast<size_t>(*resume) : 0;
    if (first >= total) return NetBatch{total, 0};
    return NetBatch{first, FitCount(total, first, NetCapacity(prefmaxlen), sizeOf, true, maxCount)};
}

// The end of a Net*Enum answer that carried [first, first + n) of `total`:
// entries read, the entries left from `first` on, the resume handle, and
// ERROR_MORE_DATA while more follow.
template <typename Resume>
DWORD FinishNetBatch(size_t first, size_t n, size_t total, LPDWORD entriesread, LPDWORD totalentries,
                     Resume* resume) {
    *entriesread = static_cast<DWORD>(n);
    *totalentries = static_cast<DWORD>(total - first);
    return ResumeAfter(first, n, total, resume) ? ERROR_MORE_DATA : 0;
}

template <typename Resume>
DWORD FinishNetBatch(const NetBatch& batch, size_t total, LPDWORD entriesread, LPDWORD totalentries,
                     Resume* resume) {
    return FinishNetBatch(batch.first, batch.n, total, entriesread, totalentries, resume);
}

// A live handle of `kind` and its payload; false when the value is not one
// (never issued, released already, or of another kind).
template <typename P>
class HandleOf {
public:
    HandleOf(const void* handle, LabKind kind) {
        AccountedObject record;
        if (handle && Accounting::Get().Find(kind, handle, &record)) {
            computer_ = record.computer;
            payload_ = std::static_pointer_cast<P>(record.payload);
        }
    }
    explicit operator bool() const { return payload_ != nullptr; }
    const wchar_t* Computer() const { return computer_.c_str(); }
    const P& Payload() const { return *payload_; }
    const std::shared_ptr<P>& Shared() const { return payload_; }

private:
    std::wstring computer_;
    std::shared_ptr<P> payload_;
};

}  // namespace lab
