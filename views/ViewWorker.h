#pragma once
// The two kinds of view workers. Both carry a copy of the view's context,
// keep the module loaded while they run, initialise their own COM apartment
// and run under the computer's alternate credentials. They reach the view
// only through messages to its window.
//
// EnumerationWorker::Run is the frame every view's listing shares: checks,
// credentials and the "Current Credentials:" line, then the view's
// Enumerate, then the failure display that replaces the list.
// CommandWorker::Run walks the selected (or all) items and applies the
// view's operation to each, remembering the last error.
#include "common/Handles.h"
#include "views/ListWriter.h"
#include "views/ViewContext.h"

#include <functional>
#include <string>

namespace vantrel {

// Sent by workers to their view: lParam is a const std::function<void()>*,
// called on the view's thread (where the list's rows and their item data
// live). The view ignores it once its context is gone.
constexpr UINT WM_VIEW_CALL = WM_APP + 0x41;

class ViewWorker : public WorkerThread {
protected:
    explicit ViewWorker(ViewWorkerContext context) noexcept;
    ~ViewWorker() override;

    const ViewWorkerContext& Context() const noexcept { return context_; }
    HWND List() const noexcept;
    // Whether the owner asked this worker to stop.
    bool Stopping() noexcept { return StopSignalled() == S_OK; }
    // The checks every worker makes before touching the computer: a window
    // (E_HANDLE) and a computer name (E_INVALIDARG).
    HRESULT CheckContext() const noexcept;
    // Runs `work` on the view's thread and waits for it; false when the view
    // is gone (then `work` did not run).
    bool OnViewThread(const std::function<void()>& work) const noexcept;

    // Reads a cell's text (at most maxChars - 1 characters) from the list.
    static std::wstring ItemText(HWND list, int item, int column, int maxChars = 256);
    // How many items are selected in `list` (how many it has, with `all`).
    static int ListedItemCount(HWND list, bool all);
    // Calls `apply` with each selected item of `list` in list order (every
    // item with `all`), however the list changes meanwhile no more items
    // than it had; false when it had none.
    static bool ForEachListedItem(HWND list, bool all, const std::function<void(int item)>& apply);
    static LPARAM ItemData(HWND list, int item);

private:
    ViewWorkerContext context_;
};

class EnumerationWorker : public ViewWorker {
protected:
    using ViewWorker::ViewWorker;

    // Lists the computer's items into `rows`: S_OK when complete, S_FALSE
    // when a stop was seen (what was held is freed), or the failure.
    virtual HRESULT Enumerate(ListWriter& rows) = 0;
    // String id of the sentence shown when a failure has no text of its own.
    virtual UINT FailureSentenceId() const noexcept = 0;
    // What the message area shows for a failed enumeration: the error text
    // cut at its line break, or the failure sentence.
    virtual std::wstring FailureText(HRESULT code);
    // Enumerate has shown its failure itself: the list stays as it is.
    void FailureReported() noexcept { failureReported_ = true; }

private:
    HRESULT Run() final;
    void ShowFailure(HRESULT code) noexcept;

    bool failureReported_ = false;
};

class CommandWorker : public ViewWorker {
protected:
    using ViewWorker::ViewWorker;

    // Applies the operation to one list item; 0 or the platform's error.
    virtual DWORD ApplyToItem(HWND list, int item) = 0;

private:
    HRESULT Run() final;
};

// Commands that show their own dialogs and results: their own apartment, the
// checks (a view that is gone: E_HANDLE), the computer's alternate
// credentials, then Execute. What Execute returns is the worker's result.
class CredentialedCommand : public ViewWorker {
protected:
    using ViewWorker::ViewWorker;

    virtual HRESULT Execute() = 0;

private:
    HRESULT Run() final;
};

}  // namespace vantrel
