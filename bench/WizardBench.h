#pragma once
// What the wizard benches share: the sheet of a thread found, its page and
// Next button read, durations in seconds, one job timed alone and an
// operation wizard's phase run through its real sheet.
#include "wizards/OperationWizards.h"

#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace wizardbench {

using Clock = std::chrono::steady_clock;
constexpr int kNextButton = 0x3024;

inline double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

inline HWND CurrentPage(HWND sheet) {
    return reinterpret_cast<HWND>(::SendMessageW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
}
inline bool NextEnabled(HWND sheet) { return ::IsWindowEnabled(::GetDlgItem(sheet, kNextButton)) != FALSE; }

// The visible top-level window of `thread`: the wizard it runs.
inline HWND FindSheet(DWORD thread) {
    HWND found = nullptr;
    ::EnumThreadWindows(
        thread,
        [](HWND window, LPARAM param) -> BOOL {
            if (!::IsWindowVisible(window)) return TRUE;
            *reinterpret_cast<HWND*>(param) = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

// Waits up to 10 s for the sheet of `thread`; null when none showed.
inline HWND WaitForSheet(DWORD thread) {
    HWND sheet = nullptr;
    for (int i = 0; i < 400 && !sheet; ++i) {
        sheet = FindSheet(thread);
        if (!sheet) ::Sleep(25);
    }
    return sheet;
}

// Next on each of `pages` pages in turn, each time until the page changed.
inline void PressNext(HWND sheet, int pages) {
    for (int page = 0; page < pages; ++page) {
        HWND before = CurrentPage(sheet);
        ::PostMessageW(sheet, PSM_PRESSBUTTON, PSBTN_NEXT, 0);
        while (CurrentPage(sheet) == before) ::Sleep(5);
    }
}

// The mean time of one `Job` alone over `computer`, on a thread of its own
// as the manager runs it; `inspect` sees each job once it has executed.
template <typename Job, typename Inspect>
double SingleJobSeconds(const std::wstring& computer, int samples, Inspect inspect) {
    double total = 0;
    for (int i = 0; i < samples; ++i) {
        const Clock::time_point start = Clock::now();
        std::thread worker([&] {
            ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
            {
                Job job;
                job.computerName.Reset(::SysAllocString(computer.c_str()));
                job.Execute();
                inspect(job);
            }
            ::CoUninitialize();
        });
        worker.join();
        total += Seconds(Clock::now() - start);
    }
    return total / samples;
}

struct PhaseRun {
    double phaseSeconds = 0;
    std::vector<std::wstring> lines;
    bool ended = false;
};

// Runs the wizard of `operation` over `computers` (comma-separated) on this
// thread. A driver presses Next past the welcome, computer list and
// operation pages, times the phase (from the progress page's appearance
// until Next is offered again, at most `timeoutSeconds`), calling `poll`
// with the sheet between its looks at Next, then goes on to the end. A
// `waitMs` of 0 keeps the manager's own wait.
template <typename Poll>
PhaseRun RunOperationWizard(long operation, const std::wstring& computers, DWORD waitMs, unsigned timeoutSeconds,
                            Poll poll) {
    VARIANT value;
    value.vt = VT_BSTR;
    value.bstrVal = ::SysAllocString(computers.c_str());
    std::unique_ptr<vantrel::ComputerWizardSheet> wizard;
    const HRESULT hr = vantrel::BuildOperationWizard(operation, nullptr, &value, wizard);
    ::VariantClear(&value);
    PhaseRun run;
    if (FAILED(hr)) {
        std::fprintf(stderr, "wizard could not be built: 0x%08lX\n", static_cast<unsigned long>(hr));
        return run;
    }
    if (waitMs) wizard->SetWaitTimeout(waitMs);
    std::thread driver([&, ui = ::GetCurrentThreadId()] {
        HWND sheet = WaitForSheet(ui);
        if (!sheet) return;
        PressNext(sheet, 3);
        const Clock::time_point start = Clock::now();
        ::Sleep(100);  // the progress page takes Next away as it shows
        const Clock::time_point end = start + std::chrono::seconds(timeoutSeconds);
        while (!NextEnabled(sheet) && Clock::now() < end) poll(sheet);
        run.ended = NextEnabled(sheet);
        run.phaseSeconds = Seconds(Clock::now() - start);
        ::PostMessageW(sheet, PSM_PRESSBUTTON, run.ended ? PSBTN_NEXT : PSBTN_CANCEL, 0);
        ::Sleep(300);
        ::PostMessageW(sheet, PSM_PRESSBUTTON, PSBTN_FINISH, 0);
    });
    wizard->Run();
    driver.join();
    run.lines = wizard->ResultLines();
    return run;
}

}  // namespace wizardbench
