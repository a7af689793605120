#include "lab/Accounting.h"

#include "lab/Text.h"

#include <algorithm>
#include <cstdio>
#include <map>

namespace lab {

namespace {

// Lab handles are multiples of 4 from here: far above the kernel's handle
// values, and below 2^31 so that code which keeps handles in 32 bits (as
// Windows allows) still works.
constexpr uintptr_t kHandleBase = 0x4C000000;
constexpr uintptr_t kHandleSpan = 0x10000000;
constexpr size_t kRecentReleases = 4096;
constexpr size_t kBadReleaseNotes = 100;

std::wstring Hex(const void* p) {
    wchar_t text[32];
    std::swprintf(text, 32, L"0x%llX", static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(p)));
    return text;
}

}  // namespace

const char* KindName(LabKind kind) {
    switch (kind) {
        case LAB_KIND_ANY: return "object";
        case LAB_KIND_NET_BUFFER: return "net buffer";
        case LAB_KIND_SCM_HANDLE: return "service control manager handle";
        case LAB_KIND_SERVICE_HANDLE: return "service handle";
        case LAB_KIND_REGISTRY_KEY: return "registry key";
        case LAB_KIND_LSA_HANDLE: return "LSA policy handle";
        case LAB_KIND_LSA_MEMORY: return "LSA memory";
        case LAB_KIND_TOKEN: return "token";
        case LAB_KIND_FILE_HANDLE: return "file handle";
        case LAB_KIND_WTS_SERVER: return "terminal server handle";
        case LAB_KIND_WTS_MEMORY: return "terminal services memory";
        case LAB_KIND_DNS_RECORD_LIST: return "DNS record list";
        case LAB_KIND_ICMP_HANDLE: return "ICMP handle";
        case LAB_KIND_MPR_SERVER: return "remote access server handle";
        case LAB_KIND_COM_OBJECT: return "COM object";
        case LAB_KIND_COUNT: break;
    }
    return "?";
}

bool IsHandleKind(LabKind kind) {
    switch (kind) {
        case LAB_KIND_NET_BUFFER:
        case LAB_KIND_LSA_MEMORY:
        case LAB_KIND_WTS_MEMORY:
        case LAB_KIND_DNS_RECORD_LIST:
        case LAB_KIND_COM_OBJECT:
            return false;
        default:
            return true;
    }
}

Accounting& Accounting::Get() {
    static Accounting instance;
    return instance;
}

void* Accounting::IssueHandle(LabKind kind, std::wstring_view computer, const char* function,
                              std::shared_ptr<void> payload) {
    std::lock_guard lock(mutex_);
    nextHandle_ = (nextHandle_ + 4) % kHandleSpan;
    void* handle = reinterpret_cast<void*>(kHandleBase + nextHandle_);
    handles_[handle] = AccountedObject{kind, std::wstring(computer), function, std::move(payload)};
    return handle;
}

void Accounting::Register(LabKind kind, const void* address, std::wstring_view computer, const char* function,
                          std::shared_ptr<void> payload) {
    std::lock_guard lock(mutex_);
    MapFor(kind)[address] = AccountedObject{kind, std::wstring(computer), function, std::move(payload)};
}

bool Accounting::Release(LabKind kind, const void* object, const char* function) {
    std::lock_guard lock(mutex_);
    Map& map = MapFor(kind);
    const auto it = map.find(object);
    if (it != map.end() && it->second.kind == kind) {
        map.erase(it);
        recentlyReleased_.emplace_back(object, kind);
        if (recentlyReleased_.size() > kRecentReleases) recentlyReleased_.pop_front();
        return true;
    }
    std::wstring what;
    if (it != map.end()) {
        what = L"is a " + Widen(KindName(it->second.kind)) + L", not a " + Widen(KindName(kind));
    } else if (std::any_of(recentlyReleased_.begin(), recentlyReleased_.end(),
                           [&](const auto& r) { return r.first == object && r.second == kind; })) {
        what = L"was released already";
    } else {
        what = L"is not a " + Widen(KindName(kind)) + L" the lab handed out";
    }
    NoteBadRelease(Widen(function) + L": " + Hex(object) + L" " + what);
    return false;
}

void Accounting::NoteBadRelease(std::wstring text) {
    ++badReleases_;
    if (badReleaseNotes_.size() < kBadReleaseNotes) badReleaseNotes_.push_back(std::move(text));
}

bool Accounting::Find(LabKind kind, const void* object, AccountedObject* out) const {
    std::lock_guard lock(mutex_);
    const Map& map = MapFor(kind);
    const auto it = map.find(object);
    if (it == map.end() || it->second.kind != kind) return false;
    if (out) *out = it->second;
    return true;
}

bool Accounting::IsLabHandle(const void* value) {
    const uintptr_t v = reinterpret_cast<uintptr_t>(value);
    return v >= kHandleBase && v < kHandleBase + kHandleSpan;
}

size_t Accounting::Outstanding(LabKind kind) const {
    std::lock_guard lock(mutex_);
    if (kind == LAB_KIND_ANY) return handles_.size() + memory_.size();
    return static_cast<size_t>(std::count_if(MapFor(kind).begin(), MapFor(kind).end(),
                                             [kind](const auto& e) { return e.second.kind == kind; }));
}

size_t Accounting::BadReleases() const {
    std::lock_guard lock(mutex_);
    return badReleases_;
}

std::wstring Accounting::Report() const {
    std::lock_guard lock(mutex_);
    if (handles_.empty() && memory_.empty() && badReleases_ == 0) return L"clean";
    // Sorted, so that two reports of the same state read the same.
    std::map<std::pair<int, uintptr_t>, const AccountedObject*> live;
    for (const Map* map : {&handles_, &memory_}) {
        for (const auto& [object, record] : *map)
            live.emplace(std::make_pair(static_cast<int>(record.kind), reinterpret_cast<uintptr_t>(object)),
                         &record);
    }
    std::wstring text = L"outstanding: " + std::to_wstring(live.size()) + L"\n";
    for (const auto& [key, record] : live) {
        text += L"  " + Widen(KindName(record->kind)) + L" " + Hex(reinterpret_cast<const void*>(key.second)) +
                L" from " + Widen(record->function) + (record->computer.empty() ? L"" : L" on " + record->computer) +
                L"\n";
    }
    text += L"bad releases: " + std::to_wstring(badReleases_) + L"\n";
    for (const std::wstring& note : badReleaseNotes_) text += L"  " + note + L"\n";
    return text;
}

void Accounting::Reset() {
    std::lock_guard lock(mutex_);
    handles_.clear();
    memory_.clear();
    recentlyReleased_.clear();
    badReleases_ = 0;
    badReleaseNotes_.clear();
}

}  // namespace lab
