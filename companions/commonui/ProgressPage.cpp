#include "companions/commonui/ProgressPage.h"

#include "common/ModuleState.h"
#include "companions/commonui/CommonUIResources.h"
#include "companions/commonui/ProgressTexts.h"

#include <commctrl.h>

namespace vantrel::commonui {
namespace {

constexpr UINT kRefresh = WM_APP + 1;
// The elapsed time is the console machine's own clock, never a computer's: the
// tick calls are local.
constexpr UINT_PTR kClockTimer = 1;

}  // namespace

HRESULT ProgressPage::Create(HPROPSHEETPAGE* page, IProgressPage** progress) noexcept {
    if (!page || !progress) return E_POINTER;
    *page = nullptr;
    *progress = nullptr;
    ComPtr<IProgressPage> object;
    HRESULT hr = CreateComObject<ProgressPage>(nullptr, IID_IProgressPage, reinterpret_cast<void**>(object.Put()));
    if (FAILED(hr)) return hr;
    auto* self = static_cast<ProgressPage*>(object.Get());

    PROPSHEETPAGEW record{};
    record.dwSize = sizeof(record);
    record.dwFlags = PSP_USECALLBACK | PSP_USEHEADERTITLE | PSP_USEHEADERSUBTITLE;
    record.hInstance = module::Instance();
    record.pszTemplate = MAKEINTRESOURCEW(IDD_PROGRESS_PAGE);
    record.pfnDlgProc = &ProgressPage::DialogProcedure;
    record.pfnCallback = &ProgressPage::PageCallback;
    record.pszHeaderTitle = MAKEINTRESOURCEW(IDS_PROGRESS_TITLE);
    record.pszHeaderSubTitle = MAKEINTRESOURCEW(IDS_PROGRESS_SUBTITLE);
    record.lParam = reinterpret_cast<LPARAM>(self);
    // The page's reference, given back by PSPCB_RELEASE.
    self->AddRef();
    HPROPSHEETPAGE handle = ::CreatePropertySheetPageW(&record);
    if (!handle) {
        const DWORD error = ::GetLastError();
        self->Release();
        return error ? HRESULT_FROM_WIN32(error) : E_OUTOFMEMORY;
    }
    // Objects of this library may live on in threads the wizard does not
    // wait for (a job cut off by its manager's wait rule): the library stays
    // loaded once it made a page.
    HMODULE pinned = nullptr;
    ::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                         reinterpret_cast<LPCWSTR>(&ProgressPage::Create), &pinned);
    self->windowThread_ = ::GetCurrentThreadId();
    *page = handle;
    *progress = object.Detach();
    return S_OK;
}

void* ProgressPage::FindInterface(REFIID iid) noexcept {
    if (IsEqualIID(iid, IID_IProgressPage)) return static_cast<IProgressPage*>(this);
    return marshaler_.Find(iid);
}

HRESULT ProgressPage::FinalConstruct() noexcept {
    active_.Reset(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    goneEvent_.Reset(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!active_ || !goneEvent_) return HRESULT_FROM_WIN32(::GetLastError());
    return marshaler_.Create(Controlling());
}

STDMETHODIMP ProgressPage::SetStepCount(long steps) {
    if (steps < 0) return E_INVALIDARG;
    {
        CriticalSectionEntry entry(lock_);
        state_.steps = steps;
        state_.done = 0;
        state_.started = ::GetTickCount();  // seam: local
        state_.finished = steps == 0 ? state_.started : 0;
    }
    PostRefresh();
    return S_OK;
}

STDMETHODIMP ProgressPage::Step() {
    {
        CriticalSectionEntry entry(lock_);
        if (state_.done < state_.steps && ++state_.done == state_.steps) state_.finished = ::GetTickCount();  // seam: local
    }
    PostRefresh();
    return S_OK;
}

STDMETHODIMP ProgressPage::SetStatusText(BSTR text) {
    {
        CriticalSectionEntry entry(lock_);
        state_.status.assign(text ? text : L"", text ? ::SysStringLen(text) : 0);
    }
    PostRefresh();
    return S_OK;
}

bool ProgressPage::IsGone() {
    CriticalSectionEntry entry(lock_);
    return gone_;
}

STDMETHODIMP ProgressPage::WaitUntilActive(DWORD timeoutMs) {
    // The gone event comes first: a page that went away is never "active".
    HANDLE events[] = {goneEvent_.Get(), active_.Get()};
    const DWORD start = ::GetTickCount();  // seam: local
    const bool ownThread = ::GetCurrentThreadId() == windowThread_;
    for (;;) {
        DWORD wait;
        DWORD left = INFINITE;
        if (timeoutMs != INFINITE) {
            const DWORD spent = ::GetTickCount() - start;  // seam: local
            left = spent >= timeoutMs ? 0 : timeoutMs - spent;
        }
        if (ownThread) {
            wait = ::MsgWaitForMultipleObjectsEx(2, events, left, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        } else {
            wait = ::WaitForMultipleObjects(2, events, FALSE, left);
        }
        if (wait == WAIT_OBJECT_0) return E_ABORT;
        if (wait == WAIT_OBJECT_0 + 1) return IsGone() ? E_ABORT : S_OK;
        if (wait == WAIT_TIMEOUT) return HRESULT_FROM_WIN32(WAIT_TIMEOUT);
        if (wait == WAIT_FAILED) return HRESULT_FROM_WIN32(::GetLastError());
        // Messages for this thread (the page's own): dispatch them and go on.
        MSG message;
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                ::PostQuitMessage(static_cast<int>(message.wParam));
                return E_ABORT;
            }
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
    }
}

ProgressPage::State ProgressPage::Snapshot() {
    CriticalSectionEntry entry(lock_);
    return state_;
}

void ProgressPage::PostRefresh() {
    CriticalSectionEntry entry(lock_);
    if (window_) ::PostMessageW(window_, kRefresh, 0, 0);
}

void ProgressPage::Attach(HWND window) {
    {
        CriticalSectionEntry entry(lock_);
        window_ = window;
    }
    windowThread_ = ::GetCurrentThreadId();
    ::SendDlgItemMessageW(window, IDC_PROGRESS_BAR, PBM_SETRANGE32, 0, 1000);
    Refresh();
}

void ProgressPage::Detach() {
    {
        CriticalSectionEntry entry(lock_);
        window_ = nullptr;
        gone_ = true;
    }
    ::ResetEvent(active_.Get());
    ::SetEvent(goneEvent_.Get());
}

void ProgressPage::SetActive(bool active) {
    if (active) {
        ::SetEvent(active_.Get());
    } else {
        ::ResetEvent(active_.Get());
    }
}

void ProgressPage::Refresh() {
    HWND window;
    {
        CriticalSectionEntry entry(lock_);
        window = window_;
    }
    if (!window) return;
    const State state = Snapshot();
    ::SetDlgItemTextW(window, IDC_PROGRESS_STATUS, state.status.c_str());
    ::SendDlgItemMessageW(window, IDC_PROGRESS_BAR, PBM_SETPOS, BarPosition(state.done, state.steps), 0);
    ::SetDlgItemTextW(window, IDC_PROGRESS_STEPS, StepsText(state.done, state.steps).c_str());
    std::wstring elapsed;
    if (state.started != 0) elapsed = ElapsedText((state.finished ? state.finished : ::GetTickCount()) - state.started);  // seam: local
    ::SetDlgItemTextW(window, IDC_PROGRESS_ELAPSED, elapsed.c_str());
    // The clock runs while steps remain.
    if (state.started != 0 && state.finished == 0) {
        ::SetTimer(window, kClockTimer, 1000, nullptr);
    } else {
        ::KillTimer(window, kClockTimer);
    }
}

INT_PTR CALLBACK ProgressPage::DialogProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* record = reinterpret_cast<PROPSHEETPAGEW*>(lParam);
        ::SetWindowLongPtrW(window, DWLP_USER, record->lParam);
    }
    auto* self = reinterpret_cast<ProgressPage*>(::GetWindowLongPtrW(window, DWLP_USER));
    return self ? self->Handle(window, message, wParam, lParam) : FALSE;
}

INT_PTR ProgressPage::Handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        Attach(window);
        return TRUE;
    case kRefresh:
    case WM_TIMER:
        Refresh();
        return TRUE;
    case WM_DESTROY:
        ::KillTimer(window, kClockTimer);
        Detach();
        return FALSE;
    case WM_NOTIFY: {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header->code == PSN_SETACTIVE) {
            // Neither Back nor Next while the run goes on: the wizard's master
            // thread offers Next when its phase is over.
            ::PostMessageW(::GetParent(window), PSM_SETWIZBUTTONS, 0, 0);
            SetActive(true);
            ::SetWindowLongPtrW(window, DWLP_MSGRESULT, 0);
            return TRUE;
        }
        if (header->code == PSN_KILLACTIVE) {
            SetActive(false);
            ::SetWindowLongPtrW(window, DWLP_MSGRESULT, FALSE);
            return TRUE;
        }
        return FALSE;
    }
    default:
        (void)wParam;
        return FALSE;
    }
}

UINT CALLBACK ProgressPage::PageCallback(HWND, UINT message, PROPSHEETPAGEW* page) {
    if (message == PSPCB_RELEASE && page) {
        auto* self = reinterpret_cast<ProgressPage*>(page->lParam);
        self->Detach();
        self->Release();
    }
    return 1;
}

}  // namespace vantrel::commonui
