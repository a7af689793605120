#include "console/WizardShots.h"

#include "common/ComPtr.h"
#include "common/Dialog.h"
#include "console/Png.h"
#include "console/WindowSearch.h"

#include <commctrl.h>
#include <prsht.h>

#include <functional>
#include <thread>

namespace console {
namespace {

constexpr int kNextButton = 0x3024;

HWND CurrentPage(HWND sheet) { return reinterpret_cast<HWND>(::SendMessageW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0)); }

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

bool WaitFor(unsigned seconds, const std::function<bool()>& condition) {
    const ULONGLONG end = ::GetTickCount64() + seconds * 1000ull;
    while (!condition()) {
        if (::GetTickCount64() >= end) return false;
        ::Sleep(50);
    }
    return true;
}

struct Walk {
    std::vector<std::wstring> pictures;
    std::vector<std::wstring> messages;
    std::wstring summary;
    bool completed = false;
    std::wstring failure;
};

// Answers the message boxes the wizard shows (OK), noting their text.
void AnswerBoxes(HWND sheet, Walk& walk) {
    for (const wchar_t* title : {L"Error", L"Information", L"Selection required.", L"Local Users and Groups",
                                 L"Terminal Exception"}) {
        HWND box = FindWindowTitled(title);
        if (!box || box == sheet) continue;
        wchar_t text[2048] = L"";
        ::GetDlgItemTextW(box, 0xFFFF, text, 2048);
        walk.messages.push_back(std::wstring(title) + L": " + text);
        ::PostMessageW(box, WM_COMMAND, IDOK, 0);
    }
}

void Save(HWND sheet, const std::wstring& path, Walk& walk) {
    ::RedrawWindow(sheet, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME);
    ::Sleep(300);
    if (SaveWindowImage(sheet, path)) walk.pictures.push_back(path);
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
                    AnswerBoxes(sheet, walk);
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
            AnswerBoxes(sheet, walk);
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
    for (const std::wstring& path : walk.pictures) std::fwprintf(out, L"%ls\n", path.c_str());
    for (const std::wstring& message : walk.messages) std::fwprintf(out, L"message: %ls\n", message.c_str());
    if (!walk.completed) {
        std::fwprintf(stderr, L"vantrel-console: %ls: %ls (0x%08lX)\n", run.operation->title, walk.failure.c_str(),
                      static_cast<unsigned long>(hr));
        return 1;
    }
    const std::wstring summaryPath = run.folder + L"\\wizard-" + run.operation->name + L"-summary.txt";
    if (FILE* file = _wfopen(summaryPath.c_str(), L"wb")) {
        const unsigned char bom[] = {0xFF, 0xFE};
        std::fwrite(bom, 1, 2, file);
        std::fwrite(walk.summary.data(), sizeof(wchar_t), walk.summary.size(), file);
        std::fclose(file);
        std::fwprintf(out, L"%ls\n", summaryPath.c_str());
    }
    std::fwprintf(out, L"Summary of the %ls:\n%ls\n", run.operation->title, walk.summary.c_str());
    return 0;
}

}  // namespace console
