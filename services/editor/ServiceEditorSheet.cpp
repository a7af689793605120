#include "services/editor/ServiceEditorSheet.h"

#include "common/Result.h"
#include "resources/EditorIds.h"
#include "services/editor/DependenciesPage.h"
#include "services/editor/GeneralPage.h"
#include "services/editor/LogOnPage.h"
#include "services/editor/PageMessages.h"
#include "services/editor/RecoveryPage.h"

#include <memory>
#include <new>

namespace vantrel {

ServiceEditorSheet::ServiceEditorSheet(HWND parent, std::wstring computer, std::wstring service)
    : parent_(parent), sheet_(parent, 0, 0) {
    state_.computer = std::move(computer);
    state_.serviceName = std::move(service);
    sheet_.SetCaption(state_.computer.empty() ? state_.serviceName
                                              : state_.serviceName + L" (" + state_.computer + L")");
}

HRESULT ServiceEditorSheet::Load() {
    const HRESULT connected = ServiceControlManager::Connect(state_.computer.c_str(), state_.manager);
    if (FAILED(connected)) {
        ShowPageError(parent_, connected, IDS_EDITOR_NO_SCM);
        return connected;
    }
    state_.manager->SetAccessMask(ServiceControlManager::kAllAccess);
    RETURN_IF_FAILED(state_.manager->Open(L"ServicesActive"));
    state_.service = ServiceRef(state_.serviceName, state_.manager.Get());
    RETURN_IF_FAILED(state_.service.EnsureOpen(ServiceOpenMode::Full));
    return AddPages();
}

HRESULT ServiceEditorSheet::AddPages() {
    try {
        RETURN_IF_FAILED(sheet_.AddPage(std::make_unique<GeneralPage>(state_)));
        RETURN_IF_FAILED(sheet_.AddPage(std::make_unique<LogOnPage>(state_)));
        UniqueCoTaskMem stored;
        const HRESULT read = state_.service.QueryFailureActions(stored);
        if (OffersRecoveryPage(read))
            RETURN_IF_FAILED(sheet_.AddPage(std::make_unique<RecoveryPage>(state_, read, std::move(stored))));
        RETURN_IF_FAILED(sheet_.AddPage(std::make_unique<DependenciesPage>(state_)));
    } catch (const std::bad_alloc&) {
        RETURN_HR(E_OUTOFMEMORY);
    }
    return S_OK;
}

}  // namespace vantrel
