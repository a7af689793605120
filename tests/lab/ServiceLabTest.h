#pragma once
// What the service control manager tests share: an owner for SCM and service
// handles, and short forms of the calls.
#include "LabTest.h"
#include "common/PlatHandles.h"
#include "platform/ServiceControl.h"

#include <string>
#include <vector>

namespace labtest {

using ScHandle = vantrel::UniqueScHandle;

inline ScHandle Scm(const wchar_t* computer, DWORD access = SC_MANAGER_ALL_ACCESS) {
    return ScHandle(plat::OpenSCManagerW(computer, SERVICES_ACTIVE_DATABASEW, access));
}

inline ScHandle ServiceOf(const ScHandle& scm, const wchar_t* name, DWORD access = SERVICE_ALL_ACCESS) {
    return ScHandle(plat::OpenServiceW(scm.Get(), name, access));
}

inline SERVICE_STATUS_PROCESS Status(const ScHandle& service) {
    SERVICE_STATUS_PROCESS st{};
    DWORD needed = 0;
    plat::QueryServiceStatusEx(service.Get(), SC_STATUS_PROCESS_INFO, reinterpret_cast<LPBYTE>(&st), sizeof st,
                               &needed);
    return st;
}

// Result of a BOOL call: 0 or the last error.
template <typename Call>
DWORD Err(Call call) {
    ::SetLastError(0xDEADBEEF);
    return call() ? 0 : ::GetLastError();
}

inline DWORD Control(const ScHandle& service, DWORD code) {
    SERVICE_STATUS st{};
    return Err([&] { return plat::ControlService(service.Get(), code, &st); });
}

inline DWORD Start(const ScHandle& service) {
    return Err([&] { return plat::StartServiceW(service.Get(), 0, nullptr); });
}

// Names from EnumDependentServicesW, in the order returned.
inline std::vector<std::wstring> Dependents(const ScHandle& service, DWORD state) {
    DWORD needed = 0, returned = 0;
    plat::EnumDependentServicesW(service.Get(), state, nullptr, 0, &needed, &returned);
    std::vector<BYTE> buffer(needed + sizeof(ENUM_SERVICE_STATUSW));
    std::vector<std::wstring> names;
    auto* entries = reinterpret_cast<LPENUM_SERVICE_STATUSW>(buffer.data());
    if (!plat::EnumDependentServicesW(service.Get(), state, entries, needed, &needed, &returned)) return names;
    for (DWORD i = 0; i < returned; ++i) names.emplace_back(entries[i].lpServiceName);
    return names;
}

}  // namespace labtest
