#include "common/ComObject.h"

namespace vantrel {

STDMETHODIMP ComObject::InnerUnknown::QueryInterface(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = IsEqualIID(iid, IID_IUnknown) ? static_cast<IUnknown*>(this) : self->FindInterface(iid);
    if (!*out) return E_NOINTERFACE;
    static_cast<IUnknown*>(*out)->AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) ComObject::InnerUnknown::AddRef() {
    return static_cast<ULONG>(::InterlockedIncrement(&self->refs_));
}

STDMETHODIMP_(ULONG) ComObject::InnerUnknown::Release() {
    const LONG refs = ::InterlockedDecrement(&self->refs_);
    if (refs == 0) delete self;
    return static_cast<ULONG>(refs);
}

}  // namespace vantrel
