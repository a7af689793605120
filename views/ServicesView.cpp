#include "views/ServicesView.h"

#include "Vantrel_h.h"
#include "common/ErrorText.h"
#include "common/ResourceText.h"
#include "common/Result.h"
#include "credentials/Credentials.h"
#include "resources/ImageIndex.h"
#include "resources/ServicesIds.h"
#include "resources/ServicesViewIds.h"
#include "resources/ViewsIds.h"
#include "services/ServiceControlJob.h"
#include "services/TvServiceEnum.h"
#include "views/ServiceRows.h"
#include "views/ViewWorker.h"

#include <commctrl.h>

#include <memory>
#include <new>
#include <vector>

namespace vantrel {
namespace {

// Each row owns a heap copy of its service's ServiceRef as item data. The
// objects are used only on the view's thread; workers ask that thread for
// copies of them.
void FreeService(LPARAM data) noexcept { std::unique_ptr<ServiceRef> owned(reinterpret_cast<ServiceRef*>(data)); }

ServiceRef* ServiceOfItem(HWND list, int item) noexcept {
    LVITEMW row{};
    row.mask = LVIF_PARAM;
    row.iItem = item;
    if (!ListView_GetItem(list, &row)) return nullptr;
    return reinterpret_cast<ServiceRef*>(row.lParam);
}

void ShowError(HWND owner, HRESULT code, UINT contextId) {
    const std::wstring context = contextId ? LoadText(contextId) : std::wstring();
    ShowErrorMessage(static_cast<DWORD>(code), LoadText(IDS_ERROR_TITLE).c_str(), contextId ? context.c_str() : nullptr,
                     owner, MB_ICONERROR);
}

class ServicesEnumeration final : public EnumerationWorker {
public:
    explicit ServicesEnumeration(ViewWorkerContext context) noexcept : EnumerationWorker(std::move(context)) {}

private:
    enum class Step { Connect, Open, Enumerate };

    UINT FailureSentenceId() const noexcept override { return IDS_SERVICES_NOT_ENUMERATED; }

    // The error text whole (the tables end it with a line break), then what
    // could not be done: the connection object and the listing say so, a
    // manager that refused to open speaks for itself.
    std::wstring FailureText(HRESULT code) override {
        std::wstring text = ComposeErrorMessage(static_cast<DWORD>(code), nullptr);
        if (failed_ == Step::Connect) text += LoadText(IDS_SERVICES_SCM_NOT_CREATED);
        if (failed_ == Step::Enumerate) text += LoadText(IDS_SERVICES_NOT_ENUMERATED);
        return text;
    }

    HRESULT Enumerate(ListWriter& rows) override {
        failed_ = Step::Connect;
        ComPtr<ServiceControlManager> scm;
        RETURN_IF_FAILED(ServiceControlManager::Connect(Context().computer.c_str(), scm));
        failed_ = Step::Open;
        RETURN_IF_FAILED(scm->Open(L"ServicesActive"));
        failed_ = Step::Enumerate;
        ComPtr<TvServiceEnum> services;
        RETURN_IF_FAILED(scm->EnumServices(services));

        for (size_t i = 0; i < services->Count(); ++i) {
            if (Stopping()) return S_FALSE;
            // Read through a copy of our own, so that its handle is closed
            // with it; the row's copy opens its own when it is first asked.
            ServiceRef reader((*services.Get())[i]);
            const ServiceCells cells = ReadServiceCells(reader, kRefreshName | kRefreshInserted);
            auto owned = std::unique_ptr<ServiceRef>(new (std::nothrow) ServiceRef((*services.Get())[i]));
            if (!owned) RETURN_HR(E_OUTOFMEMORY);
            const int row = rows.Insert(static_cast<int>(i), cells[kServiceNameColumn]->c_str(), IMAGE_SERVICE,
                                        reinterpret_cast<LPARAM>(owned.release()));
            for (int column = kServiceDescriptionColumn; column < kServiceColumnCount; ++column) {
                if (const auto& text = cells[static_cast<size_t>(column)]) rows.SetText(row, column, text->c_str());
            }
        }
        return Stopping() ? S_FALSE : S_OK;
    }

    Step failed_ = Step::Connect;
};

using ServiceCommand = CredentialedCommand;

// Start, stop, pause, resume or restart the selected services through one
// service control job, then show their new status.
class ServiceControlWorker final : public ServiceCommand {
public:
    ServiceControlWorker(ViewWorkerContext context, ServiceControlOperation operation) noexcept
        : ServiceCommand(std::move(context)), operation_(operation) {}

private:
    HRESULT Execute() override {
        std::vector<ServiceRef> services = SelectedServices();
        if (services.empty()) return S_FALSE;
        const HRESULT hr = RunJob(services);
        if (FAILED(hr)) ShowError(Context().window, hr, IDS_BATCH_NO_THREAD);
        RefreshStatus(services);
        return hr;
    }

    // Copies of the selected rows' services, in list order, made on the
    // view's thread.
    std::vector<ServiceRef> SelectedServices() const {
        std::vector<ServiceRef> services;
        OnViewThread([this, &services] {
            HWND list = List();
            const int count = ListView_GetSelectedCount(list);
            int item = -1;
            for (int i = 0; i < count; ++i) {
                item = ListView_GetNextItem(list, item, LVNI_SELECTED);
                if (item < 0) break;
                if (const ServiceRef* service = ServiceOfItem(list, item)) services.push_back(*service);
            }
        });
        return services;
    }

    // Runs the job while this thread dispatches its messages.
    HRESULT RunJob(const std::vector<ServiceRef>& services) const {
        ComPtr<ServiceControlJob> job;
        RETURN_IF_FAILED(ServiceControlJob::Create(job));
        job->SetOperation(operation_);
        for (const ServiceRef& service : services) RETURN_IF_FAILED(job->AddService(service));
        job->SetOwner(Context().window);
        job->SetComputer(Context().computer, Context().credentialsPath, Context().recallOptions);
        return job->Start(INFINITE, 0, false);
    }

    // Only the Status column of the controlled services: each is found by
    // its display name from the top of the list; the first one that cannot
    // be found ends the refresh.
    void RefreshStatus(std::vector<ServiceRef>& services) const {
        HWND list = List();
        for (ServiceRef& service : services) {
            std::wstring name;
            if (FAILED(service.GetDisplayName(name))) return;
            LVFINDINFOW find{};
            find.flags = LVFI_STRING;
            find.psz = name.c_str();
            const int item = static_cast<int>(
                ::SendMessageW(list, LVM_FINDITEMW, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&find)));
            if (item < 0) return;
            WriteServiceCells(list, item, ReadServiceCells(service, kRefreshStatus));
        }
    }

    ServiceControlOperation operation_;
};

// Opens the service editor for the row at the selection mark and, when the
// user is done with it, shows the row afresh.
class ServicePropertiesWorker final : public ServiceCommand {
public:
    explicit ServicePropertiesWorker(ViewWorkerContext context) noexcept : ServiceCommand(std::move(context)) {}

private:
    HRESULT Execute() override {
        int item = -1;
        std::unique_ptr<ServiceRef> service;
        OnViewThread([this, &item, &service] {
            item = ListView_GetSelectionMark(List());
            const ServiceRef* row = item >= 0 ? ServiceOfItem(List(), item) : nullptr;
            if (row) service.reset(new (std::nothrow) ServiceRef(*row));
        });
        if (!service) return S_FALSE;

        HWND owner = Context().window;
        ComPtr<IServiceEditor> editor;
        HRESULT hr = ::CoCreateInstance(CLSID_ServiceEditor, nullptr, CLSCTX_INPROC_SERVER, IID_IServiceEditor,
                                        editor.PutVoid());
        if (FAILED(hr)) {
            ShowError(owner, hr, IDS_SERVICE_EDITOR_NOT_ACCESSED);
            return hr;
        }
        hr = OpenEditor(*editor.Get(), *service);
        if (FAILED(hr)) {
            ShowError(owner, hr, IDS_SERVICE_EDITOR_NOT_OPENED);
            return hr;
        }
        hr = editor->Start();
        if (FAILED(hr)) {
            ShowError(owner, hr, 0);
            return hr;
        }
        Refresh(item, *service);
        return S_OK;
    }

    // Computer and service of the row, then the sheet, owned by the
    // console's window that holds the view.
    HRESULT OpenEditor(IServiceEditor& editor, const ServiceRef& service) const {
        std::wstring computer;
        RETURN_IF_FAILED(service.GetComputerName(computer));
        UniqueBstr computerName(::SysAllocString(computer.c_str()));
        UniqueBstr serviceName(::SysAllocString(service.Name().c_str()));
        if (!computerName || !serviceName) RETURN_HR(E_OUTOFMEMORY);
        RETURN_IF_FAILED(editor.put_Computer(computerName.Get()));
        RETURN_IF_FAILED(editor.put_Service(serviceName.Get()));
        HWND parent = ::GetAncestor(Context().window, GA_ROOT);
        // The console's contract carries window handles as 32-bit longs.
        return editor.Create(static_cast<long>(reinterpret_cast<LONG_PTR>(parent)));
    }

    // Every column, if the row still shows this service (the list may have
    // been refreshed while the editor was open).
    void Refresh(int item, ServiceRef& service) const {
        const ServiceCells cells = ReadServiceCells(service, kRefreshAll);
        OnViewThread([this, item, &cells, &service] {
            const ServiceRef* row = ServiceOfItem(List(), item);
            if (row && row->Name() == service.Name()) WriteServiceCells(List(), item, cells);
        });
    }
};

// A menu read that has not answered by then counts as a failing read.
constexpr DWORD kMenuReadMs = 3000;

// One read of the popup's service, on a worker of its own with its own copy
// of the service, while the view's thread keeps dispatching messages: a slow
// or unreachable computer never freezes the console. The answer is taken
// only when it came in time.
template <typename Value, typename Read>
HRESULT ReadForMenu(const ServiceRef& service, Value& out, Read read) {
    auto answer = std::make_shared<Value>();
    RETURN_IF_FAILED(CallPumping(
        [copy = service, answer, read]() mutable { return read(copy, *answer); }, kMenuReadMs));
    out = *answer;
    return S_OK;
}

// The item popup greys what cannot apply to the one selected service. The
// reads work on a copy taken before the first wait: the row may be gone by
// the time they answer.
void PrepareServiceMenu(HWND view, HMENU popup, bool onItem) {
    if (!onItem) return;
    HWND list = ::GetDlgItem(view, IDC_VIEW_LIST);
    ServiceMenuFacts facts;
    facts.selected = ListView_GetSelectedCount(list);
    const ServiceRef* row = facts.selected == 1 ? ServiceOfItem(list, ListView_GetNextItem(list, -1, LVNI_SELECTED))
                                                : nullptr;
    if (row) {
        const ServiceRef service(*row);
        DWORD startType = 0;
        const HRESULT configRead = ReadForMenu(service, startType, [](ServiceRef& s, DWORD& value) {
            UniqueCoTaskMem config;
            RETURN_IF_FAILED(s.QueryConfig(config));
            value = static_cast<const QUERY_SERVICE_CONFIGW*>(config.Get())->dwStartType;
            return S_OK;
        });
        if (SUCCEEDED(configRead)) facts.startType = startType;
        if (facts.startType != SERVICE_DISABLED) {
            SERVICE_STATUS_PROCESS status{};
            if (SUCCEEDED(ReadForMenu(service, status,
                                      [](ServiceRef& s, SERVICE_STATUS_PROCESS& value) { return s.QueryStatus(value); })))
                facts.status = status;
        }
    }
    const DWORD greyed = GreyedServiceCommands(facts);
    const struct {
        UINT id;
        DWORD bit;
    } commands[] = {
        {ID_VIEW_SERVICE_START, kGreyStart},   {ID_VIEW_SERVICE_STOP, kGreyStop},
        {ID_VIEW_SERVICE_PAUSE, kGreyPause},   {ID_VIEW_SERVICE_RESUME, kGreyResume},
        {ID_VIEW_SERVICE_RESTART, kGreyRestart}, {ID_VIEW_PROPERTIES, kGreyProperties},
    };
    for (const auto& command : commands) {
        if (greyed & command.bit) ::EnableMenuItem(popup, command.id, MF_BYCOMMAND | MF_GRAYED | MF_DISABLED);
    }
}

ServiceControlOperation OperationOf(UINT commandId) noexcept {
    switch (commandId) {
        case ID_VIEW_SERVICE_START: return ServiceControlOperation::Start;
        case ID_VIEW_SERVICE_STOP: return ServiceControlOperation::Stop;
        case ID_VIEW_SERVICE_PAUSE: return ServiceControlOperation::Pause;
        case ID_VIEW_SERVICE_RESUME: return ServiceControlOperation::Resume;
        case ID_VIEW_SERVICE_RESTART: return ServiceControlOperation::Restart;
        default: return ServiceControlOperation::None;
    }
}

ComPtr<WorkerThread> CreateCommand(const ViewWorkerContext& context, UINT commandId) {
    if (commandId == ID_VIEW_PROPERTIES) return ComPtr<WorkerThread>(new (std::nothrow) ServicePropertiesWorker(context));
    return ComPtr<WorkerThread>(new (std::nothrow) ServiceControlWorker(context, OperationOf(commandId)));
}

constexpr ViewColumn kServiceColumns[] = {
    {IDS_COLUMN_NAME, 200},         {IDS_COLUMN_DESCRIPTION, 100}, {IDS_COLUMN_STATUS, 100},
    {IDS_COLUMN_STARTUP_TYPE, 100}, {IDS_COLUMN_LOG_ON_AS, 100},
};
// No confirmation, and each runs on its own while the view stays usable.
constexpr ViewCommand kServiceCommands[] = {
    {ID_VIEW_SERVICE_START, 0, false, true},  {ID_VIEW_SERVICE_STOP, 0, false, true},
    {ID_VIEW_SERVICE_PAUSE, 0, false, true},  {ID_VIEW_SERVICE_RESUME, 0, false, true},
    {ID_VIEW_SERVICE_RESTART, 0, false, true}, {ID_VIEW_PROPERTIES, 0, false, true},
};

}  // namespace

const ViewDefinition& ServicesView() {
    static const ViewDefinition definition{
        IDD_SERVICES_VIEW,
        IDR_SERVICES_MENU,
        kServiceColumns,
        kServiceCommands,
        0,
        [](const ViewWorkerContext& context) {
            return ComPtr<WorkerThread>(new (std::nothrow) ServicesEnumeration(context));
        },
        &CreateCommand,
        &FreeService,
        &PrepareServiceMenu,
        ID_VIEW_PROPERTIES};
    return definition;
}

}  // namespace vantrel
