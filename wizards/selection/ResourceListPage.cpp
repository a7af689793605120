#include "wizards/selection/ResourceListPage.h"

#include "common/Bstr.h"
#include "common/ErrorText.h"
#include "common/ResourceText.h"
#include "resources/EditorIds.h"
#include "resources/SelectionIds.h"
#include "resources/ServicesIds.h"
#include "services/ServiceControlManager.h"
#include "services/ServiceRef.h"
#include "services/TvServiceEnum.h"

#include <new>

namespace vantrel {

ResourceListPage::ResourceListPage()
    : SelectionListPage(IDD_RESOURCE_LIST, IDS_RESOURCE_LIST_TITLE, IDS_RESOURCE_LIST_SUBTITLE, IDS_SELECT_RESOURCES) {}

HRESULT ResourceListPage::SetSourceComputer(const VARIANT* value) {
    if (!value) RETURN_HR(E_POINTER);
    if (value->vt != VT_BSTR) RETURN_HR(E_INVALIDARG);
    if (!value->bstrVal) RETURN_HR(E_POINTER);
    Table().Clear();
    ReloadList();
    const HRESULT hr = ListServices(L"\\\\" + BstrText(value->bstrVal));
    ReloadList();
    return hr;
}

HRESULT ResourceListPage::ListServices(const std::wstring& computer) {
    ComPtr<ServiceControlManager> scm;
    HRESULT hr = ServiceControlManager::Connect(computer.c_str(), scm);
    if (SUCCEEDED(hr)) hr = scm->Open(L"ServicesActive");
    ComPtr<TvServiceEnum> services;
    if (SUCCEEDED(hr)) hr = scm->EnumServices(services);
    if (FAILED(hr)) {
        ShowErrorMessage(static_cast<DWORD>(hr), LoadText(IDS_ERROR_TITLE).c_str(), LoadText(IDS_EDITOR_NO_SCM).c_str(),
                         OwnerWindow(), MB_ICONERROR);
        return hr;
    }

    std::vector<ResourceRow> rows;
    try {
        rows.reserve(services->Count());
        for (size_t i = 0; i < services->Count(); ++i) {
            // Read through a copy of our own, so that its handle closes with it.
            ServiceRef reader((*services.Get())[i]);
            ResourceRow row{{}, reader.Name()};
            // A service whose configuration cannot be read is still listed,
            // under its key name.
            if (FAILED(reader.GetDisplayName(row.displayName))) row.displayName = row.name;
            rows.push_back(std::move(row));
        }
    } catch (const std::bad_alloc&) {
        RETURN_HR(E_OUTOFMEMORY);
    }
    return Table().SetResources(rows);
}

std::wstring ResourceListPage::SummaryText() const {
    if (servicesSummary_)
        return LoadText(IDS_SERVICES_SELECTED) + L"\r\n\t" + Table().JoinRows(kRowChecked, 0, L"\r\n\t");
    return LoadText(IDS_RESOURCES_SELECTED) + L"\r\n\t" + Table().JoinRows(kRowSelected, 0, L"\r\n\t");
}

}  // namespace vantrel
