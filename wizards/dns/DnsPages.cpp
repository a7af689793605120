#include "wizards/dns/DnsPages.h"

#include "common/ImageLists.h"
#include "resources/ImageIndex.h"
#include "common/ResourceText.h"
#include "resources/resource.h"
#include "wizards/selection/SelectionTable.h"

#include <commctrl.h>

namespace vantrel {
namespace {

constexpr ULONG kStateImageMask = 0xF000;
constexpr ULONG kCheckedRow = 0x2000;
constexpr ULONG kUncheckedRow = 0x1000;

std::wstring NameOf(const ComputerJob& job) { return job.computerName ? job.computerName.Get() : L""; }

}  // namespace

bool HasMissingRecords(const DnsCheckJob& job) noexcept {
    return job.status == S_OK && job.missingRecords == kRecordsMissing;
}

std::vector<DnsResultRow> DnsResultRows(const GrowableArray<DnsCheckJob>& jobs) {
    std::vector<DnsResultRow> rows;
    const std::wstring missing = LoadText(IDS_DNS_MISSING);
    const std::wstring failed = LoadText(IDS_DNS_NOT_COMPLETED);
    for (size_t i = 0; i < jobs.Size(); ++i) {
        const DnsCheckJob& job = jobs[i];
        if (HasMissingRecords(job)) rows.push_back({NameOf(job), missing, IMAGE_NETWORK_COMPUTER});
        else if (job.status != S_OK && job.status != S_FALSE) rows.push_back({NameOf(job), failed, IMAGE_ERROR});
    }
    return rows;
}

bool AnyMissingRecords(const GrowableArray<DnsCheckJob>& jobs) noexcept {
    for (size_t i = 0; i < jobs.Size(); ++i) {
        if (HasMissingRecords(jobs[i])) return true;
    }
    return false;
}

std::wstring MissingRecordsSummary(const GrowableArray<DnsCheckJob>& jobs) {
    std::wstring text = LoadText(IDS_DNS_MISSING_HEADING);
    bool any = false;
    for (size_t i = 0; i < jobs.Size(); ++i) {
        if (!HasMissingRecords(jobs[i])) continue;
        text += L"\r\n\t" + NameOf(jobs[i]);
        any = true;
    }
    if (!any) text += L"\r\n\t" + LoadText(IDS_DNS_NONE_MISSING);
    return text;
}

size_t MarkForRegistration(SelectionTable& table, const GrowableArray<DnsCheckJob>& jobs) {
    const LONG rows = table.RowCount();
    for (LONG row = 0; row < rows; ++row) {
        const ULONG state = table.State(row);
        if (state & kCheckedRow) table.SetState(row, (state & ~kStateImageMask) | kUncheckedRow);
    }
    size_t checked = 0;
    for (LONG row = 0; row < rows; ++row) {
        const std::wstring name = table.Text(row, 0);
        for (size_t i = 0; i < jobs.Size(); ++i) {
            if (!HasMissingRecords(jobs[i]) || !jobs[i].computerName) continue;
            if (::CompareStringOrdinal(name.c_str(), -1, jobs[i].computerName.Get(), -1, TRUE) != CSTR_EQUAL)
                continue;
            table.SetState(row, (table.State(row) & ~kStateImageMask) | kCheckedRow);
            ++checked;
            break;
        }
    }
    return checked;
}

std::unique_ptr<OperationPage> MakeDnsCheckPage() {
    auto page = std::make_unique<OperationPage>(IDD_WIZARD_OPERATION, LoadText(IDS_DNS_CHECK_TITLE),
                                                LoadText(IDS_DNS_CHECK_TEXT));
    page->SetHeaderSubtitle(LoadText(IDS_DNS_CHECK_SUBTITLE));
    return page;
}

// --- DnsResultsPage ----------------------------------------------------------

DnsResultsPage::DnsResultsPage(const GrowableArray<DnsCheckJob>& jobs) : WizardPage(IDD_DNS_RESULTS), jobs_(jobs) {
    SetHeaderTitle(LoadText(IDS_DNS_RESULTS_TITLE));
    SetHeaderSubtitle(LoadText(IDS_DNS_RESULTS_SUBTITLE));
}

BOOL DnsResultsPage::OnInitDialog() {
    HWND list = Item(IDC_DNS_RESULTS_LIST);
    EnsureImageLists();
    ListView_SetImageList(list, SmallImageList(), LVSIL_SMALL);
    RECT client{};
    ::GetClientRect(list, &client);
    const int width = (client.right - client.left) - ::GetSystemMetrics(SM_CXVSCROLL);
    const std::wstring titles[2] = {LoadText(IDS_COLUMN_NAME), LoadText(IDS_COLUMN_QUERY_STATUS)};
    const int widths[2] = {width / 3, width - width / 3};
    for (int i = 0; i < 2; ++i) {
        LVCOLUMNW column{};
        column.mask = LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
        column.cx = widths[i];
        column.pszText = const_cast<wchar_t*>(titles[i].c_str());
        column.iSubItem = i;
        ListView_InsertColumn(list, i, &column);
    }
    return TRUE;
}

LRESULT DnsResultsPage::OnSetActive() {
    // Nothing is missing: on to the completion page.
    if (!AnyMissingRecords(jobs_)) return IDD_WIZARD_COMPLETION;
    WizardPage::OnSetActive();
    HWND list = Item(IDC_DNS_RESULTS_LIST);
    ListView_DeleteAllItems(list);
    int index = 0;
    for (const DnsResultRow& row : DnsResultRows(jobs_)) {
        LVITEMW item{};
        item.mask = LVIF_TEXT | LVIF_IMAGE;
        item.iItem = index;
        item.pszText = const_cast<wchar_t*>(row.name.c_str());
        item.iImage = row.image;
        const int at = ListView_InsertItem(list, &item);
        if (at < 0) continue;
        ListView_SetItemText(list, at, 1, const_cast<wchar_t*>(row.status.c_str()));
        ++index;
    }
    return 0;
}

std::wstring DnsResultsPage::SummaryText() const { return MissingRecordsSummary(jobs_); }

// --- DnsRegisterPage ---------------------------------------------------------

DnsRegisterPage::DnsRegisterPage(SelectionTable& table, const GrowableArray<DnsCheckJob>& jobs,
                                 std::function<LRESULT()> startPhase)
    : WizardPage(IDD_DNS_REGISTER), table_(table), jobs_(jobs), startPhase_(std::move(startPhase)) {
    SetHeaderTitle(LoadText(IDS_DNS_REGISTER_TITLE));
    SetHeaderSubtitle(LoadText(IDS_DNS_REGISTER_SUBTITLE));
}

BOOL DnsRegisterPage::OnInitDialog() {
    ::SetDlgItemTextW(Window(), IDC_DNS_REGISTER_RESTART, LoadText(IDS_DNS_REGISTER_RESTART).c_str());
    ::SetDlgItemTextW(Window(), IDC_DNS_REGISTER_WARNING, LoadText(IDS_DNS_REGISTER_WARNING).c_str());
    return TRUE;
}

LRESULT DnsRegisterPage::OnSetActive() {
    WizardPage::OnSetActive();
    ::CheckDlgButton(Window(), IDC_DNS_REGISTER_BOX, BST_UNCHECKED);
    return 0;
}

LRESULT DnsRegisterPage::OnWizardNext() {
    const bool register_ = ::IsDlgButtonChecked(Window(), IDC_DNS_REGISTER_BOX) == BST_CHECKED;
    if (!register_ || table_.Empty() || table_.CollectRows(kCheckedRow).empty()) return IDD_WIZARD_COMPLETION;
    MarkForRegistration(table_, jobs_);
    return startPhase_ ? startPhase_() : 0;
}

}  // namespace vantrel
