#include "wizards/registry/RegistryPages.h"

#include "Companions_h.h"
#include "common/ErrorText.h"
#include "common/ImageLists.h"
#include "common/ResourceText.h"
#include "resources/ImageIndex.h"
#include "resources/resource.h"

#include <commdlg.h>

#include <algorithm>
#include <cwctype>
#include <new>

namespace vantrel {

const wchar_t kRegistryWizardCaption[] = L"Manage Registry Entries";

namespace {

constexpr wchar_t kRegistryFilter[] = L"Registry Files (*.reg)\0*.reg\0";
constexpr wchar_t kProgramFilter[] =
    L"Executable Files (*.exe;*.com;*.cmd;*.bat)\0*.exe;*.com;*.cmd;*.bat\0All Files (*.*)\0*.*\0";
constexpr wchar_t kNoEntries[] = L"You must include at least one registry entry.";
constexpr wchar_t kNoFileName[] = L"You must specify a file name.";
constexpr wchar_t kInsertFailed[] = L"Failed to insert registry entry";
constexpr wchar_t kEditorQuestion[] =
    L"The program could not be opened. Select 'Yes' to browse for\r\nNotepad.exe of another text editor.";
constexpr wchar_t kNoTempFolder[] =
    L"Failed to locate your temporary directory. Please make sure you have a temporary directory\r\n"
    L"and set your TMP or TEMP environmental variable in your user profile.";
constexpr wchar_t kNoResultFile[] = L"Could not open the validation result information";
constexpr wchar_t kEntryCaption[] = L"Registry Entry";
constexpr UINT kChecked = 0x2000;
constexpr UINT kUnchecked = 0x1000;

bool SameName(const std::wstring& a, const std::wstring& b) {
    return ::CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()),
                                  TRUE) == CSTR_EQUAL;
}

void AddColumn(HWND list, int index, const std::wstring& title, int width) {
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    column.pszText = const_cast<wchar_t*>(title.c_str());
    column.cx = width;
    column.iSubItem = index;
    ::SendMessageW(list, LVM_INSERTCOLUMNW, index, reinterpret_cast<LPARAM>(&column));
}

void SetCell(HWND list, int row, int column, const std::wstring& text) {
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = const_cast<wchar_t*>(text.c_str());
    ::SendMessageW(list, LVM_SETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
}

std::vector<int> SelectedRows(HWND list) {
    std::vector<int> rows;
    int row = -1;
    while ((row = static_cast<int>(::SendMessageW(list, LVM_GETNEXTITEM, row, LVNI_SELECTED))) >= 0) rows.push_back(row);
    return rows;
}

}  // namespace

bool StartProgram(const std::wstring& commandLine) {
    std::vector<wchar_t> line(commandLine.begin(), commandLine.end());
    line.push_back(L'\0');
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return false;
    UniqueHandle thread(process.hThread), handle(process.hProcess);
    return true;
}

bool BrowseForFile(HWND owner, const wchar_t* filter, std::wstring& path, bool& failure) {
    failure = false;
    std::vector<wchar_t> name(4096, L'\0');
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = filter;
    dialog.lpstrFile = name.data();
    dialog.nMaxFile = static_cast<DWORD>(name.size());
    dialog.Flags = OFN_HIDEREADONLY | OFN_ENABLESIZING;
    if (!::GetOpenFileNameW(&dialog)) {
        failure = ::CommDlgExtendedError() != 0;
        return false;
    }
    path = name.data();
    return true;
}

void ViewResultFile(HWND owner, const std::wstring& computer, const ProgramStarter& start) {
    std::wstring file;
    const HRESULT located = ResultFilePath(computer, file);
    if (FAILED(located)) {
        ShowErrorMessage(static_cast<DWORD>(located), L"Validate Registry", kNoTempFolder, owner, MB_ICONERROR);
        return;
    }
    if (::GetFileAttributesW(file.c_str()) == INVALID_FILE_ATTRIBUTES) {
        ::MessageBoxW(owner, kNoResultFile, L"Validate Registry", MB_ICONERROR);
        return;
    }
    wchar_t windows[MAX_PATH] = {};
    const UINT length = ::GetSystemWindowsDirectoryW(windows, MAX_PATH);
    std::wstring editor = std::wstring(windows, length < MAX_PATH ? length : 0) + L"\\notepad.exe";
    for (;;) {
        if (start(L"\"" + editor + L"\" \"" + file + L"\"")) return;
        if (::MessageBoxW(owner, kEditorQuestion, L"Open Editor", MB_YESNO | MB_ICONINFORMATION) != IDYES) return;
        bool failure = false;
        if (!BrowseForFile(owner, kProgramFilter, editor, failure)) return;
    }
}

// --- RegistryComputerListPage ------------------------------------------------

RegistryComputerListPage::RegistryComputerListPage(RegistrySheet& sheet)
    : ComputerListPage(IDS_KIND_REGISTRY), sheet_(sheet) {
    SetSourceMode(true);
}

std::wstring RegistryComputerListPage::SummaryText() const {
    std::vector<std::wstring> names;
    GrowableArray<RegistryQueryJob>& jobs = sheet_.FinishedJobs1();
    for (size_t i = 0; i < jobs.Size(); ++i) names.push_back(jobs[i].computerName ? jobs[i].computerName.Get() : L"");
    return ComputersSummary(names);
}

// --- SearchMethodPage ----------------------------------------------------------

SearchMethodPage::SearchMethodPage(RegistrySheet& sheet) : WizardPage(IDD_REG_METHOD), sheet_(sheet) {
    SetHeaderTitle(LoadText(IDS_REG_METHOD_TITLE));
    SetHeaderSubtitle(LoadText(IDS_REG_METHOD_SUBTITLE));
}

BOOL SearchMethodPage::OnInitDialog() {
    ::CheckRadioButton(Window(), IDC_REG_INDIVIDUAL, IDC_REG_FILE, IDC_REG_INDIVIDUAL);
    ApplyMethod();
    return TRUE;
}

void SearchMethodPage::ApplyMethod() {
    const bool file = ::IsDlgButtonChecked(Window(), IDC_REG_FILE) == BST_CHECKED;
    ::EnableWindow(Item(IDC_REG_FILE_NAME), file);
    ::EnableWindow(Item(IDC_REG_FILE_BROWSE), file);
}

void SearchMethodPage::OnCommand(UINT id, UINT code, HWND) {
    if ((id == IDC_REG_INDIVIDUAL || id == IDC_REG_FILE) && code == BN_CLICKED) {
        ApplyMethod();
    } else if (id == IDC_REG_FILE_BROWSE && code == BN_CLICKED) {
        std::wstring path;
        bool failure = false;
        if (BrowseForFile(Window(), kRegistryFilter, path, failure)) {
            ::SetDlgItemTextW(Window(), IDC_REG_FILE_NAME, path.c_str());
        } else if (failure) {
            ShowErrorMessage(static_cast<DWORD>(E_FAIL), L"Select File", L"Failed to select file.", Window(),
                             MB_ICONERROR);
        }
    }
}

LRESULT SearchMethodPage::OnWizardNext() {
    RegistryQueryJob& query = sheet_.Prototype1();
    query.message.Reset(::SysAllocString(L"Validate Registry"));
    if (::IsDlgButtonChecked(Window(), IDC_REG_FILE) != BST_CHECKED) {
        query.mode = kRegistryModeEntries;
        return 0;
    }
    const std::wstring path = WindowText(Item(IDC_REG_FILE_NAME));
    if (path.empty()) {
        ::MessageBoxW(Window(), kNoFileName, kRegistryWizardCaption, MB_ICONINFORMATION);
        return -1;
    }
    UniqueFileHandle file(::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE,  // seam: local
                                        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        const DWORD error = ::GetLastError();
        ShowErrorMessage(static_cast<DWORD>(HResultFromWin32(error ? error : ERROR_FILE_NOT_FOUND)), L"File Error",
                         nullptr, Window(), MB_ICONERROR);
        return -1;
    }
    query.mode = kRegistryModeFile;
    query.regFile = path;
    return 0;
}

std::wstring SearchMethodPage::SummaryText() const {
    const RegistryQueryJob& query = sheet_.Prototype1();
    return MethodSummary(query.mode == kRegistryModeFile, query.regFile);
}

// --- RegistryEntriesPage -------------------------------------------------------

RegistryEntriesPage::RegistryEntriesPage(RegistrySheet& sheet, const ComputerListPage& computers)
    : WizardPage(IDD_REG_ENTRIES), sheet_(sheet), computers_(computers) {
    SetHeaderTitle(LoadText(IDS_REG_ENTRIES_TITLE));
    SetHeaderSubtitle(LoadText(IDS_REG_ENTRIES_SUBTITLE));
}

BOOL RegistryEntriesPage::OnInitDialog() {
    HWND list = Item(IDC_REG_ENTRY_LIST);
    ::SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
    const UINT titles[] = {IDS_REG_COLUMN_KEY, IDS_REG_COLUMN_VALUE, IDS_COLUMN_TYPE, IDS_REG_COLUMN_DATA,
                           IDS_REG_COLUMN_ACTION};
    const int widths[] = {130, 55, 95, 40, 90};
    for (int i = 0; i < 5; ++i) AddColumn(list, i, LoadText(titles[i]), widths[i]);
    UpdateButtons();
    return TRUE;
}

LRESULT RegistryEntriesPage::OnSetActive() {
    // The list serves individual entries only: a registry file skips it.
    if (sheet_.Prototype1().mode == kRegistryModeFile) return -1;
    return WizardPage::OnSetActive();
}

void RegistryEntriesPage::ShowRow(int row, bool insert) {
    HWND list = Item(IDC_REG_ENTRY_LIST);
    const RegistryEntry& entry = entries_[static_cast<size_t>(row)];
    if (insert) {
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.iItem = row;
        item.pszText = const_cast<wchar_t*>(entry.key.c_str());
        if (::SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)) < 0) {
            entries_.erase(entries_.begin() + row);
            ::MessageBoxW(Window(), kInsertFailed, kEntryCaption, MB_ICONERROR);
            return;
        }
    } else {
        SetCell(list, row, 0, entry.key);
    }
    SetCell(list, row, 1, entry.valueName);
    SetCell(list, row, 2, EntryTypeText(entry.type));
    SetCell(list, row, 3, EntryDataText(entry));
    SetCell(list, row, 4, ActionText(entry.action));
}

void RegistryEntriesPage::UpdateButtons() {
    const auto selected = SelectedRows(Item(IDC_REG_ENTRY_LIST));
    ::EnableWindow(Item(IDC_REG_EDIT), selected.size() == 1);
    ::EnableWindow(Item(IDC_REG_REMOVE), !selected.empty());
}

void RegistryEntriesPage::Edit(int row) {
    RegistryEntry entry = row >= 0 ? entries_[static_cast<size_t>(row)] : RegistryEntry{};
    RegistryEntryDialog dialog(entry, computers_.SourceComputer());
    if (dialog.RunModal(Window()) != IDOK) return;
    if (row >= 0) {
        entries_[static_cast<size_t>(row)] = entry;
        ShowRow(row, false);
    } else {
        entries_.push_back(entry);
        ShowRow(static_cast<int>(entries_.size() - 1), true);
    }
    UpdateButtons();
}

void RegistryEntriesPage::RemoveSelected() {
    HWND list = Item(IDC_REG_ENTRY_LIST);
    std::vector<int> rows = SelectedRows(list);
    for (auto it = rows.rbegin(); it != rows.rend(); ++it) {
        ::SendMessageW(list, LVM_DELETEITEM, static_cast<WPARAM>(*it), 0);
        entries_.erase(entries_.begin() + *it);
    }
    UpdateButtons();
}

void RegistryEntriesPage::OnCommand(UINT id, UINT code, HWND) {
    if (code != BN_CLICKED) return;
    if (id == IDC_REG_ADD) Edit(-1);
    if (id == IDC_REG_EDIT) {
        const auto selected = SelectedRows(Item(IDC_REG_ENTRY_LIST));
        if (selected.size() == 1) Edit(selected.front());
    }
    if (id == IDC_REG_REMOVE) RemoveSelected();
}

LRESULT RegistryEntriesPage::OnNotify(const NMHDR& header) {
    if (header.idFrom == IDC_REG_ENTRY_LIST && header.code == LVN_ITEMCHANGED) UpdateButtons();
    return WizardPage::OnNotify(header);
}

LRESULT RegistryEntriesPage::OnWizardNext() {
    if (entries_.empty()) {
        ::MessageBoxW(Window(), kNoEntries, kRegistryWizardCaption, MB_ICONINFORMATION);
        return -1;
    }
    RegistryQueryJob& query = sheet_.Prototype1();
    query.mode = kRegistryModeEntries;
    query.entries = entries_;
    return 0;
}

std::wstring RegistryEntriesPage::SummaryText() const {
    if (sheet_.Prototype1().mode == kRegistryModeFile) return {};
    return EntriesSummary(entries_);
}

// --- RegistryResultsPage -------------------------------------------------------

RegistryResultsPage::RegistryResultsPage(RegistrySheet& sheet) : WizardPage(IDD_REG_RESULTS), sheet_(sheet) {
    SetHeaderTitle(LoadText(IDS_REG_RESULTS_TITLE));
    SetHeaderSubtitle(LoadText(IDS_REG_RESULTS_SUBTITLE));
}

BOOL RegistryResultsPage::OnInitDialog() {
    HWND list = Item(IDC_REG_RESULT_LIST);
    ::SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT);
    EnsureImageLists();
    ::SendMessageW(list, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(SmallImageList()));
    AddColumn(list, 0, LoadText(IDS_COLUMN_COMPUTER), 110);
    AddColumn(list, 1, LoadText(IDS_COLUMN_QUERY_STATUS), 330);
    return TRUE;
}

LRESULT RegistryResultsPage::OnSetActive() {
    HWND list = Item(IDC_REG_RESULT_LIST);
    ::SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
    GrowableArray<RegistryQueryJob>& jobs = sheet_.FinishedJobs1();
    for (size_t i = 0; i < jobs.Size(); ++i) {
        const RegistryQueryJob& job = jobs[i];
        const QueryOutcome outcome = OutcomeOf(job.status, job.hadOmissions);
        std::wstring name = job.computerName ? job.computerName.Get() : L"";
        LVITEMW item{};
        item.mask = LVIF_TEXT | LVIF_IMAGE;
        item.iItem = static_cast<int>(i);
        item.pszText = name.data();
        // A query that could not be completed is an error, not a warning.
        item.iImage = outcome == QueryOutcome::Failed ? IMAGE_ERROR : IMAGE_COMPUTER;
        const int row = static_cast<int>(::SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
        if (row >= 0) SetCell(list, row, 1, QueryStatusText(outcome));
    }
    return WizardPage::OnSetActive();
}

void RegistryResultsPage::OnCommand(UINT id, UINT code, HWND) {
    if (id != IDC_REG_VIEW_RESULTS || code != BN_CLICKED) return;
    HWND list = Item(IDC_REG_RESULT_LIST);
    const auto selected = SelectedRows(list);
    if (selected.empty()) return;
    wchar_t name[512] = {};
    LVITEMW item{};
    item.pszText = name;
    item.cchTextMax = 512;
    ::SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(selected.front()), reinterpret_cast<LPARAM>(&item));
    ViewResultFile(Window(), name, start_);
}

std::wstring RegistryResultsPage::SummaryText() const {
    std::vector<std::wstring> failed;
    GrowableArray<RegistryQueryJob>& jobs = sheet_.FinishedJobs1();
    for (size_t i = 0; i < jobs.Size(); ++i) {
        if (jobs[i].status != S_OK) failed.push_back(jobs[i].computerName ? jobs[i].computerName.Get() : L"");
    }
    return ResultsSummary(failed);
}

// --- ModifyRegistryPage --------------------------------------------------------

void MarkComputersToRepair(SelectionTable& table, const GrowableArray<RegistryQueryJob>& queried) {
    if (table.Empty()) return;
    for (LONG row : table.CollectRows(kChecked)) table.SetState(row, (table.State(row) & ~0xF000u) | kUnchecked);
    for (size_t i = 0; i < queried.Size(); ++i) {
        const RegistryQueryJob& job = queried[i];
        if (job.status != S_OK || job.compliant != 0 || !job.computerName) continue;
        for (LONG row = 0; row < table.RowCount(); ++row) {
            if (SameName(table.Text(row, 0), job.computerName.Get()))
                table.SetState(row, (table.State(row) & ~0xF000u) | kChecked);
        }
    }
}

ModifyRegistryPage::ModifyRegistryPage(RegistrySheet& sheet, ComputerListPage& computers)
    : WizardPage(IDD_REG_MODIFY), sheet_(sheet), computers_(computers) {
    SetHeaderTitle(LoadText(IDS_REG_MODIFY_TITLE));
}

LRESULT ModifyRegistryPage::OnWizardNext() {
    if (::IsDlgButtonChecked(Window(), IDC_REG_MODIFY_CHECK) != BST_CHECKED) return IDD_WIZARD_COMPLETION;
    MarkComputersToRepair(computers_.Table(), sheet_.FinishedJobs1());
    const RegistryQueryJob& query = sheet_.Prototype1();
    RegistryModifyJob& modify = sheet_.Prototype2();
    modify.mode = query.mode;
    modify.regFile = query.regFile;
    modify.entries = query.entries;
    modify.message.Reset(::SysAllocString(L"Modify Registry"));
    return SUCCEEDED(sheet_.StartMasterThread()) ? 0 : -1;
}

// --- RegistryEntryDialog -------------------------------------------------------

RegistryEntryDialog::RegistryEntryDialog(RegistryEntry& entry, std::wstring sourceComputer)
    : Dialog(IDD_REG_ENTRY), entry_(entry), source_(std::move(sourceComputer)) {}

BOOL RegistryEntryDialog::OnInitDialog() {
    for (const wchar_t* text : {L"Key", L"Value (DWORD)", L"Value (String)"})
        ::SendDlgItemMessageW(Window(), IDC_REG_TYPE, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    for (const wchar_t* text : {L"Test Existence", L"Test Data"})
        ::SendDlgItemMessageW(Window(), IDC_REG_ACTION, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    ::SendDlgItemMessageW(Window(), IDC_REG_TYPE, CB_SETCURSEL, static_cast<WPARAM>(entry_.type), 0);
    ::SendDlgItemMessageW(Window(), IDC_REG_ACTION, CB_SETCURSEL, static_cast<WPARAM>(entry_.action), 0);
    ::SetDlgItemTextW(Window(), IDC_REG_KEY, entry_.key.c_str());
    ApplyRules(false);
    ::SetDlgItemTextW(Window(), IDC_REG_VALUE, entry_.valueName.c_str());
    ::SetDlgItemTextW(Window(), IDC_REG_DATA, EntryDataText(entry_).c_str());
    return TRUE;
}

RegEntryType RegistryEntryDialog::SelectedType() const {
    const LRESULT index = ::SendDlgItemMessageW(Window(), IDC_REG_TYPE, CB_GETCURSEL, 0, 0);
    return index == 1 ? RegEntryType::Dword : index == 2 ? RegEntryType::String : RegEntryType::Key;
}

RegAction RegistryEntryDialog::SelectedAction() const {
    return ::SendDlgItemMessageW(Window(), IDC_REG_ACTION, CB_GETCURSEL, 0, 0) == 1 ? RegAction::TestData
                                                                                    : RegAction::TestExistence;
}

void RegistryEntryDialog::ApplyRules(bool typeChanged) {
    const RegEntryType type = SelectedType();
    if (typeChanged) ::SetDlgItemTextW(Window(), IDC_REG_DATA, L"");
    if (type == RegEntryType::Key) {
        ::SetDlgItemTextW(Window(), IDC_REG_VALUE, L"");
        ::SendDlgItemMessageW(Window(), IDC_REG_ACTION, CB_SETCURSEL, 0, 0);
    }
    const EntryFieldRules rules = FieldRules(type, SelectedAction());
    ::SendDlgItemMessageW(Window(), IDC_REG_VALUE, EM_SETLIMITTEXT, rules.valueLimit, 0);
    ::EnableWindow(Item(IDC_REG_VALUE), rules.valueEnabled);
    ::EnableWindow(Item(IDC_REG_ACTION), rules.actionEnabled);
    ::EnableWindow(Item(IDC_REG_DATA), rules.dataEnabled);
    HWND data = Item(IDC_REG_DATA);
    const LONG_PTR style = ::GetWindowLongPtrW(data, GWL_STYLE);
    ::SetWindowLongPtrW(data, GWL_STYLE, rules.digitsOnly ? (style | ES_NUMBER) : (style & ~static_cast<LONG_PTR>(ES_NUMBER)));
    ::SendMessageW(data, EM_SETLIMITTEXT, rules.dataLimit, 0);
}

bool RegistryEntryDialog::Accept() {
    RegistryEntry entry;
    entry.type = SelectedType();
    entry.action = entry.type == RegEntryType::Key ? RegAction::TestExistence : SelectedAction();
    entry.key = WindowText(Item(IDC_REG_KEY));
    if (entry.type != RegEntryType::Key) entry.valueName = WindowText(Item(IDC_REG_VALUE));
    const std::wstring data = WindowText(Item(IDC_REG_DATA));
    if (entry.TestsData()) {
        if (entry.type == RegEntryType::Dword) {
            if (!ParseDwordText(data, entry.number)) {
                ::MessageBoxW(Window(), kDwordMessage, L"Registry Entry: Invalid value", MB_ICONERROR);
                return false;
            }
        } else {
            entry.text = data;
        }
    }
    entry_ = entry;
    return true;
}

void RegistryEntryDialog::Browse() {
    ComPtr<IUnknown> created;
    HRESULT hr = ::CoCreateInstance(CLSID_RegistryEntrySelector, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                                    created.PutVoid());
    const wchar_t* context = L"Failed to access the registry component.";
    ComPtr<IRegistryEntrySelector> selector;
    if (SUCCEEDED(hr)) {
        hr = created.QueryTo(selector.Put());
        context = L"Failed to access the registry entry selector.";
    }
    UniqueBstr key, value;
    long type = 0;
    if (SUCCEEDED(hr)) {
        UniqueBstr machine(::SysAllocString(source_.empty() ? L"" : (L"\\\\" + source_).c_str()));
        hr = selector->SelectEntry(machine.Get(), reinterpret_cast<LONG_PTR>(Window()), key.Put(), value.Put(), &type);
        context = L"Failed to access the registry selection.";
    }
    if (FAILED(hr)) {
        ShowErrorMessage(static_cast<DWORD>(hr), kEntryCaption, context, Window(), MB_ICONERROR);
        return;
    }
    if (hr != S_OK) return;  // cancelled
    const bool isValue = value && *value.Get();
    const int index = !isValue ? 0 : type == REG_DWORD ? 1 : 2;
    ::SendDlgItemMessageW(Window(), IDC_REG_TYPE, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    ApplyRules(true);
    ::SetDlgItemTextW(Window(), IDC_REG_KEY, key ? key.Get() : L"");
    if (isValue) ::SetDlgItemTextW(Window(), IDC_REG_VALUE, value.Get());
}

void RegistryEntryDialog::OnCommand(UINT id, UINT code, HWND control) {
    if (id == IDC_REG_TYPE && code == CBN_SELCHANGE) return ApplyRules(true);
    if (id == IDC_REG_ACTION && code == CBN_SELCHANGE) return ApplyRules(false);
    if (id == IDC_REG_KEY_BROWSE && code == BN_CLICKED) return Browse();
    if (id == IDOK && !Accept()) return;
    Dialog::OnCommand(id, code, control);
}

// --- assembly ------------------------------------------------------------------

HRESULT AddRegistryPages(RegistrySheet& sheet, ComputerListPage& computers) {
    RETURN_IF_FAILED(sheet.AddPage(std::make_unique<SearchMethodPage>(sheet)));
    RETURN_IF_FAILED(sheet.AddPage(std::make_unique<RegistryEntriesPage>(sheet, computers)));
    auto query = std::make_unique<OperationPage>(IDD_REG_QUERY, LoadText(IDS_REG_QUERY_TITLE), std::wstring());
    query->SetNextHook([&sheet] { return SUCCEEDED(sheet.StartMasterThread()) ? 0 : -1; });
    RETURN_IF_FAILED(sheet.AddPage(std::move(query)));
    RETURN_IF_FAILED(sheet.AddProgressPage());
    RETURN_IF_FAILED(sheet.AddPage(std::make_unique<RegistryResultsPage>(sheet)));
    RETURN_IF_FAILED(sheet.AddPage(std::make_unique<ModifyRegistryPage>(sheet, computers)));
    return sheet.AddProgressPage();
}

}  // namespace vantrel
