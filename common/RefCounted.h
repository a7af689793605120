#pragma once
// The reference count of internal (non-COM) objects shared between owners:
// connections, collections, jobs. Hold them in ComPtr<T>; the object is
// deleted by the Release that takes the count to zero.
#include <windows.h>

namespace vantrel {

class RefCounted {
public:
    RefCounted(const RefCounted&) = delete;
    RefCounted& operator=(const RefCounted&) = delete;

    ULONG AddRef() noexcept { return static_cast<ULONG>(::InterlockedIncrement(&refs_)); }
    ULONG Release() noexcept {
        const LONG refs = ::InterlockedDecrement(&refs_);
        if (refs == 0) delete this;
        return static_cast<ULONG>(refs);
    }

protected:
    RefCounted() noexcept = default;
    virtual ~RefCounted() = default;

private:
    volatile LONG refs_ = 0;
};

}  // namespace vantrel
