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

struct SidTraits {  // AllocateAndInitializeSid
    using Type = PSID;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type sid) noexcept { ::FreeSid(sid); }
};

struct ModuleTraits {  // LoadLibraryW / LoadLibraryExW
    using Type = HMODULE;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type module) noexcept { ::FreeLibrary(module); }
};

// Keys of this process's own registry (our registration under
// HKEY_CLASSES_ROOT, the console's settings). Keys of a computer's registry
// come from plat:: and are owned by UniqueRegKey (PlatHandles.h).
struct LocalRegKeyTraits {
    using Type = HKEY;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type key) noexcept { ::RegCloseKey(key); }  // seam: local
};

struct MenuTraits {  // CreatePopupMenu / LoadMenuW
    using Type = HMENU;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type menu) noexcept { ::DestroyMenu(menu); }
};

using UniqueHandle = Unique<HandleTraits>;
using UniqueFileHandle = Unique<FileHandleTraits>;
using UniqueLocal = Unique<LocalTraits>;
using UniqueBstr = Unique<BstrTraits>;
using UniqueSecretBstr = Unique<SecretBstrTraits>;
using UniqueCoTaskMem = Unique<CoTaskMemTraits>;
using UniqueGdiObject = Unique<GdiObjectTraits>;
using UniqueSid = Unique<SidTraits>;
using UniqueModule = Unique<ModuleTraits>;
using UniqueLocalRegKey = Unique<LocalRegKeyTraits>;
using UniqueMenu = Unique<MenuTraits>;

// A VARIANT that is cleared on every way out. Move-only; Put() clears the
// held value and exposes the slot for an out-parameter.
class UniqueVariant {
public:
    UniqueVariant() noexcept { ::VariantInit(&value_); }
    UniqueVariant(const UniqueVariant&) = delete;
    UniqueVariant& operator=(const UniqueVariant&) = delete;
    UniqueVariant(UniqueVariant&& other) noexcept : value_(other.value_) { ::VariantInit(&other.value_); }
    UniqueVariant& operator=(UniqueVariant&& other) noexcept {
        if (this != &other) {
            Reset();
            value_ = other.value_;
            ::VariantInit(&other.value_);
        }
        return *this;
    }
    ~UniqueVariant() { Reset(); }

    const VARIANT& Get() const noexcept { return value_; }
    VARIANT* Put() noexcept {
        Reset();
        return &value_;
    }
    void Reset() noexcept {
        ::VariantClear(&value_);
        ::VariantInit(&value_);
    }
    // A deep copy of `source`; on failure the variant holds VT_EMPTY.
    HRESULT CopyFrom(const VARIANT& source) noexcept {
        Reset();
        return ::VariantCopy(&value_, const_cast<VARIANT*>(&source));
    }

private:
    VARIANT value_;
};

// COM on the calling thread for the owner's lifetime: CoUninitialize only
// when this CoInitializeEx succeeded (S_FALSE included, as COM counts it).
class ComApartment {
public:
    explicit ComApartment(DWORD model = COINIT_APARTMENTTHREADED) noexcept
        : hr_(::CoInitializeEx(nullptr, model)) {}
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;
    ~ComApartment() {
        if (SUCCEEDED(hr_)) ::CoUninitialize();
    }

    HRESULT Result() const noexcept { return hr_; }

private:
    HRESULT hr_;
};

}  // namespace vantrel
