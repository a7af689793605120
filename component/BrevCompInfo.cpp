#include "component/BrevCompInfo.h"

#include "common/Result.h"

namespace vantrel {

void* BrevCompInfo::FindInterface(REFIID iid) noexcept {
    if (IsEqualIID(iid, IID_IBrevCompInfo)) return static_cast<IBrevCompInfo*>(this);
    return marshaler_.Find(iid);
}

HRESULT BrevCompInfo::FinalConstruct() noexcept {
    return marshaler_.Create(Controlling());
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
