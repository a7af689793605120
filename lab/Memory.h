#pragma once
// Memory the lab hands to callers (net buffers, terminal-services memory, DNS
// record lists, LSA memory): allocated here, registered with the accounting
// when handed out, and freed through the family's free function.
#include "lab/Accounting.h"

#include <cstring>
#include <string_view>

namespace lab {

// Zeroed memory, not yet accounted; null when out of memory.
void* AllocateBlock(size_t bytes);
// Frees a block that was never handed out.
void FreeBlock(void* block);
// Hands the block out: from now on the caller must release it.
void TrackBlock(LabKind kind, void* block, std::wstring_view computer, const char* function);
// The caller's release. False (a bad release) when the block is not a live
// block of that kind. Freed blocks are held back a while before their memory
// returns to the heap, so that a second release of the same pointer is seen
// as such and not as the release of a newer block at the same address.
bool ReleaseBlock(LabKind kind, void* block, const char* function);

// Characters a string takes in a buffer, terminator included.
constexpr size_t Chars(std::wstring_view s) { return s.size() + 1; }

// One block holding `count` records of T followed by their strings, the way
// the net and terminal-services functions return them:
//
//   RecordBuffer<SERVER_INFO_101> out(1, Chars(name) + Chars(comment));
//   if (!out) return ERROR_NOT_ENOUGH_MEMORY;
//   out[0].sv101_name = out.Put(name);
//   *bufptr = static_cast<LPBYTE>(out.Hand(LAB_KIND_NET_BUFFER, computer, "NetServerGetInfo"));
template <typename T>
class RecordBuffer {
public:
    RecordBuffer(size_t count, size_t stringChars)
        : count_(count),
          block_(static_cast<unsigned char*>(AllocateBlock(count * sizeof(T) + stringChars * sizeof(wchar_t)))),
          strings_(block_ ? reinterpret_cast<wchar_t*>(block_ + count * sizeof(T)) : nullptr),
          end_(strings_ ? strings_ + stringChars : nullptr) {}
    RecordBuffer(const RecordBuffer&) = delete;
    RecordBuffer& operator=(const RecordBuffer&) = delete;
    ~RecordBuffer() { FreeBlock(block_); }

    explicit operator bool() const { return block_ != nullptr; }
    T* Records() { return reinterpret_cast<T*>(block_); }
    T& operator[](size_t i) { return Records()[i]; }
    size_t Count() const { return count_; }
    size_t Bytes() const { return static_cast<size_t>(reinterpret_cast<unsigned char*>(end_) - block_); }

    // Copies `s` and its terminator into the string area. The area was sized
    // by the caller; running past it is a lab bug, answered with null.
    wchar_t* Put(std::wstring_view s) {
        if (!strings_ || static_cast<size_t>(end_ - strings_) < s.size() + 1) return nullptr;
        wchar_t* at = strings_;
        std::memcpy(at, s.data(), s.size() * sizeof(wchar_t));
        at[s.size()] = L'\0';
        strings_ += s.size() + 1;
        return at;
    }

    // Copies raw bytes (a security identifier) into the string area, taking
    // whole characters. Put identifiers before any string so that they stay
    // aligned as the platform's are.
    void* PutBytes(const void* bytes, size_t count) {
        const size_t chars = (count + sizeof(wchar_t) - 1) / sizeof(wchar_t);
        if (!strings_ || static_cast<size_t>(end_ - strings_) < chars) return nullptr;
        wchar_t* at = strings_;
        std::memcpy(at, bytes, count);
        strings_ += chars;
        return at;
    }

    // Registers the block and gives up ownership.
    void* Hand(LabKind kind, std::wstring_view computer, const char* function) {
        void* block = block_;
        block_ = nullptr;
        TrackBlock(kind, block, computer, function);
        return block;
    }

private:
    size_t count_;
    unsigned char* block_;
    wchar_t* strings_;
    wchar_t* end_;
};

}  // namespace lab
