#include "services/TvServiceEnum.h"

#include "common/Result.h"

#include <new>
#include <stdexcept>

namespace vantrel {

HRESULT TvServiceEnum::Create(ComPtr<TvServiceEnum>& out) noexcept {
    out.Reset();
    try {
        out = ComPtr<TvServiceEnum>(new TvServiceEnum());
    } catch (const std::bad_alloc&) {
        RETURN_HR(E_OUTOFMEMORY);
    }
    return S_OK;
}

ServiceRef& TvServiceEnum::operator[](size_t index) {
    if (index >= services_.size()) throw std::out_of_range("TvServiceEnum service index out of range");
    return services_[index];
}

void TvServiceEnum::Append(ServiceRef service) noexcept {
    try {
        // Capacity doubles from 1, as the collection has always grown.
        if (services_.size() == services_.capacity()) services_.reserve(services_.empty() ? 1 : services_.size() * 2);
        services_.push_back(std::move(service));
    } catch (const std::bad_alloc&) {
    }
}

}  // namespace vantrel
