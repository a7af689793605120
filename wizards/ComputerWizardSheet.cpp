#include "wizards/ComputerWizardSheet.h"

#include "common/ErrorText.h"
#include "common/ModuleState.h"
#include "common/Result.h"
#include "wizards/ResultReport.h"

#include <commctrl.h>
#include <process.h>

#include <exception>
#include <memory>
#include <new>

namespace vantrel {
namespace {

// Posted to the sheet window by a master thread that has ended.
constexpr UINT kMasterEnded = WM_APP + 0x65;
constexpr UINT_PTR kSheetSubclass = 0x56574953;  // the sheet's close guard
constexpr ULONG kCheckedState = 0x2000;

}  // namespace

const wchar_t kTerminalExceptionText[] =
    L"A terminal exception has occurred in \"TvSheetComputerWizard<Job1Type, Job2Type>::StartJobProc\".\r\n"
    L"Please include this information when contacting customer support.";

const wchar_t* MasterFailureContext(MasterFailure failure) noexcept {
    switch (failure) {
    case MasterFailure::MasterThread:
        return L"Failed to start the master thread.Your system may not have sufficient memory available\r\n"
               L"Resolution: please verify that you system has sufficient resources.\r\n"
               L"   If the problem persists please contact customer support.";
    case MasterFailure::Marshaling:
        return L"Class: TvSheetComputerWizard\r\nMethod: StartJobProc\r\n"
               L"Context: marshaling error, IProgressPage interface.\r\n"
               L"Resolution: Please report this incident to customer support.";
    case MasterFailure::WaitUntilActive:
        return L"Class: TvSheetComputerWizard\r\nMethod: StartJobProc\r\n"
               L"Context: IProgressPage::WaitUntilActive.\r\n"
               L"Resolution: Please report this incident to customer support.";
    case MasterFailure::SelectionLost:
        return L"Class: TvSheetComputerWizard\r\nMethod: StartJobProc\r\n"
               L"Context: Memory error, the computer selection record has been lost.\r\n"
               L"Resolution: Please report this incident to customer support.";
    }
    return L"";
}

ComputerWizardSheet::ComputerWizardSheet(HWND parent, std::wstring caption)
    : host_(parent, 0, PSH_WIZARD97 | PSH_HEADER),
      caption_(std::move(caption)),
      masterEnded_(::CreateEventW(nullptr, TRUE, TRUE, nullptr)) {
    host_.SetCaption(caption_);
    host_.SetInitializedHook([this](HWND sheet) { OnSheetCreated(sheet); });
}

ComputerWizardSheet::ComputerWizardSheet(HWND parent, std::wstring caption, DWORD flags, UINT headerBitmap,
                                         UINT watermarkBitmap)
    : host_(parent, 0, flags, headerBitmap, watermarkBitmap),
      caption_(std::move(caption)),
      masterEnded_(::CreateEventW(nullptr, TRUE, TRUE, nullptr)) {
    host_.SetCaption(caption_);
    host_.SetInitializedHook([this](HWND sheet) { OnSheetCreated(sheet); });
}

const wchar_t* ComputerWizardSheet::StartFailureContext() const {
    return MasterFailureContext(MasterFailure::MasterThread);
}

void ComputerWizardSheet::ShowStartFailure() const {
    HWND window = window_.load();
    ShowErrorMessage(static_cast<DWORD>(E_FAIL), L"Error", StartFailureContext(),
                     window && ::IsWindow(window) ? window : nullptr, MB_ICONERROR);
}

bool ComputerWizardSheet::CancelRequested() const {
    CriticalSectionEntry entry(lock_);
    return cancelRequested_;
}

ComputerWizardSheet::~ComputerWizardSheet() {
    // A master thread works on this sheet until it has ended. One that waits
    // for a progress page of a sheet that never ran ends once the page goes.
    host_.DestroyUnrunPages();
    if (masterEnded_) WaitPumpingFor(masterEnded_.Get(), INFINITE);
    for (DWORD& cookie : cookies_) ReleaseCookie(cookie);
}

void ComputerWizardSheet::ReleaseCookie(DWORD& cookie) {
    if (cookie != 0 && table_) table_->RevokeInterfaceFromGlobal(cookie);
    cookie = 0;
}

HRESULT ComputerWizardSheet::AddPage(std::unique_ptr<WizardPage> page) {
    if (!page) return S_FALSE;
    WizardPage* added = page.get();
    // Every page keeps the wizard's caption (some platforms put each page's
    // template caption into the title bar otherwise).
    if (added->Title().empty()) added->SetTitle(caption_);
    RETURN_IF_FAILED(host_.AddPage(std::move(page)));
    pages_.push_back(added);
    return S_OK;
}

HRESULT ComputerWizardSheet::AddProgressPage() {
    if (progressPages_ >= 2) RETURN_HR(E_FAIL);
    HPROPSHEETPAGE handle = nullptr;
    ComPtr<IProgressPage> progress;
    const HRESULT created = library_.CreatePage(&handle, progress.Put());
    if (FAILED(created)) return created;
    host_.AddPageHandle(handle);
    DWORD& cookie = cookies_[progressPages_++];
    ReleaseCookie(cookie);
    if (!table_) {
        RETURN_IF_FAILED(::CoCreateInstance(CLSID_StdGlobalInterfaceTable, nullptr, CLSCTX_INPROC_SERVER,
                                            IID_IGlobalInterfaceTable, table_.PutVoid()));
    }
    RETURN_IF_FAILED(table_->RegisterInterfaceInGlobal(progress.Get(), IID_IProgressPage, &cookie));
    ComPtr<IProgressPage> back;
    if (FAILED(table_->GetInterfaceFromGlobal(cookie, IID_IProgressPage, back.PutVoid())) || !back)
        RETURN_HR(E_POINTER);
    return S_OK;
}

HRESULT ComputerWizardSheet::StartMasterThread() {
    if (++phase_ > 2) RETURN_HR(E_FAIL);
    // The thread's own copy of what it works on; it takes the ownership.
    auto start = std::unique_ptr<MasterStart>(new (std::nothrow) MasterStart{this, phase_});
    if (!start) {
        ShowStartFailure();
        RETURN_HR(E_FAIL);
    }
    {
        CriticalSectionEntry entry(lock_);
        if (runningMasters_++ == 0) ::ResetEvent(masterEnded_.Get());
        cancelRequested_ = false;
    }
    module::Lock();  // released by the master thread as it ends
    const uintptr_t thread = ::_beginthreadex(nullptr, 0, &ComputerWizardSheet::MasterThread, start.get(), 0, nullptr);
    if (thread == 0) {
        module::Unlock();
        EndMaster();
        ShowStartFailure();
        RETURN_HR(E_FAIL);
    }
    start.release();  // the thread owns it now
    ::CloseHandle(reinterpret_cast<HANDLE>(thread));  // not waited for
    return S_OK;
}

void ComputerWizardSheet::EndMaster() {
    CriticalSectionEntry entry(lock_);
    if (--runningMasters_ == 0) ::SetEvent(masterEnded_.Get());
}

unsigned __stdcall ComputerWizardSheet::MasterThread(void* argument) {
    const std::unique_ptr<MasterStart> start(static_cast<MasterStart*>(argument));
    ComputerWizardSheet* self = start->sheet;
    HRESULT result;
    try {
        result = self->StartJobProc(start->phase);
    } catch (...) {
        ShowErrorMessage(static_cast<DWORD>(E_UNEXPECTED), L"Terminal Exception", kTerminalExceptionText, nullptr,
                         MB_ICONERROR);
        result = E_UNEXPECTED;
    }
    // Whatever the way out: the wizard offers Next, and the sheet may close.
    HWND window = self->window_.load();
    bool closePending;
    {
        CriticalSectionEntry entry(self->lock_);
        self->runningManager_.Reset();
        closePending = self->cancelRequested_;
    }
    if (window) {
        ::PostMessageW(window, PSM_SETWIZBUTTONS, 0, PSWIZB_NEXT);
        if (closePending) ::PostMessageW(window, kMasterEnded, 0, 0);
    }
    self->EndMaster();  // the last touch of the sheet
    module::Unlock();
    return static_cast<unsigned>(result);
}

HRESULT ComputerWizardSheet::StartJobProc(int phase) {
    ComApartment apartment(COINIT_APARTMENTTHREADED);
    return RunMaster(phase);
}

void ComputerWizardSheet::ShowMasterFailure(HRESULT code, MasterFailure failure) const {
    // No box once the wizard has gone.
    HWND window = window_.load();
    HWND owner = window && ::IsWindow(window) ? window : nullptr;
    if (failure != MasterFailure::MasterThread && !owner) return;
    ShowErrorMessage(static_cast<DWORD>(code), L"Error", MasterFailureContext(failure), owner, MB_ICONERROR);
}

HRESULT ComputerWizardSheet::RunMaster(int phase) {
    if (phase != 1 && phase != 2) {
        const HRESULT code = phase > 2 ? E_INVALIDARG : E_POINTER;
        ShowMasterFailure(code, MasterFailure::Marshaling);
        return code;
    }
    const DWORD cookie = cookies_[phase - 1];
    ComPtr<IProgressPage> page;
    if (!table_ || cookie == 0 || FAILED(table_->GetInterfaceFromGlobal(cookie, IID_IProgressPage, page.PutVoid())) ||
        !page) {
        ShowMasterFailure(E_POINTER, MasterFailure::Marshaling);
        return E_POINTER;
    }
    const HRESULT active = page->WaitUntilActive(INFINITE);
    if (FAILED(active)) {
        ShowMasterFailure(active, MasterFailure::WaitUntilActive);
        return active;
    }
    // The progress page is not ours: keep the wizard's caption on it too.
    if (HWND window = window_.load()) ::PostMessageW(window, PSM_SETTITLEW, 0, reinterpret_cast<LPARAM>(caption_.c_str()));
    UniqueBstr status(::SysAllocString(L"Processing jobs"));
    page->SetStatusText(status.Get());

    std::vector<ComputerTarget> computers;
    const HRESULT collected = collector_ ? collector_(computers) : E_POINTER;
    if (FAILED(collected) || computers.empty()) {
        ShowMasterFailure(E_INVALIDARG, MasterFailure::SelectionLost);
        return E_INVALIDARG;
    }
    page->SetStepCount(static_cast<long>(computers.size()));
    const HRESULT ran = RunPhase(phase, cookie, computers);
    page.Reset();
    return ran;
}

bool ComputerWizardSheet::SetRunningManager(WorkerThread* manager) {
    CriticalSectionEntry entry(lock_);
    runningManager_ = ComPtr<WorkerThread>(manager);
    if (cancelRequested_ && manager) {
        manager->SignalStop(0);
        return false;
    }
    return true;
}

void ComputerWizardSheet::AppendLine(std::wstring line) {
    CriticalSectionEntry entry(lock_);
    lines_.push_back(std::move(line));
}

void ComputerWizardSheet::ReserveLines(size_t more) {
    CriticalSectionEntry entry(lock_);
    lines_.reserve(lines_.size() + more);
}

std::vector<std::wstring> ComputerWizardSheet::ResultLines() const {
    CriticalSectionEntry entry(lock_);
    return lines_;
}

std::wstring ComputerWizardSheet::Summary() const {
    std::vector<std::wstring> texts;
    for (size_t i = 0; i + 1 < pages_.size(); ++i) texts.push_back(pages_[i]->SummaryText());
    return ComposeSummary(texts, ResultLines());
}

INT_PTR ComputerWizardSheet::Run() { return host_.Run(); }

void ComputerWizardSheet::OnSheetCreated(HWND sheet) {
    window_ = sheet;
    ::SetWindowSubclass(sheet, &ComputerWizardSheet::SheetProcedure, kSheetSubclass,
                        reinterpret_cast<DWORD_PTR>(this));
}

// While a phase runs, Cancel and closing the window stop its manager and wait:
// the wizard closes when the master thread reports its end.
bool ComputerWizardSheet::InterceptClose() {
    CriticalSectionEntry entry(lock_);
    if (runningMasters_ == 0) return false;
    cancelRequested_ = true;
    if (runningManager_) runningManager_->SignalStop(0);
    return true;
}

LRESULT CALLBACK ComputerWizardSheet::SheetProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                                     UINT_PTR, DWORD_PTR data) {
    auto* self = reinterpret_cast<ComputerWizardSheet*>(data);
    switch (message) {
    case WM_COMMAND:
        if (LOWORD(wParam) == IDCANCEL && self->InterceptClose()) return 0;
        break;
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_CLOSE && self->InterceptClose()) return 0;
        break;
    case WM_CLOSE:
        if (self->InterceptClose()) return 0;
        break;
    case kMasterEnded:
        PropSheet_PressButton(window, PSBTN_CANCEL);
        return 0;
    case WM_NCDESTROY:
        ::RemoveWindowSubclass(window, &ComputerWizardSheet::SheetProcedure, kSheetSubclass);
        self->window_ = nullptr;
        break;
    default:
        break;
    }
    return ::DefSubclassProc(window, message, wParam, lParam);
}

}  // namespace vantrel
