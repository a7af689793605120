#pragma once
// A critical section owned for its object's life, and a scoped entry.
#include <windows.h>

namespace vantrel {

class CriticalSection {
public:
    CriticalSection() noexcept { ::InitializeCriticalSection(&section_); }
    CriticalSection(const CriticalSection&) = delete;
    CriticalSection& operator=(const CriticalSection&) = delete;
    ~CriticalSection() { ::DeleteCriticalSection(&section_); }

    void Enter() noexcept { ::EnterCriticalSection(&section_); }
    bool TryEnter() noexcept { return ::TryEnterCriticalSection(&section_) != FALSE; }
    void Leave() noexcept { ::LeaveCriticalSection(&section_); }

private:
    CRITICAL_SECTION section_{};
};

class CriticalSectionEntry {
public:
    explicit CriticalSectionEntry(CriticalSection& section) noexcept : section_(section) { section_.Enter(); }
    CriticalSectionEntry(const CriticalSectionEntry&) = delete;
    CriticalSectionEntry& operator=(const CriticalSectionEntry&) = delete;
    ~CriticalSectionEntry() { section_.Leave(); }

private:
    CriticalSection& section_;
};

}  // namespace vantrel
