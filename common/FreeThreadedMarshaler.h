#pragma once
// The free-threaded marshaler, aggregated by objects that are safe on any
// thread and hold no apartment-bound pointers, so that every apartment of the
// process gets the object itself rather than a proxy. Create it from
// FinalConstruct with the controlling unknown; answer IMarshal with Find.
#include "common/ComPtr.h"

#include <objbase.h>

namespace vantrel {

class FreeThreadedMarshaler {
public:
    HRESULT Create(IUnknown* controlling) noexcept {
        return ::CoCreateFreeThreadedMarshaler(controlling, marshaler_.Put());
    }

    // The marshaler's IMarshal for a FindInterface, or null.
    void* Find(REFIID iid) noexcept {
        if (!IsEqualIID(iid, IID_IMarshal) || !marshaler_) return nullptr;
        void* marshal = nullptr;
        if (FAILED(marshaler_->QueryInterface(iid, &marshal))) return nullptr;
        // Its reference counts on our controlling unknown; the caller adds
        // its own.
        static_cast<IUnknown*>(marshal)->Release();
        return marshal;
    }

private:
    ComPtr<IUnknown> marshaler_;
};

}  // namespace vantrel
