#pragma once
// One move-only owner for every kind of handle: Unique<Traits> closes its
// value with Traits::Close unless it holds Traits::Invalid(). Add a traits
// struct for each new kind rather than writing another wrapper.
#include <windows.h>
#include <objbase.h>
#include <oleauto.h>

#include <utility>

namespace vantrel {

template <typename Traits>
class Unique {
public:
    using Type = typename Traits::Type;

    Unique() noexcept = default;
    explicit Unique(Type value) noexcept : value_(value) {}
    Unique(const Unique&) = delete;
    Unique& operator=(const Unique&) = delete;
    Unique(Unique&& other) noexcept : value_(other.Release()) {}
    Unique& operator=(Unique&& other) noexcept {
        if (this != &other) Reset(other.Release());
        return *this;
    }
    ~Unique() { Reset(); }

    Type Get() const noexcept { return value_; }
    explicit operator bool() const noexcept { return value_ != Traits::Invalid(); }

    // Closes the held value (if any) and takes `value`.
    void Reset(Type value = Traits::Invalid()) noexcept {
        const Type old = std::exchange(value_, value);
        if (old != Traits::Invalid()) Traits::Close(old);
    }
    [[nodiscard]] Type Release() noexcept { return std::exchange(value_, Traits::Invalid()); }

    // For out-parameters: closes the held value and exposes the slot.
    Type* Put() noexcept {
        Reset();
        return &value_;
    }

private:
    Type value_ = Traits::Invalid();
};

// Handles of this process's own objects (events, threads, semaphores, local
// files). Handles that a plat:: function handed out (logon tokens, files on a
// computer's share) are closed through plat::CloseHandle instead, so that
// the lab sees them released.
struct HandleTraits {  // null when empty
    using Type = HANDLE;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type h) noexcept { ::CloseHandle(h); }  // seam: local
};

struct FileHandleTraits {  // CreateFileW: INVALID_HANDLE_VALUE when empty
    using Type = HANDLE;
    static Type Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void Close(Type h) noexcept { ::CloseHandle(h); }  // seam: local
};

struct LocalTraits {  // buffers FormatMessageW allocated
    using Type = HLOCAL;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type h) noexcept { ::LocalFree(h); }
};

struct BstrTraits {
    using Type = BSTR;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type s) noexcept { ::SysFreeString(s); }
};

struct SecretBstrTraits {  // passwords: wiped before the allocator may reuse the memory
    using Type = BSTR;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type s) noexcept {
        ::SecureZeroMemory(s, ::SysStringByteLen(s));
        ::SysFreeString(s);
    }
};

struct CoTaskMemTraits {
    using Type = void*;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type p) noexcept { ::CoTaskMemFree(p); }
};

struct GdiObjectTraits {  // fonts, brushes, bitmaps a window created for itself
    using Type = HGDIOBJ;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type h) noexcept { ::DeleteObject(h); }
};

using UniqueHandle = Unique<HandleTraits>;
using UniqueFileHandle = Unique<FileHandleTraits>;
using UniqueLocal = Unique<LocalTraits>;
using UniqueBstr = Unique<BstrTraits>;
using UniqueSecretBstr = Unique<SecretBstrTraits>;
using UniqueCoTaskMem = Unique<CoTaskMemTraits>;
using UniqueGdiObject = Unique<GdiObjectTraits>;

}  // namespace vantrel
