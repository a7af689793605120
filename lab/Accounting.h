#pragma once
// Release accounting: every object the lab hands out that a caller must
// release (handles, buffers, tokens, COM objects) is registered here by kind,
// and every release is checked. Releasing an object that is not live, or with
// the wrong function, is a bad release; the family answers it as Windows does
// (ERROR_INVALID_HANDLE for handles, ...).
//
// Handles are values the lab makes up (never reused, never a system handle);
// memory is registered by address. Each record can carry a payload the family
// needs back when the handle is used again (its key path, its service, ...).
#include "lab/LabControl.h"

#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <deque>
#include <vector>

namespace lab {

const char* KindName(LabKind kind);
// Handles are made up by IssueHandle; the other kinds are addresses.
bool IsHandleKind(LabKind kind);

struct AccountedObject {
    LabKind kind = LAB_KIND_ANY;
    std::wstring computer;      // the computer it belongs to
    const char* function = "";  // the function that handed it out
    std::shared_ptr<void> payload;
};

class Accounting {
public:
    static Accounting& Get();

    // A fresh handle value of `kind`, registered as live.
    void* IssueHandle(LabKind kind, std::wstring_view computer, const char* function,
                      std::shared_ptr<void> payload = {});
    // Registers memory (or an object) handed out at `address`.
    void Register(LabKind kind, const void* address, std::wstring_view computer, const char* function,
                  std::shared_ptr<void> payload = {});
    // Ends the life of a live object of `kind`. Returns false, and counts a
    // bad release, when it is unknown, released already or of another kind.
    bool Release(LabKind kind, const void* object, const char* function);
    // The live object's record (copied into `out` when given).
    bool Find(LabKind kind, const void* object, AccountedObject* out = nullptr) const;
    // Whether the value lies in the range the lab makes handles from, live or
    // not (so plat::CloseHandle knows whether the system should close it).
    static bool IsLabHandle(const void* value);

    size_t Outstanding(LabKind kind) const;  // LAB_KIND_ANY: all kinds
    size_t BadReleases() const;
    std::wstring Report() const;
    // Forgets every record and bad release (the objects themselves stay valid
    // memory; releasing them later is a bad release).
    void Reset();

private:
    Accounting() = default;
    using Map = std::unordered_map<const void*, AccountedObject>;
    Map& MapFor(LabKind kind) { return IsHandleKind(kind) ? handles_ : memory_; }
    const Map& MapFor(LabKind kind) const { return IsHandleKind(kind) ? handles_ : memory_; }
    void NoteBadRelease(std::wstring text);

    mutable std::mutex mutex_;
    uintptr_t nextHandle_ = 0;
    Map handles_;
    Map memory_;
    std::deque<std::pair<const void*, LabKind>> recentlyReleased_;  // to tell "twice" from "unknown"
    size_t badReleases_ = 0;
    std::vector<std::wstring> badReleaseNotes_;
};

}  // namespace lab
