#pragma once
// The status of a lab computer's service as its service control manager
// reports it (an empty record when it cannot be read), for tests that watch
// a service being stopped and started by other means.
#include "common/PlatHandles.h"
#include "platform/ServiceControl.h"

namespace testsupport {

inline SERVICE_STATUS_PROCESS LabServiceStatus(const wchar_t* server, const wchar_t* service) {
    SERVICE_STATUS_PROCESS status{};
    vantrel::UniqueScHandle scm(plat::OpenSCManagerW(server, nullptr, SC_MANAGER_CONNECT));
    vantrel::UniqueScHandle handle(plat::OpenServiceW(scm.Get(), service, SERVICE_QUERY_STATUS));
    DWORD needed = 0;
    if (handle.Get())
        plat::QueryServiceStatusEx(handle.Get(), SC_STATUS_PROCESS_INFO, reinterpret_cast<LPBYTE>(&status),
                                   sizeof status, &needed);
    return status;
}

}  // namespace testsupport
