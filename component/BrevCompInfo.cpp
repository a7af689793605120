#include "component/BrevCompInfo.h"

#include "common/Result.h"

namespace vantrel {

void* BrevCompInfo::FindInterface(REFIID iid) noexcept {
    if (IsEqualIID(iid, IID_IBrevCompInfo)) return static_cast<IBrevCompInfo*>(this);
    if (IsEqualIID(iid, IID_IMarshal) && marshaler_) {
        // The marshaler's interfaces count on our controlling unknown; drop the
        // query's reference, the caller adds its own.
        void* marshal = nullptr;
        if (FAILED(marshaler_->QueryInterface(iid, &marshal))) return nullptr;
        static_cast<IUnknown*>(marshal)->Release();
        return marshal;
    }
    return nullptr;
}

HRESULT BrevCompInfo::FinalConstruct() noexcept {
    return ::CoCreateFreeThreadedMarshaler(Controlling(), marshaler_.Put());
}

STDMETHODIMP BrevCompInfo::get_HierarchicalRecallOptions(long* value) {
    if (!value) RETURN_HR(E_POINTER);
    *value = options_;
    return S_OK;
}

STDMETHODIMP BrevCompInfo::put_HierarchicalRecallOptions(long value) {
    options_ = value;
    return S_OK;
}

}  // namespace vantrel
