// The configuration operations of a service reference: open with full access,
// then change through the handle.
#include "common/Result.h"
#include "services/ServiceConfig.h"
#include "services/ServiceRef.h"

namespace vantrel {

HRESULT ServiceRef::CurrentType(DWORD& type) {
    UniqueCoTaskMem config;
    RETURN_IF_FAILED(ReadConfig(config));
    type = static_cast<const QUERY_SERVICE_CONFIGW*>(config.Get())->dwServiceType;
    return S_OK;
}

HRESULT ServiceRef::SetStartType(DWORD startType) {
    RETURN_IF_FAILED(EnsureOpen(ServiceOpenMode::Full));
    return ChangeStartType(handle_.Get(), startType);
}

HRESULT ServiceRef::SetDisplayName(const wchar_t* displayName) {
    RETURN_IF_FAILED(EnsureOpen(ServiceOpenMode::Full));
    return ChangeDisplayName(handle_.Get(), displayName);
}

HRESULT ServiceRef::SetDescription(const wchar_t* description) {
    RETURN_IF_FAILED(EnsureOpen(ServiceOpenMode::Full));
    return ChangeDescription(handle_.Get(), description);
}

HRESULT ServiceRef::SetLocalSystem(bool interact) {
    RETURN_IF_FAILED(EnsureOpen(ServiceOpenMode::Full));
    DWORD type = 0;
    RETURN_IF_FAILED(CurrentType(type));
    return ChangeToLocalSystem(handle_.Get(), type, interact);
}

HRESULT ServiceRef::SetAccount(const wchar_t* account, const wchar_t* password) {
    RETURN_IF_FAILED(EnsureOpen(ServiceOpenMode::Full));
    DWORD type = 0;
    RETURN_IF_FAILED(CurrentType(type));
    return ChangeAccount(handle_.Get(), type, account, password);
}

HRESULT ServiceRef::QueryFailureActions(UniqueCoTaskMem& actions) {
    RETURN_IF_FAILED(EnsureOpen(ServiceOpenMode::Full));
    return vantrel::QueryFailureActions(handle_.Get(), actions);
}

HRESULT ServiceRef::SetFailureActions(SERVICE_FAILURE_ACTIONSW* actions) {
    RETURN_IF_FAILED(EnsureOpen(ServiceOpenMode::Full));
    return ChangeFailureActions(handle_.Get(), actions);
}

HRESULT ServiceRef::EnumHardwareProfiles(std::vector<HardwareProfile>& profiles) {
    RETURN_HR_IF(E_POINTER, !Manager());
    RETURN_IF_FAILED(EnsureOpen(ServiceOpenMode::Full));
    return vantrel::EnumHardwareProfiles(Manager()->ComputerName().c_str(), name_.c_str(), profiles);
}

HRESULT ServiceRef::SetHardwareProfiles(const std::vector<HardwareProfile>& profiles) {
    RETURN_HR_IF(E_POINTER, !Manager());
    RETURN_IF_FAILED(EnsureOpen(ServiceOpenMode::Full));
    return vantrel::SetHardwareProfiles(Manager()->ComputerName().c_str(), name_.c_str(), profiles);
}

}  // namespace vantrel
