#include "console/WizardShots.h"

#include "common/ComPtr.h"
#include "common/Dialog.h"
#include "console/Png.h"
#include "console/WindowSearch.h"
#include "console/WizardWalk.h"

#include <commctrl.h>
#include <prsht.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <functional>
#include <sstream>
#include <thread>

namespace console {
namespace {

constexpr int kNextButton = 0x3024;

const std::vector<const wchar_t*> kBoxTitles = {L"Error", L"Information", L"Selection required.",
                                                L"Local Users and Groups", L"Terminal Exception",
                                                L"Manage Registry Entries", L"File Error"};

// The page's edit controls with the given style bit, in tab order.
std::vector<HWND> EditsWithStyle(HWND page, LONG style) {
    std::vector<HWND> edits;
    for (HWND child = ::GetWindow(page, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        wchar_t kind[16] = L"";
        ::GetClassNameW(child, kind, 16);
        if (_wcsicmp(kind, L"Edit") == 0 && (::GetWindowLongW(child, GWL_STYLE) & style) == style) edits.push_back(child);
    }
    return edits;
}

// The page's check boxes.
std::vector<HWND> CheckBoxes(HWND page) {
    std::vector<HWND> boxes;
    for (HWND child = ::GetWindow(page, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        wchar_t kind[16] = L"";
        ::GetClassNameW(child, kind, 16);
        const LONG type = ::GetWindowLongW(child, GWL_STYLE) & BS_TYPEMASK;
        if (_wcsicmp(kind, L"Button") == 0 && (type == BS_AUTOCHECKBOX || type == BS_CHECKBOX)) boxes.push_back(child);
    }
    return boxes;
}

// The page's child windows of a class (and with `style` bits), in order.
std::vector<HWND> Children(HWND parent, const wchar_t* kind, LONG style = 0) {
    std::vector<HWND> found;
    for (HWND child = ::GetWindow(parent, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        wchar_t name[32] = L"";
        ::GetClassNameW(child, name, 32);
        if (_wcsicmp(name, kind) == 0 && (::GetWindowLongW(child, GWL_STYLE) & style) == style) found.push_back(child);
    }
    return found;
}

HWND ButtonTitled(HWND parent, const wchar_t* text) {
    for (HWND button : Children(parent, L"Button")) {
        if (vantrel::WindowText(button) == text) return button;
    }
    return nullptr;
}

void Press(HWND page, HWND button) {
    ::PostMessageW(page, WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(button), BN_CLICKED), reinterpret_cast<LPARAM>(button));
}

void Choose(HWND dialog, HWND combo, int index) {
    ::SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    ::SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(combo), CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
}

std::wstring TreeText(HWND tree, HTREEITEM item) {
    wchar_t text[300] = L"";
    TVITEMW data{};
    data.mask = TVIF_TEXT;
    data.hItem = item;
    data.pszText = text;
    data.cchTextMax = 300;
    ::SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&data));
    return text;
}

// Opens the entry selector from the Registry Entry dialog, walks its tree
// down to the entry's key, selects the entry's value, saves a picture and
// cancels (the dialog keeps what was typed).
void PictureSelector(HWND dialog, const EntryLine& entry, const std::wstring& prefix, Walk& walk) {
    HWND browse = ButtonTitled(dialog, L"&Browse...");
    if (!browse) return;
    Press(dialog, browse);
    HWND selector = nullptr;
    if (!WaitFor(10, [&] { return (selector = FindWindowTitled(L"Select Registry Entry")) != nullptr; })) return;
    const std::vector<HWND> trees = Children(selector, WC_TREEVIEWW);
    const std::vector<HWND> lists = Children(selector, WC_LISTVIEWW);
    if (!trees.empty()) {
        std::vector<std::wstring> names;
        size_t start = 0;
        for (;;) {
            const size_t slash = entry.key.find(L'\\', start);
            names.push_back(entry.key.substr(start, slash == std::wstring::npos ? slash : slash - start));
            if (slash == std::wstring::npos) break;
            start = slash + 1;
        }
        if (names[0] == L"HKLM") names[0] = L"HKEY_LOCAL_MACHINE";
        if (names[0] == L"HKU") names[0] = L"HKEY_USERS";
        HWND tree = trees[0];
        HTREEITEM item = TreeView_GetRoot(tree);
        for (size_t i = 0; i < names.size() && item; ++i) {
            while (item && _wcsicmp(TreeText(tree, item).c_str(), names[i].c_str()) != 0)
                item = TreeView_GetNextSibling(tree, item);
            if (!item) break;
            TreeView_SelectItem(tree, item);
            TreeView_Expand(tree, item, TVE_EXPAND);
            if (i + 1 < names.size()) item = TreeView_GetChild(tree, item);
        }
    }
    if (!lists.empty()) {
        LVFINDINFOW find{};
        find.flags = LVFI_STRING;
        find.psz = entry.value.c_str();
        const int row = static_cast<int>(::SendMessageW(lists[0], LVM_FINDITEMW, static_cast<WPARAM>(-1),
                                                        reinterpret_cast<LPARAM>(&find)));
        if (row >= 0) {
            LVITEMW state{};
            state.stateMask = state.state = LVIS_SELECTED | LVIS_FOCUSED;
            ::SendMessageW(lists[0], LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&state));
        }
    }
    ::SetFocus(trees.empty() ? selector : trees[0]);
    ::Sleep(300);
    if (SaveWindowImage(selector, prefix + L"entry-selector.png")) walk.pictures.push_back(prefix + L"entry-selector.png");
    ::PostMessageW(selector, WM_COMMAND, IDCANCEL, 0);
    WaitFor(10, [&] { return !::IsWindow(selector); });
}

// The pages of the Manage Registry Entries Wizard that need more than Next:
// the method, the entries (added through the Registry Entry dialog, the
// first one photographed) and the Modify registries box.
void FillRegistryPage(const WizardRun& run, HWND sheet, HWND page, const std::wstring& prefix, Walk& walk) {
    if (HWND fileChoice = ButtonTitled(page, L"S&pecify a registry file (file extension .reg)")) {
        if (run.regFile.empty()) return;
        ::SendMessageW(fileChoice, BM_CLICK, 0, 0);
        const std::vector<HWND> edits = Children(page, L"Edit");
        if (!edits.empty()) ::SetWindowTextW(edits[0], run.regFile.c_str());
        return;
    }
    if (HWND modify = ButtonTitled(page, L"&Modify registries")) {
        ::SendMessageW(modify, BM_SETCHECK, BST_CHECKED, 0);
        return;
    }
    HWND add = ButtonTitled(page, L"&Add");
    if (!add || run.entriesFile.empty()) return;
    // The file is UTF-8.
    std::ifstream in(run.entriesFile.c_str(), std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::wstring text(bytes.size(), L'\0');
    const int length = bytes.empty() ? 0
                                     : ::MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()),
                                                             text.data(), static_cast<int>(text.size()));
    text.resize(static_cast<size_t>(length > 0 ? length : 0));
    std::vector<EntryLine> entries;
    size_t badLine = 0;
    if (!ParseEntryLines(text, entries, badLine)) {
        walk.failure = L"the entries file is not readable (line " + std::to_wstring(badLine) + L")";
        return;
    }
    bool pictured = false;
    for (const EntryLine& entry : entries) {
        Press(page, add);
        HWND dialog = nullptr;
        if (!WaitFor(10, [&] { return (dialog = FindWindowTitled(L"Registry Entry")) != nullptr; })) {
            walk.failure = L"the Registry Entry dialog did not appear";
            return;
        }
        const std::vector<HWND> combos = Children(dialog, L"ComboBox");
        const std::vector<HWND> edits = Children(dialog, L"Edit");
        if (combos.size() < 2 || edits.size() < 3) return;
        Choose(dialog, combos[0], entry.type);
        ::SetWindowTextW(edits[0], entry.key.c_str());
        ::SetWindowTextW(edits[1], entry.value.c_str());
        Choose(dialog, combos[1], entry.testData ? 1 : 0);
        ::SetWindowTextW(edits[2], entry.data.c_str());
        // The first entry that tests data is pictured, and so is the entry
        // selector opened from it on the entry's key.
        if (!pictured && entry.testData) {
            PictureSelector(dialog, entry, prefix, walk);
            ::Sleep(300);
            if (SaveWindowImage(dialog, prefix + L"entry-dialog.png")) walk.pictures.push_back(prefix + L"entry-dialog.png");
            pictured = true;
        }
        ::PostMessageW(dialog, WM_COMMAND, IDOK, 0);
        WaitFor(10, [&] { return !::IsWindow(dialog); });
    }
    (void)sheet;
}

// On its own thread while the wizard runs modally on the caller's.
void WalkWizard(const WizardRun& run, Walk& walk) {
    HWND sheet = nullptr;
    WaitFor(20, [&] { return (sheet = FindWindowTitled(run.operation->title)) != nullptr; });
    if (!sheet) {
        walk.failure = L"the wizard did not appear";
        return;
    }
    const std::wstring prefix = run.folder + L"\\wizard-" + run.operation->name + L"-";
    for (int step = 1; step <= 12 && ::IsWindow(sheet); ++step) {
        HWND page = CurrentPage(sheet);
        // The progress page (it holds a progress bar) offers Next when its
        // phase is over.
        if (::FindWindowExW(page, nullptr, PROGRESS_CLASSW, nullptr)) {
            ::Sleep(500);
            Save(sheet, prefix + std::to_wstring(step) + L"-running.png", walk);
            if (!WaitFor(run.timeoutSeconds, [&] {
                    AnswerBoxes(sheet, walk, kBoxTitles);
                    return ::IsWindowEnabled(::GetDlgItem(sheet, kNextButton)) != FALSE;
                })) {
                walk.failure = L"the run did not end in time";
                ::PostMessageW(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
                return;
            }
        }
        const std::vector<HWND> passwords = EditsWithStyle(page, ES_PASSWORD);
        for (HWND field : passwords) ::SetWindowTextW(field, run.password.c_str());
        if (run.checkBoxes) {
            for (HWND box : CheckBoxes(page)) {
                ::SendMessageW(box, BM_SETCHECK, BST_CHECKED, 0);
            }
        }
        FillRegistryPage(run, sheet, page, prefix, walk);
        if (!walk.failure.empty()) {
            ::PostMessageW(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
            return;
        }
        Save(sheet, prefix + std::to_wstring(step) + L".png", walk);
        const std::vector<HWND> summaries = EditsWithStyle(page, ES_MULTILINE | ES_READONLY);
        if (!summaries.empty()) {
            walk.summary = vantrel::WindowText(summaries[0]);
            walk.completed = true;
            ::PostMessageW(sheet, PSM_PRESSBUTTON, PSBTN_FINISH, 0);
            return;
        }
        ::PostMessageW(sheet, PSM_PRESSBUTTON, PSBTN_NEXT, 0);
        const bool moved = WaitFor(10, [&] {
            AnswerBoxes(sheet, walk, kBoxTitles);
            return CurrentPage(sheet) != page;
        });
        if (!moved) {
            walk.failure = L"Next did not leave the page";
            ::PostMessageW(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
            return;
        }
    }
    walk.failure = L"the wizard has more pages than expected";
    ::PostMessageW(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
}

// The result file of the first computer whose registry did not comply (the
// query writes one per computer into the temporary directory, UTF-16).
void PrintResultFile(const WizardRun& run, std::FILE* out) {
    wchar_t folder[MAX_PATH + 1] = L"";
    if (!::GetTempPathW(MAX_PATH + 1, folder)) return;
    for (const ComputerChoice& computer : run.computers) {
        const std::wstring path = std::wstring(folder) + computer.name + L".txt";
        std::ifstream in(path.c_str(), std::ios::binary);
        if (!in) continue;
        const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        std::wstring text(bytes.size() / 2, L'\0');
        std::memcpy(text.data(), bytes.data(), text.size() * sizeof(wchar_t));
        if (text.find(L"comply with your specification") != std::wstring::npos ||
            text.find(L"is compliant with the registry file") != std::wstring::npos)
            continue;
        std::wstring lines;
        for (wchar_t c : text) {
            if (c != L'\r') lines.push_back(c);
        }
        std::fwprintf(out, L"Result file %ls:\n%ls\n", path.c_str(), lines.c_str());
        return;
    }
}

}  // namespace

bool ParseEntryLines(const std::wstring& text, std::vector<EntryLine>& entries, size_t& badLine) {
    entries.clear();
    std::wistringstream lines(text);
    std::wstring line;
    size_t number = 0;
    while (std::getline(lines, line)) {
        ++number;
        if (!line.empty() && line.back() == L'\r') line.pop_back();
        if (line.empty() || line[0] == L'#') continue;
        std::vector<std::wstring> fields;
        size_t start = 0;
        for (;;) {
            const size_t tab = line.find(L'\t', start);
            fields.push_back(line.substr(start, tab == std::wstring::npos ? tab : tab - start));
            if (tab == std::wstring::npos) break;
            start = tab + 1;
        }
        EntryLine entry;
        const std::wstring& kind = fields[0];
        entry.type = kind == L"key" ? 0 : kind == L"dword" ? 1 : kind == L"string" ? 2 : -1;
        const size_t wanted = entry.type == 0 ? 2 : 3;
        if (entry.type < 0 || fields.size() < wanted || fields.size() > wanted + 1 || fields[1].empty()) {
            badLine = number;
            return false;
        }
        entry.key = fields[1];
        if (entry.type != 0) entry.value = fields[2];
        if (fields.size() == wanted + 1) {
            entry.testData = true;
            entry.data = fields[wanted];
        }
        entries.push_back(entry);
    }
    return true;
}

int CaptureWizard(const WizardRun& run, std::FILE* out) {
    VARIANT computers;
    HRESULT hr = ComputersFromList(run.computers, &computers);
    vantrel::ComPtr<IMultiComputerOp> wizard;
    if (SUCCEEDED(hr)) hr = PrepareOperationWizard(nullptr, run.operation->type, computers, wizard.Put());
    ::VariantClear(&computers);
    if (FAILED(hr)) {
        std::fwprintf(stderr, L"vantrel-console: the %ls could not be created (0x%08lX)\n", run.operation->title,
                      static_cast<unsigned long>(hr));
        return 1;
    }
    Walk walk;
    std::thread walker(WalkWizard, std::cref(run), std::ref(walk));
    hr = wizard->Start();
    walker.join();
    const int rc = ReportWalk(walk, run.operation->title, run.folder, run.operation->name, hr, out);
    if (rc == 0 && run.operation->type == MCO_VALIDATE_REGISTRY_ENTRIES) PrintResultFile(run, out);
    return rc;
}

}  // namespace console
