#pragma once
// The services of one computer, as EnumServices lists them.
#include "common/ComPtr.h"
#include "common/RefCounted.h"
#include "services/ServiceRef.h"

#include <vector>

namespace vantrel {

class TvServiceEnum final : public RefCounted {
public:
    static HRESULT Create(ComPtr<TvServiceEnum>& out) noexcept;

    size_t Count() const noexcept { return services_.size(); }
    // Throws std::out_of_range for an index not below Count().
    ServiceRef& operator[](size_t index);
    // Appends, or silently does not when the array cannot grow.
    void Append(ServiceRef service) noexcept;

private:
    TvServiceEnum() = default;
    std::vector<ServiceRef> services_;
};

}  // namespace vantrel
