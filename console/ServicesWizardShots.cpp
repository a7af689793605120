#include "console/ServicesWizardShots.h"

#include "Vantrel_h.h"
#include "common/ComPtr.h"
#include "common/Dialog.h"
#include "console/Png.h"
#include "console/WindowSearch.h"
#include "console/WizardWalk.h"
#include "console/WizardLauncher.h"

#include <commctrl.h>
#include <prsht.h>

#include <functional>
#include <thread>

namespace console {
namespace {

constexpr int kNextButton = 0x3024;
constexpr wchar_t kTitle[] = L"Manage Services Wizard";
constexpr UINT kCheckCommand = 32784;  // the selection lists' "Check" menu entry

const std::vector<const wchar_t*> kBoxTitles = {L"Error", L"Warning", L"Information", L"Selection required."};

// A page's control of class `kind` whose text, without its "&", is `text`.
HWND ChildNamed(HWND page, const wchar_t* kind, const std::wstring& text) {
    for (HWND child = ::GetWindow(page, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        wchar_t name[32] = L"";
        ::GetClassNameW(child, name, 32);
        if (_wcsicmp(name, kind) != 0) continue;
        std::wstring shown = vantrel::WindowText(child);
        std::wstring plain;
        for (wchar_t c : shown)
            if (c != L'&') plain += c;
        if (text.empty() || _wcsicmp(plain.c_str(), text.c_str()) == 0) return child;
    }
    return nullptr;
}

void Click(HWND page, const std::wstring& text) {
    if (HWND button = ChildNamed(page, L"Button", text)) ::SendMessageW(button, BM_CLICK, 0, 0);
}

std::wstring ItemText(HWND list, int item) {
    wchar_t text[512] = L"";
    LVITEMW request{};
    request.pszText = text;
    request.cchTextMax = 512;
    ::SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&request));
    return text;
}

void SetItemState(HWND list, int item, UINT state, UINT mask) {
    LVITEMW change{};
    change.state = state;
    change.stateMask = mask;
    ::SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&change));
}

// Selects the items `wanted` names (the first focused); how many there were.
size_t SelectItems(HWND list, const std::vector<std::wstring>& wanted) {
    SetItemState(list, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    const int count = static_cast<int>(::SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    size_t found = 0;
    for (int item = 0; item < count; ++item) {
        const std::wstring text = ItemText(list, item);
        for (const std::wstring& name : wanted) {
            if (_wcsicmp(text.c_str(), name.c_str()) != 0) continue;
            SetItemState(list, item, LVIS_SELECTED | (found == 0 ? LVIS_FOCUSED : 0u),
                         LVIS_SELECTED | (found == 0 ? LVIS_FOCUSED : 0u));
            ++found;
        }
    }
    return found;
}

// Fills in the page the way the run asks; `index` is its place in the sheet.
void FillPage(const ServicesWizardRun& run, HWND page, int index, Walk& walk) {
    HWND list = ChildNamed(page, WC_LISTVIEWW, L"");
    switch (index) {
    case 1:  // computers: the source
        if (list && SelectItems(list, {run.source.empty() ? run.computers.front() : run.source}) == 1)
            Click(page, L"Set");
        break;
    case 2:  // services
        if (list && SelectItems(list, run.services) > 0) ::SendMessageW(page, WM_COMMAND, kCheckCommand, 0);
        break;
    case 3:  // log on
        if (run.localSystem) {
            Click(page, L"Local System Account");
        } else if (!run.account.empty()) {
            Click(page, L"This account:");
            HWND edit = ::GetWindow(page, GW_CHILD);
            std::vector<HWND> edits;
            for (; edit; edit = ::GetWindow(edit, GW_HWNDNEXT)) {
                wchar_t name[16] = L"";
                ::GetClassNameW(edit, name, 16);
                if (_wcsicmp(name, L"Edit") == 0) edits.push_back(edit);
            }
            if (edits.size() == 3) {
                ::SetWindowTextW(edits[0], run.account.c_str());
                ::SetWindowTextW(edits[1], run.password.c_str());
                ::SetWindowTextW(edits[2], run.password.c_str());
            }
        }
        break;
    case 4:  // startup
        if (!run.startup.empty()) {
            if (HWND combo = ChildNamed(page, WC_COMBOBOXW, L"")) {
                const LRESULT at = ::SendMessageW(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                                  reinterpret_cast<LPARAM>(run.startup.c_str()));
                if (at == CB_ERR) walk.messages.push_back(L"no startup type " + run.startup);
                else ::SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(at), 0);
            }
        }
        if (run.stop) Click(page, L"Stop each selected service");
        if (run.start) Click(page, L"Start each selected service");
        if (run.dependents) Click(page, L"Apply the selected control operation to all dependent services.");
        break;
    default:
        break;
    }
}

void WalkWizard(const ServicesWizardRun& run, Walk& walk) {
    HWND sheet = nullptr;
    WaitFor(20, [&] { return (sheet = FindWindowTitled(kTitle)) != nullptr; });
    if (!sheet) {
        walk.failure = L"the wizard did not appear";
        return;
    }
    const std::wstring prefix = run.folder + L"\\wizard-services-";
    for (int step = 1; step <= 12 && ::IsWindow(sheet); ++step) {
        HWND page = CurrentPage(sheet);
        const int index =
            static_cast<int>(::SendMessageW(sheet, PSM_HWNDTOINDEX, reinterpret_cast<WPARAM>(page), 0));
        if (::FindWindowExW(page, nullptr, PROGRESS_CLASSW, nullptr)) {
            ::Sleep(300);
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
        FillPage(run, page, index, walk);
        Save(sheet, prefix + std::to_wstring(step) + L".png", walk);
        if (HWND box = SummaryBox(page)) {
            walk.summary = vantrel::WindowText(box);
            walk.completed = true;
            ::PostMessageW(sheet, PSM_PRESSBUTTON, PSBTN_FINISH, 0);
            return;
        }
        ::PostMessageW(sheet, PSM_PRESSBUTTON, PSBTN_NEXT, 0);
        const bool moved = WaitFor(20, [&] {
            AnswerBoxes(sheet, walk, kBoxTitles);
            return CurrentPage(sheet) != page;
        });
        if (!moved) {
            walk.failure = L"Next did not leave the page";
            AnswerBoxes(sheet, walk, kBoxTitles);
            ::PostMessageW(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
            return;
        }
    }
    walk.failure = L"the wizard has more pages than expected";
    ::PostMessageW(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
}

}  // namespace

bool ParseServicesWizardArgument(const std::vector<std::wstring>& words, size_t& index, ServicesWizardRun& run,
                                 std::wstring& error) {
    const std::wstring& word = words[index];
    const bool hasValue = index + 1 < words.size();
    auto value = [&]() -> const std::wstring& { return words[++index]; };
    if (word == L"--stop") run.stop = true;
    else if (word == L"--start") run.start = true;
    else if (word == L"--dependents") run.dependents = true;
    else if (word == L"--local-system") run.localSystem = true;
    else if (word == L"--source" && hasValue) run.source = value();
    else if (word == L"--service" && hasValue) run.services.push_back(value());
    else if (word == L"--account" && hasValue) run.account = value();
    else if (word == L"--startup" && hasValue) {
        run.startup = value();
        if (run.startup != L"Automatic" && run.startup != L"Manual" && run.startup != L"Disabled") {
            error = L"--startup takes Automatic, Manual or Disabled";
            return false;
        }
    } else {
        error = L"unknown argument " + word;
        return false;
    }
    if (run.localSystem && !run.account.empty()) {
        error = L"--account and --local-system exclude each other";
        return false;
    }
    return true;
}

int CaptureServicesWizard(const ServicesWizardRun& run, std::FILE* out) {
    if (run.computers.empty() || run.services.empty()) {
        std::fwprintf(stderr, L"vantrel-console: the services wizard needs computers and --service NAME\n");
        return 2;
    }
    std::wstring names;
    for (const std::wstring& name : run.computers) names += (names.empty() ? L"" : L",") + name;
    VARIANT computers;
    HRESULT hr = ComputersFromText(names, &computers);
    vantrel::ComPtr<IMngSvcsWizard> wizard;
    if (SUCCEEDED(hr))
        hr = ::CoCreateInstance(CLSID_MngSvcsWizard, nullptr, CLSCTX_INPROC_SERVER, IID_IMngSvcsWizard,
                                wizard.PutVoid());
    // Create first: the computers go to the sheet it builds.
    if (SUCCEEDED(hr)) hr = wizard->Create(0);
    if (SUCCEEDED(hr)) hr = wizard->put_Computers(&computers);
    ::VariantClear(&computers);
    if (FAILED(hr)) {
        std::fwprintf(stderr, L"vantrel-console: the %ls could not be created (0x%08lX)\n", kTitle,
                      static_cast<unsigned long>(hr));
        return 1;
    }
    Walk walk;
    std::thread walker(WalkWizard, std::cref(run), std::ref(walk));
    hr = wizard->Start();
    walker.join();
    return ReportWalk(walk, kTitle, run.folder, L"services", hr, out);
}

}  // namespace console
