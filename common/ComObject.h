#pragma once
// Base of the module's COM objects: an interlocked reference count, one
// module lock per live object, and aggregation. A class derives from
// ComObject and from its interfaces, lists its interfaces in FindInterface,
// and routes the interfaces' IUnknown methods to the controlling unknown with
// VANTREL_IUNKNOWN.
#include "common/ModuleState.h"

#include <objbase.h>

#include <new>
#include <type_traits>

namespace vantrel {

class ComObject {
public:
    ComObject(const ComObject&) = delete;
    ComObject& operator=(const ComObject&) = delete;

    // The non-delegating unknown (what an aggregating outer object holds).
    IUnknown* Inner() noexcept { return &inner_; }
    // The controlling unknown: the outer object's when aggregated.
    IUnknown* Controlling() noexcept { return outer_; }

    HRESULT OuterQueryInterface(REFIID iid, void** out) noexcept { return outer_->QueryInterface(iid, out); }
    ULONG OuterAddRef() noexcept { return outer_->AddRef(); }
    ULONG OuterRelease() noexcept { return outer_->Release(); }

protected:
    explicit ComObject(IUnknown* outer) noexcept : outer_(outer ? outer : &inner_) {
        inner_.self = this;
        module::Lock();
    }
    virtual ~ComObject() { module::Unlock(); }

    // The interface pointer for `iid` (not yet AddRef'd), or null. IUnknown is
    // answered by the base.
    virtual void* FindInterface(REFIID iid) noexcept = 0;

    // Called once after construction, before the first interface is handed
    // out; a failure destroys the object.
    virtual HRESULT FinalConstruct() noexcept { return S_OK; }

    template <typename T>
    friend HRESULT CreateComObject(IUnknown* outer, REFIID iid, void** out) noexcept;

private:
    struct InnerUnknown final : IUnknown {
        ComObject* self = nullptr;
        STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
        STDMETHODIMP_(ULONG) AddRef() override;
        STDMETHODIMP_(ULONG) Release() override;
    };

    InnerUnknown inner_;
    IUnknown* outer_;
    volatile LONG refs_ = 0;
};

// Creates a T (constructed from `outer`). Aggregation hands out only the
// inner IUnknown, as COM requires.
template <typename T>
HRESULT CreateComObject(IUnknown* outer, REFIID iid, void** out) noexcept {
    static_assert(std::is_base_of_v<ComObject, T>);
    if (!out) return E_POINTER;
    *out = nullptr;
    if (outer && !IsEqualIID(iid, IID_IUnknown)) return CLASS_E_NOAGGREGATION;
    T* object = new (std::nothrow) T(outer);
    if (!object) return E_OUTOFMEMORY;
    IUnknown* inner = object->Inner();
    inner->AddRef();
    HRESULT hr = static_cast<ComObject*>(object)->FinalConstruct();
    if (SUCCEEDED(hr)) hr = inner->QueryInterface(iid, out);
    inner->Release();  // destroys the object when construction or the query failed
    return hr;
}

}  // namespace vantrel

#define VANTREL_IUNKNOWN                                                                                      \
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override { return OuterQueryInterface(iid, out); }   \
    STDMETHODIMP_(ULONG) AddRef() override { return OuterAddRef(); }                                          \
    STDMETHODIMP_(ULONG) Release() override { return OuterRelease(); }
