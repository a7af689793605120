#include "services/ServiceRef.h"

#include "common/Result.h"
#include "common/SizeQuery.h"
#include "services/TvServiceEnum.h"

#include <cwchar>
#include <new>

namespace vantrel {

DWORD AccessFor(ServiceOpenMode mode) noexcept {
    switch (mode) {
        case ServiceOpenMode::Query: return 0x2018D;
        case ServiceOpenMode::Control: return 0x201FD;
        case ServiceOpenMode::Full: return SERVICE_ALL_ACCESS;  // 0xF01FF
    }
    return 0x2018D;
}

void AppendService(ServiceRefList* list, const ServiceRef& service) noexcept {
    if (!list) return;
    try {
        if (list->size() == list->capacity()) list->reserve(list->empty() ? 1 : list->size() * 2);
        list->push_back(service);
    } catch (const std::bad_alloc&) {
    }
}

void AppendFailure(ServiceFailureList* list, const ServiceRef& service, HRESULT result) noexcept {
    if (!list) return;
    try {
        if (list->size() == list->capacity()) list->reserve(list->empty() ? 1 : list->size() * 2);
        list->push_back(ServiceFailure{service, result});
    } catch (const std::bad_alloc&) {
    }
}

ServiceRef::ServiceRef(std::wstring name) : name_(std::move(name)) {}

ServiceRef::ServiceRef(std::wstring name, ServiceControlManager* manager)
    : name_(std::move(name)), manager_(manager) {}

ServiceRef::ServiceRef(const ServiceRef& other)
    : name_(other.name_),
      sink_(other.sink_),
      flags_(other.flags_),
      mode_(other.mode_),
      lastOpen_(other.lastOpen_),
      manager_(other.manager_) {}

ServiceRef& ServiceRef::operator=(const ServiceRef& other) {
    if (this != &other) {
        handle_.Reset();
        name_ = other.name_;
        sink_ = other.sink_;
        flags_ = other.flags_;
        mode_ = other.mode_;
        lastOpen_ = other.lastOpen_;
        manager_ = other.manager_;
    }
    return *this;
}

void ServiceRef::Attach(ServiceControlManager* manager) {
    handle_.Reset();
    manager_ = ComPtr<ServiceControlManager>(manager);
}

void ServiceRef::SetFlags(DWORD mask, bool set) noexcept {
    if (mask == 0) flags_ = 0;
    else if (set) flags_ |= mask;
    else flags_ &= ~mask;
}

HRESULT ServiceRef::EnsureOpen(ServiceOpenMode mode) {
    if (mode == mode_) {
        if (FAILED(lastOpen_)) return lastOpen_;
        if (handle_) return lastOpen_;
    } else {
        mode_ = mode;
        lastOpen_ = S_OK;
    }
    handle_.Reset();
    if (!manager_) return lastOpen_ = E_UNEXPECTED;
    handle_.Reset(plat::OpenServiceW(manager_->Handle(), name_.c_str(), AccessFor(mode)));
    lastOpen_ = handle_ ? S_OK : HResultFromLastError();
    return lastOpen_;
}

HRESULT ServiceRef::QueryStatus(SERVICE_STATUS_PROCESS& status) {
    RETURN_IF_FAILED(EnsureOpen(ServiceOpenMode::Query));
    DWORD needed = 0;
    RETURN_LAST_ERROR_IF(!plat::QueryServiceStatusEx(handle_.Get(), SC_STATUS_PROCESS_INFO,
                                                     reinterpret_cast<LPBYTE>(&status), sizeof status, &needed));
    return S_OK;
}

HRESULT ServiceRef::QueryConfig(UniqueCoTaskMem& config) {
    config.Reset();
    RETURN_IF_FAILED(EnsureOpen(ServiceOpenMode::Query));
    return ReadConfig(config);
}

HRESULT ServiceRef::ReadConfig(UniqueCoTaskMem& config) {
    auto query = [this](BYTE* buffer, DWORD size, DWORD* needed) {
        return plat::QueryServiceConfigW(handle_.Get(), reinterpret_cast<LPQUERY_SERVICE_CONFIGW>(buffer), size, needed);
    };
    const HRESULT hr = QueryWithSize(query, config);
    // The configuration never fits into no buffer: a first call that
    // succeeded answered nothing to read.
    if (hr == S_FALSE) RETURN_HR(E_FAIL);
    return hr;
}

HRESULT ServiceRef::GetDisplayName(std::wstring& name) {
    UniqueCoTaskMem config;
    RETURN_IF_FAILED(QueryConfig(config));
    const auto* c = static_cast<const QUERY_SERVICE_CONFIGW*>(config.Get());
    if (!c->lpDisplayName) RETURN_HR(E_OUTOFMEMORY);
    try {
        name = c->lpDisplayName;
    } catch (const std::bad_alloc&) {
        RETURN_HR(E_OUTOFMEMORY);
    }
    return S_OK;
}

HRESULT ServiceRef::GetDescription(std::wstring& description) {
    description.clear();
    RETURN_IF_FAILED(EnsureOpen(ServiceOpenMode::Query));
    auto query = [this](BYTE* buffer, DWORD size, DWORD* needed) {
        return plat::QueryServiceConfig2W(handle_.Get(), SERVICE_CONFIG_DESCRIPTION, buffer, size, needed);
    };
    UniqueCoTaskMem block;
    const HRESULT hr = QueryWithSize(query, block);
    if (hr != S_OK) return hr == S_FALSE ? S_OK : hr;  // no description
    const auto* d = static_cast<const SERVICE_DESCRIPTIONW*>(block.Get());
    if (d->lpDescription) description = d->lpDescription;
    return S_OK;
}

HRESULT ServiceRef::GetComputerName(std::wstring& computer) const {
    if (!manager_) RETURN_HR(E_FAIL);
    computer = manager_->ComputerName();
    return S_OK;
}

HRESULT ServiceRef::GetDependencies(ServiceRefList& out, bool recursive) {
    UniqueCoTaskMem config;
    RETURN_IF_FAILED(QueryConfig(config));
    const wchar_t* entry = static_cast<const QUERY_SERVICE_CONFIGW*>(config.Get())->lpDependencies;
    HRESULT result = S_OK;
    // Group entries ("+group") and everything after them are not followed.
    for (; entry && *entry && *entry != SC_GROUP_IDENTIFIERW; entry += std::wcslen(entry) + 1) {
        ServiceRef dependency(entry, manager_.Get());
        AppendService(&out, dependency);
        if (recursive) {
            const HRESULT hr = dependency.GetDependencies(out, true);
            if (FAILED(hr)) result = hr;
        }
    }
    return result;
}

HRESULT ServiceRef::GetDependents(DWORD stateFilter, ServiceRefList& out, bool useDependentsEnumeration) {
    RETURN_IF_FAILED(EnsureOpen(ServiceOpenMode::Full));
    if (!useDependentsEnumeration) {
        ComPtr<TvServiceEnum> all;
        RETURN_IF_FAILED(manager_->EnumServices(all));
        for (size_t i = 0; i < all->Count(); ++i) {
            ServiceRef& candidate = (*all.Get())[i];
            ServiceRefList direct;
            if (FAILED(candidate.GetDependencies(direct, false))) continue;
            for (const ServiceRef& d : direct) {
                if (::_wcsicmp(d.Name().c_str(), name_.c_str()) == 0) {
                    AppendService(&out, candidate);
                    break;
                }
            }
        }
        return S_OK;
    }
    DWORD returned = 0;
    auto query = [&](BYTE* buffer, DWORD size, DWORD* needed) {
        return plat::EnumDependentServicesW(handle_.Get(), stateFilter, reinterpret_cast<LPENUM_SERVICE_STATUSW>(buffer),
                                            size, needed, &returned);
    };
    UniqueCoTaskMem block;
    const HRESULT hr = QueryWithSize(query, block);
    if (hr != S_OK) return hr == S_FALSE ? S_OK : hr;  // no dependents
    const auto* entries = static_cast<const ENUM_SERVICE_STATUSW*>(block.Get());
    for (DWORD i = 0; i < returned; ++i) AppendService(&out, ServiceRef(entries[i].lpServiceName, manager_.Get()));
    return S_OK;
}

}  // namespace vantrel
