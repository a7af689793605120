#include "console/WizardShots.h"

#include "common/ComPtr.h"
#include "common/Dialog.h"
#include "console/Png.h"
#include "console/WindowSearch.h"
#include "console/WizardWalk.h"

#include <commctrl.h>
#include <prsht.h>

#include <functional>
#include <thread>

namespace console {
namespace {

constexpr int kNextButton = 0x3024;

const std::vector<const wchar_t*> kBoxTitles = {L"Error", L"Information", L"Selection required.",
                                                L"Local Users and Groups", L"Terminal Exception"};

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

}  // namespace

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
    return ReportWalk(walk, run.operation->title, run.folder, run.operation->name, hr, out);
}

}  // namespace console
