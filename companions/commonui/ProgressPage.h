#pragma once
// The wizard's progress page: a wizard-97 page with a status line, a bar that
// moves one step per finished job, the steps done and the time elapsed.
//
// The page object is safe on any thread (it aggregates the free-threaded
// marshaler, so the global interface table hands every apartment the object
// itself). Calls from other threads only record the state and post the page
// a refresh; the page's window thread draws it. The property-sheet page holds
// one reference, released when the sheet destroys the page.
#include "common/ComObject.h"
#include "common/CriticalSection.h"
#include "common/FreeThreadedMarshaler.h"
#include "common/Handles.h"
#include "common/ProgressPage.h"

#include <windows.h>
#include <prsht.h>

#include <string>

namespace vantrel::commonui {

class ProgressPage final : public ComObject, public IProgressPage {
public:
    explicit ProgressPage(IUnknown* outer) noexcept : ComObject(outer) {}

    // Makes the page object and its property-sheet page handle; the caller
    // owns one reference to `progress` and the handle (until a sheet takes it).
    static HRESULT Create(HPROPSHEETPAGE* page, IProgressPage** progress) noexcept;

    VANTREL_IUNKNOWN

    STDMETHODIMP SetStepCount(long steps) override;
    STDMETHODIMP Step() override;
    // S_OK once the page is the active page; E_ABORT when the page or its
    // sheet is gone; HRESULT_FROM_WIN32(WAIT_TIMEOUT) when the time ran out.
    // On the page's own thread the wait dispatches messages.
    STDMETHODIMP WaitUntilActive(DWORD timeoutMs) override;
    STDMETHODIMP SetStatusText(BSTR text) override;

protected:
    void* FindInterface(REFIID iid) noexcept override;
    HRESULT FinalConstruct() noexcept override;

private:
    struct State {
        long steps = 0;
        long done = 0;
        std::wstring status;
        DWORD started = 0;  // tick of the latest SetStepCount
        DWORD finished = 0;  // tick of the last step; 0 while steps remain
    };

    static INT_PTR CALLBACK DialogProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static UINT CALLBACK PageCallback(HWND window, UINT message, PROPSHEETPAGEW* page);
    INT_PTR Handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void Attach(HWND window);
    void Detach();
    void SetActive(bool active);
    void PostRefresh();
    void Refresh();
    State Snapshot();
    bool IsGone();

    FreeThreadedMarshaler marshaler_;
    CriticalSection lock_;
    State state_;
    HWND window_ = nullptr;  // under lock_
    DWORD windowThread_ = 0;
    bool gone_ = false;  // under lock_
    UniqueHandle active_;  // manual reset: set while the page is the active page
    UniqueHandle goneEvent_;  // manual reset: set once the page or its sheet is gone
};

}  // namespace vantrel::commonui
