#include "views/PrintersView.h"

#include "common/ErrorText.h"
#include "common/Handles.h"
#include "common/SizeQuery.h"
#include "common/ResourceText.h"
#include "common/Result.h"
#include "platform/Printing.h"
#include "resources/ResourceViewsIds.h"
#include "resources/ViewsIds.h"
#include "views/PrinterRows.h"
#include "views/ViewWorker.h"

#include <commctrl.h>

#include <cstdio>
#include <new>
#include <vector>

namespace vantrel {
namespace {

constexpr int kNameChars = 512;

class PrintersEnumeration final : public EnumerationWorker {
public:
    explicit PrintersEnumeration(ViewWorkerContext context) noexcept : EnumerationWorker(std::move(context)) {}

private:
    UINT FailureSentenceId() const noexcept override { return IDS_PRINTERS_NOT_ENUMERATED; }

    HRESULT Enumerate(ListWriter& rows) override {
        const PrinterTexts texts = LoadPrinterTexts();
        std::wstring computer = Context().computer;
        DWORD count = 0;
        UniqueCoTaskMem buffer;
        const HRESULT hr = QueryWithSize(
            [&](BYTE* block, DWORD size, DWORD* needed) {
                return plat::EnumPrintersW(PRINTER_ENUM_NAME, computer.data(), 2, block, size, needed, &count);
            },
            buffer);
        if (hr == E_OUTOFMEMORY) {
            ShowErrorMessage(static_cast<DWORD>(hr), LoadResourceString(IDS_VIEW_ERROR_TITLE).c_str(), nullptr,
                             Context().window, MB_ICONERROR);
            FailureReported();
            return hr;
        }
        RETURN_IF_FAILED(hr);
        // A spooler without printers answers the size query with 0 bytes.
        if (!buffer) return S_OK;

        const auto* printers = static_cast<const PRINTER_INFO_2W*>(buffer.Get());
        for (DWORD i = 0; i < count; ++i) {
            if (Stopping()) return S_FALSE;
            const PRINTER_INFO_2W& p = printers[i];
            const int row = rows.Insert(static_cast<int>(i), PrinterDisplayName(p.pPrinterName).c_str(),
                                        PrinterImage(p.Attributes), 0);
            if (Stopping()) return S_FALSE;
            wchar_t jobs[16];
            std::swprintf(jobs, 16, L"%u", static_cast<unsigned>(p.cJobs));
            rows.SetText(row, 1, jobs);
            if (Stopping()) return S_FALSE;
            rows.SetText(row, 2, PrinterStatusText(p.Status, texts).c_str());
            if (Stopping()) return S_FALSE;
            rows.SetText(row, 3, p.pComment ? p.pComment : L"");
            if (Stopping()) return S_FALSE;
            rows.SetText(row, 4, p.pLocation ? p.pLocation : L"");
            if (Stopping()) return S_FALSE;
            rows.SetText(row, 5, p.pDriverName ? p.pDriverName : L"");
        }
        return S_OK;
    }
};

// Opens the queue (action 0) or the properties (1) of each selected
// printer; each printer that fails gets its own box.
class PrinterCommand final : public CredentialedCommand {
public:
    PrinterCommand(ViewWorkerContext context, UINT action) noexcept
        : CredentialedCommand(std::move(context)), action_(action) {}

private:
    HRESULT Execute() override {
        HWND list = List();
        HWND owner = Context().window;
        const std::wstring title = LoadResourceString(IDS_VIEW_ERROR_TITLE);
        const bool any = ForEachListedItem(list, false, [&](int item) {
            const std::wstring name = ItemText(list, item, 0, kNameChars);
            const std::wstring path = PrinterPath(Context().computer, name);
            if (!plat::SHInvokePrinterCommandW(owner, action_, path.c_str(), nullptr, FALSE)) {
                const HRESULT hr = HResultFromLastError();
                ShowErrorMessage(static_cast<DWORD>(hr), title.c_str(), name.c_str(), owner, MB_ICONERROR);
            }
        });
        return any ? S_OK : S_FALSE;
    }

    UINT action_;
};

ComPtr<WorkerThread> CreatePrinterCommand(const ViewWorkerContext& context, UINT commandId) {
    const UINT action = commandId == ID_VIEW_PROPERTIES ? PRINTACTION_PROPERTIES : PRINTACTION_OPEN;
    return ComPtr<WorkerThread>(new (std::nothrow) PrinterCommand(context, action));
}

constexpr ViewColumn kPrinterColumns[] = {
    {IDS_COLUMN_NAME, 250},    {IDS_COLUMN_DOCUMENTS, 100}, {IDS_COLUMN_STATUS, 100},
    {IDS_COLUMN_COMMENT, 100}, {IDS_COLUMN_LOCATION, 100},  {IDS_COLUMN_MODEL, 100},
};
// Modal, no confirmation; the workers report per printer and the view does
// not refresh afterwards.
constexpr ViewCommand kPrinterCommands[] = {
    {ID_VIEW_PRINTER_OPEN, 0, false, false, true, false},
    {ID_VIEW_PROPERTIES, 0, false, false, true, false},
};

}  // namespace

const ViewDefinition& PrintersView() {
    static const ViewDefinition definition{
        IDD_PRINTERS_VIEW,
        IDR_PRINTERS_MENU,
        kPrinterColumns,
        kPrinterCommands,
        0,
        [](const ViewWorkerContext& context) {
            return ComPtr<WorkerThread>(new (std::nothrow) PrintersEnumeration(context));
        },
        &CreatePrinterCommand,
        nullptr,
        nullptr,
        ID_VIEW_PRINTER_OPEN};
    return definition;
}

}  // namespace vantrel
