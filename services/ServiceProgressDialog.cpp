#include "services/ServiceProgressDialog.h"

#include "common/ErrorText.h"
#include "common/ResourceText.h"
#include "common/Result.h"
#include "common/WorkerThread.h"
#include "resources/ServicesIds.h"

#include <commctrl.h>
#include <process.h>

namespace vantrel {

namespace {

constexpr UINT_PTR kTimerId = 1;
constexpr UINT kTimerMs = 1000;
constexpr int kBarMax = 20;

void SendText(HWND window, WPARAM which, const std::wstring& text) {
    BSTR copy = ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    if (copy && !::SendMessageW(window, WM_SVC_SET_TEXT, which, reinterpret_cast<LPARAM>(copy)))
        ::SysFreeString(copy);  // the window was gone and did not take it
}

}  // namespace

ServiceProgressDialog::ServiceProgressDialog(ServiceControlOperation operation, bool hideClose)
    : Dialog(IDD_SERVICE_CONTROL), texts_(operation), hideClose_(hideClose) {}

HRESULT ServiceProgressDialog::Create(HWND owner) {
    owner_ = owner;
    ready_.Reset(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    RETURN_LAST_ERROR_IF(!ready_);
    const uintptr_t thread = ::_beginthreadex(nullptr, 0, &ThreadProc, this, 0, &threadId_);
    if (!thread) RETURN_HR(E_FAIL);
    thread_.Reset(reinterpret_cast<HANDLE>(thread));
    HANDLE waits[] = {ready_.Get(), thread_.Get()};
    // Either the dialog exists or its thread gave up.
    for (;;) {
        if (::WaitForMultipleObjects(2, waits, FALSE, 0) != WAIT_TIMEOUT) break;
        WaitPumpingFor(ready_.Get(), 50);
    }
    RETURN_HR_IF(E_FAIL, !window_.load());
    return S_OK;
}

void ServiceProgressDialog::Close() {
    if (!thread_) return;
    // The window may be gone already (the user closed it); then the post
    // fails and the thread has ended or is ending.
    if (HWND window = window_.exchange(nullptr)) ::PostMessageW(window, WM_SVC_END, 0, 0);
    WaitPumpingFor(thread_.Get(), INFINITE);
    thread_.Reset();
}

unsigned __stdcall ServiceProgressDialog::ThreadProc(void* param) {
    auto* self = static_cast<ServiceProgressDialog*>(param);
    const HWND dialog = SUCCEEDED(self->CreateModeless(self->owner_)) ? self->Dialog::Window() : nullptr;
    self->window_.store(dialog);
    ::SetEvent(self->ready_.Get());
    if (!dialog) return 1;
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (!::IsDialogMessageW(dialog, &msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
    return 0;
}

void ServiceProgressDialog::OnCommand(UINT id, UINT, HWND) {
    if (id == IDCANCEL) OnCloseButton(Dialog::Window());
}

void ServiceProgressDialog::OnDestroy() { ::PostQuitMessage(0); }

INT_PTR ServiceProgressDialog::OnOtherMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    const HWND window = Dialog::Window();
    switch (message) {
        case WM_TIMER:
            ::SendDlgItemMessageW(window, IDC_SVC_PROGRESS_BAR, PBM_STEPIT, 0, 0);
            return TRUE;
        case WM_SVC_STEP:
            Step(window, wParam);
            return TRUE;
        case WM_SVC_SET_TEXT:
            SetText(window, wParam, reinterpret_cast<BSTR>(lParam));
            SetResult(1);  // taken
            return TRUE;
        case WM_SVC_RESET_BAR:
            ::SendDlgItemMessageW(window, IDC_SVC_PROGRESS_BAR, PBM_SETPOS, 0, 0);
            return TRUE;
        case WM_SVC_ERROR:
            ShowError(window, static_cast<HRESULT>(wParam), reinterpret_cast<BSTR>(lParam));
            SetResult(1);
            return TRUE;
        case WM_SVC_END:
            ::KillTimer(window, kTimerId);
            ::DestroyWindow(window);
            return TRUE;
        default: return FALSE;
    }
}

BOOL ServiceProgressDialog::OnInitDialog() {
    const HWND window = Dialog::Window();
    ::SendDlgItemMessageW(window, IDC_SVC_PROGRESS_BAR, PBM_SETRANGE32, 0, kBarMax);
    ::SendDlgItemMessageW(window, IDC_SVC_PROGRESS_BAR, PBM_SETSTEP, 1, 0);
    ::SetTimer(window, kTimerId, kTimerMs, nullptr);
    // Hidden until the first report.
    return TRUE;
}

void ServiceProgressDialog::OnCloseButton(HWND window) {
    // The operation goes on without the dialog; later reports find no window.
    window_.store(nullptr);
    ::KillTimer(window, kTimerId);
    ::DestroyWindow(window);
}

void ServiceProgressDialog::Step(HWND window, WPARAM how) {
    const HWND bar = ::GetDlgItem(window, IDC_SVC_PROGRESS_BAR);
    if (static_cast<INT_PTR>(how) == -1) {
        while (::SendMessageW(bar, PBM_GETPOS, 0, 0) < kBarMax) ::SendMessageW(bar, PBM_STEPIT, 0, 0);
    } else {
        ::SendMessageW(bar, PBM_STEPIT, 0, 0);
    }
}

void ServiceProgressDialog::SetText(HWND window, WPARAM which, BSTR text) {
    UniqueBstr owned(text);
    if (which == 0) ::SetDlgItemTextW(window, IDC_SVC_PROGRESS_TEXT, owned.Get() ? owned.Get() : L"");
    else if (which == 1) ::SetDlgItemTextW(window, IDC_SVC_SERVICE_TEXT, owned.Get() ? owned.Get() : L"");
}

void ServiceProgressDialog::ShowError(HWND window, HRESULT result, BSTR text) {
    UniqueBstr owned(text);
    ShowErrorMessage(static_cast<DWORD>(result), LoadText(IDS_ERROR_TITLE).c_str(), owned.Get(), window,
                     MB_ICONERROR);
}

void ServiceProgressDialog::OnServiceStatus(ServiceRef& service, BOOL completed, DWORD target, HRESULT result,
                                            SERVICE_STATUS_PROCESS status, BOOL* cancel) {
    const HWND window = window_.load();
    if (!window) return;
    ::ShowWindow(window, SW_SHOW);
    ::ShowWindow(::GetDlgItem(window, IDCANCEL), hideClose_ ? SW_HIDE : SW_SHOW);
    if (cancel) *cancel = FALSE;  // this sink never cancels

    std::wstring displayName;
    std::wstring computer;
    service.GetDisplayName(displayName);
    service.GetComputerName(computer);
    if (SUCCEEDED(result)) {
        const ProgressTexts texts = texts_.OnProgress(displayName, computer, target, completed);
        if (texts.refresh) {
            ::SendMessageW(window, WM_SVC_RESET_BAR, 0, 0);
            SendText(window, 0, texts.message);
            SendText(window, 1, texts.service);
        }
        if (texts.fill) ::SendMessageW(window, WM_SVC_STEP, static_cast<WPARAM>(-1), 0);
        return;
    }
    const std::wstring text = ServiceProgressTexts::FailureText(displayName, computer, result, status);
    BSTR copy = ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    if (copy && !::SendMessageW(window, WM_SVC_ERROR, static_cast<WPARAM>(result), reinterpret_cast<LPARAM>(copy)))
        ::SysFreeString(copy);
}

}  // namespace vantrel
