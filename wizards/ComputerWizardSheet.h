#pragma once
// The wizard sheet of the multiple-computer operations, without its job
// types: pages in order, progress pages from the common user-interface
// library registered in the global interface table, the master thread of
// each phase, the result lines and the summary. TvSheetComputerWizard adds
// the jobs of each phase.
//
// Threads: the sheet's window thread adds pages, shows them and starts the
// master threads; a master thread obtains its progress page from the table,
// reads the checked computers, runs its phase's manager and appends the
// result lines. Cancel (or closing the wizard) while a phase runs stops that
// phase's manager from outside; the wizard closes once its master thread has
// ended.
#include "Vantrel_h.h"
#include "common/ComPtr.h"
#include "common/CriticalSection.h"
#include "common/Handles.h"
#include "common/PropertySheetHost.h"
#include "common/ProgressPage.h"
#include "common/WorkerThread.h"
#include "wizards/ProgressPageLibrary.h"
#include "wizards/pages/WizardPage.h"

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace vantrel {

// One checked computer of the computer list: its name and, when the
// computers came as objects, its information.
struct ComputerTarget {
    UniqueBstr name;
    ComPtr<IBrevCompInfo> info;
};

// Reads the checked computers of the computer list, in table order, on the
// master thread. E_POINTER when there is no table; an empty list when no row
// is checked.
using ComputerCollector = std::function<HRESULT(std::vector<ComputerTarget>& computers)>;

// The texts of the master thread's failure boxes.
enum class MasterFailure { MasterThread, Marshaling, WaitUntilActive, SelectionLost };
const wchar_t* MasterFailureContext(MasterFailure failure) noexcept;
extern const wchar_t kTerminalExceptionText[];

class ComputerWizardSheet {
public:
    ComputerWizardSheet(HWND parent, std::wstring caption);
    // A sheet with its own flags and bitmaps (PSH_WATERMARK, ...).
    ComputerWizardSheet(HWND parent, std::wstring caption, DWORD flags, UINT headerBitmap, UINT watermarkBitmap);
    ComputerWizardSheet(const ComputerWizardSheet&) = delete;
    ComputerWizardSheet& operator=(const ComputerWizardSheet&) = delete;
    // Waits (dispatching messages) for a master thread still running, then
    // gives the progress pages' cookies back.
    virtual ~ComputerWizardSheet();

    // Appends a page; it is asked for its summary paragraph (all but the
    // last page, in order).
    HRESULT AddPage(std::unique_ptr<WizardPage> page);
    // Appends a progress page from the common library: E_FAIL when both exist,
    // the library's failure as it is, E_POINTER when the table cannot give the
    // page back.
    HRESULT AddProgressPage();
    void SetComputerCollector(ComputerCollector collector) { collector_ = std::move(collector); }

    // Next on the page before a progress page: E_FAIL for a third phase (and
    // nothing started), E_FAIL with the box when no thread can be made.
    HRESULT StartMasterThread();

    // Runs the wizard modally (modeless with PSH_MODELESS in `flags` of the
    // constructor's host, for tests); PropertySheetW's result.
    INT_PTR Run();

    // The summary the completion page shows.
    std::wstring Summary() const;
    // Result lines, phase 1 first (read once the phase is over).
    std::vector<std::wstring> ResultLines() const;
    int Phase() const noexcept { return phase_; }
    // How long a phase's manager waits for one of its workers before it
    // abandons the batch (60 s; benches and tests shorten it).
    void SetWaitTimeout(DWORD timeoutMs) noexcept { waitTimeout_ = timeoutMs; }
    DWORD WaitTimeout() const noexcept { return waitTimeout_; }
    HWND Window() const noexcept { return window_.load(); }
    size_t PageCount() const noexcept { return host_.PageCount(); }
    PropertySheetHost& Host() noexcept { return host_; }

protected:
    // One phase's steps 7 to 13 for the job type of `phase`: a new manager,
    // one job per computer, the results and the never-run jobs turned into
    // lines (through AppendLine).
    virtual HRESULT RunPhase(int phase, DWORD progressCookie, const std::vector<ComputerTarget>& computers) = 0;

    // A master thread's work for `phase`, in its apartment: obtains the
    // progress page, waits for it, reads the computers and runs the phase.
    // Sheets whose master works otherwise replace it whole.
    virtual HRESULT RunMaster(int phase);
    // The context of the box shown when no master thread can be started.
    virtual const wchar_t* StartFailureContext() const;

    // The global interface table and the progress page of `phase` in it (0
    // when there is none).
    IGlobalInterfaceTable* InterfaceTable() const noexcept { return table_.Get(); }
    DWORD ProgressCookie(int phase) const noexcept { return phase == 1 || phase == 2 ? cookies_[phase - 1] : 0; }
    const ComputerCollector& Collector() const noexcept { return collector_; }
    const std::wstring& Caption() const noexcept { return caption_; }
    // Whether the user cancelled (or closed the wizard) while a master ran.
    bool CancelRequested() const;

    // The manager of the running phase, for a cancel from the window thread;
    // the phase keeps its own reference. Returns false when a cancel came
    // first: the manager is then stopped before it starts.
    bool SetRunningManager(WorkerThread* manager);
    void AppendLine(std::wstring line);
    void ReserveLines(size_t more);

private:
    // What a master thread is started with: its sheet and the phase it runs.
    struct MasterStart {
        ComputerWizardSheet* sheet;
        int phase;
    };
    static unsigned __stdcall MasterThread(void* start);
    HRESULT StartJobProc(int phase);
    void EndMaster();
    void ShowMasterFailure(HRESULT code, MasterFailure failure) const;
    void ShowStartFailure() const;
    void OnSheetCreated(HWND sheet);
    static LRESULT CALLBACK SheetProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                           DWORD_PTR self);
    bool InterceptClose();
    void ReleaseCookie(DWORD& cookie);

    ProgressPageLibrary library_;  // before the host: its pages' code lives there
    PropertySheetHost host_;
    const std::wstring caption_;
    std::vector<WizardPage*> pages_;  // owned by host_, in page order
    ComputerCollector collector_;
    ComPtr<IGlobalInterfaceTable> table_;
    DWORD cookies_[2] = {0, 0};
    size_t progressPages_ = 0;
    int phase_ = 0;
    DWORD waitTimeout_ = 60000;
    std::atomic<HWND> window_{nullptr};  // the sheet window while it exists

    mutable CriticalSection lock_;  // guards the fields below
    std::vector<std::wstring> lines_;
    ComPtr<WorkerThread> runningManager_;
    bool cancelRequested_ = false;
    int runningMasters_ = 0;
    UniqueHandle masterEnded_;  // manual reset: set while no master thread runs
};

}  // namespace vantrel
