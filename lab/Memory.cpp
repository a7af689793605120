#include "lab/Memory.h"

#include <deque>
#include <mutex>

namespace lab {

namespace {

constexpr size_t kQuarantine = 256;

struct Quarantine {
    std::mutex mutex;
    std::deque<void*> blocks;
};

Quarantine& Held() {
    static Quarantine q;
    return q;
}

}  // namespace

void* AllocateBlock(size_t bytes) {
    return ::HeapAlloc(::GetProcessHeap(), HEAP_ZERO_MEMORY, bytes ? bytes : 1);
}

void FreeBlock(void* block) {
    if (block) ::HeapFree(::GetProcessHeap(), 0, block);
}

void TrackBlock(LabKind kind, void* block, std::wstring_view computer, const char* function) {
    Accounting::Get().Register(kind, block, computer, function);
}

bool ReleaseBlock(LabKind kind, void* block, const char* function) {
    if (!Accounting::Get().Release(kind, block, function)) return false;
    void* oldest = nullptr;
    {
        Quarantine& q = Held();
        std::lock_guard lock(q.mutex);
        q.blocks.push_back(block);
        if (q.blocks.size() > kQuarantine) {
            oldest = q.blocks.front();
            q.blocks.pop_front();
        }
    }
    FreeBlock(oldest);
    return true;
}

}  // namespace lab
