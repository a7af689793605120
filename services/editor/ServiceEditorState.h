#pragma once
// What the pages of one service's property sheet share: the connection to the
// service's computer and the service itself, opened with full access.
#include "common/ComPtr.h"
#include "services/ServiceControlManager.h"
#include "services/ServiceRef.h"

#include <string>

namespace vantrel {

struct ServiceEditorState {
    ComPtr<ServiceControlManager> manager;  // access 0xF003F, "ServicesActive"
    ServiceRef service{L""};                // opened with SERVICE_ALL_ACCESS
    std::wstring computer;                  // as the caller gave it; empty: this computer
    std::wstring serviceName;
};

}  // namespace vantrel
