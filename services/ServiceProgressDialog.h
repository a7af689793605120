#pragma once
// The "Service Control" progress dialog: a modeless dialog on a user-interface
// thread of its own, told about each step of a control operation by the job
// thread (which only sends it window messages).
#include "common/Dialog.h"
#include "common/Handles.h"
#include "services/ServiceProgressTexts.h"

#include <atomic>

namespace vantrel {

// Messages the job thread sends the dialog.
constexpr UINT WM_SVC_STEP = WM_APP + 2;       // wParam -1: fill the bar; other: one step
constexpr UINT WM_SVC_SET_TEXT = WM_APP + 3;   // wParam 0: control 211, 1: control 207; lParam a BSTR it frees
constexpr UINT WM_SVC_RESET_BAR = WM_APP + 6;
constexpr UINT WM_SVC_ERROR = WM_APP + 7;      // wParam the HRESULT; lParam a BSTR it frees
constexpr UINT WM_SVC_END = WM_APP + 8;        // the job is over: destroy the window

class ServiceProgressDialog final : public ServiceProgressSink, private Dialog {
public:
    ServiceProgressDialog(ServiceControlOperation operation, bool hideClose);
    ~ServiceProgressDialog() override { Close(); }

    // Starts the dialog's thread and waits (dispatching this thread's
    // messages) until the hidden dialog exists.
    HRESULT Create(HWND owner);
    // Ends the dialog (if the user has not) and its thread.
    void Close();
    // The dialog window, or null once the user closed it (readable from any
    // thread, unlike the base's window).
    HWND Window() const noexcept { return window_.load(); }
    DWORD ThreadId() const noexcept { return threadId_; }

    void OnServiceStatus(ServiceRef& service, BOOL completed, DWORD target, HRESULT result,
                         SERVICE_STATUS_PROCESS status, BOOL* cancel) override;

private:
    static unsigned __stdcall ThreadProc(void* param);
    BOOL OnInitDialog() override;
    void OnCommand(UINT id, UINT code, HWND control) override;
    void OnDestroy() override;
    INT_PTR OnOtherMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnCloseButton(HWND window);
    void Step(HWND window, WPARAM how);
    void SetText(HWND window, WPARAM which, BSTR text);
    void ShowError(HWND window, HRESULT result, BSTR text);

    ServiceProgressTexts texts_;
    bool hideClose_;
    HWND owner_ = nullptr;
    std::atomic<HWND> window_{nullptr};  // cleared when the user closes the dialog
    UniqueHandle ready_;
    UniqueHandle thread_;
    unsigned threadId_ = 0;
};

}  // namespace vantrel
