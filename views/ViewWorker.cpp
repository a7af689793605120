#include "views/ViewWorker.h"

#include "common/ErrorText.h"
#include "common/ModuleState.h"
#include "common/ResourceText.h"
#include "common/Result.h"
#include "credentials/Credentials.h"
#include "resources/ViewsIds.h"
#include "views/ResourceView.h"

#include <commctrl.h>

namespace vantrel {

ViewWorker::ViewWorker(ViewWorkerContext context) noexcept : context_(std::move(context)) {
    // A view can be destroyed (and the module released) while its worker
    // still runs: the worker's code must stay loaded until it is gone.
    module::Lock();
}

ViewWorker::~ViewWorker() { module::Unlock(); }

HWND ViewWorker::List() const noexcept { return ::GetDlgItem(context_.window, IDC_VIEW_LIST); }

HRESULT ViewWorker::CheckContext() const noexcept {
    if (!context_.window) RETURN_HR(E_HANDLE);
    if (context_.computer.empty()) RETURN_HR(E_INVALIDARG);
    return S_OK;
}

bool ViewWorker::OnViewThread(const std::function<void()>& work) const noexcept {
    return ::SendMessageW(context_.window, WM_VIEW_CALL, 0, reinterpret_cast<LPARAM>(&work)) != 0;
}

HRESULT EnumerationWorker::Run() {
    ComApartment apartment;
    RETURN_IF_FAILED(CheckContext());

    AlternateCredentials credentials;
    RecallAlternateCredentials(Context().credentialsPath.c_str(), Context().recallOptions, credentials);
    ::SetDlgItemTextW(Context().window, IDC_VIEW_CREDENTIALS, CurrentCredentialsText(credentials).c_str());
    if (Stopping()) return S_FALSE;

    // The view emptied the list when it started this worker.
    ListWriter rows(Context().rows, StopEvent());
    const HRESULT hr = Enumerate(rows);
    rows.Flush();
    if (FAILED(hr) && !failureReported_) ShowFailure(hr);
    return hr;
}

std::wstring EnumerationWorker::FailureText(HRESULT code) {
    std::wstring text;
    UniqueBstr platformText;
    if (FormatErrorText(static_cast<DWORD>(code), platformText.Put(), true) == 0 && platformText)
        text = platformText.Get();
    if (text.empty()) text = LoadResourceString(FailureSentenceId());
    return text;
}

void EnumerationWorker::ShowFailure(HRESULT code) noexcept {
    HWND list = List();
    OnViewThread([this] { ClearViewRows(Context().window); });
    const std::wstring text = FailureText(code);
    ::SetDlgItemTextW(Context().window, IDC_VIEW_MESSAGE, text.c_str());
    // A refresh that stopped this worker has already shown the list again.
    if (!Stopping()) {
        ::ShowWindow(::GetDlgItem(Context().window, IDC_VIEW_MESSAGE), SW_SHOW);
        ::ShowWindow(list, SW_HIDE);
    }
}

std::wstring ViewWorker::ItemText(HWND list, int item, int column, int maxChars) {
    std::wstring text(static_cast<size_t>(maxChars), L'\0');
    LVITEMW cell{};
    cell.iSubItem = column;
    cell.pszText = text.data();
    cell.cchTextMax = maxChars;
    const LRESULT length =
        ::SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&cell));
    text.resize(length > 0 ? static_cast<size_t>(length) : 0);
    return text;
}

LPARAM ViewWorker::ItemData(HWND list, int item) {
    LVITEMW data{};
    data.mask = LVIF_PARAM;
    data.iItem = item;
    return ::SendMessageW(list, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&data)) ? data.lParam : 0;
}

int ViewWorker::ListedItemCount(HWND list, bool all) {
    return static_cast<int>(::SendMessageW(list, all ? LVM_GETITEMCOUNT : LVM_GETSELECTEDCOUNT, 0, 0));
}

bool ViewWorker::ForEachListedItem(HWND list, bool all, const std::function<void(int item)>& apply) {
    const int count = ListedItemCount(list, all);
    if (count <= 0) return false;
    int item = -1;
    for (int done = 0; done < count; ++done) {
        item = static_cast<int>(::SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(item),
                                               MAKELPARAM(all ? LVNI_ALL : LVNI_SELECTED, 0)));
        if (item < 0) break;
        apply(item);
    }
    return true;
}

HRESULT CommandWorker::Run() {
    ComApartment apartment;
    RETURN_IF_FAILED(CheckContext());

    AlternateCredentials credentials;
    RecallAlternateCredentials(Context().credentialsPath.c_str(), Context().recallOptions, credentials);

    HWND list = List();
    DWORD lastError = 0;
    const bool any = ForEachListedItem(list, Context().allItems, [&](int item) {
        if (const DWORD error = ApplyToItem(list, item)) lastError = error;
    });
    if (!any) return S_FALSE;
    return HResultFromWin32(static_cast<long>(lastError));
}

HRESULT CredentialedCommand::Run() {
    ComApartment apartment;
    RETURN_IF_FAILED(CheckContext());
    if (!::IsWindow(Context().window)) RETURN_HR(E_HANDLE);
    AlternateCredentials credentials;
    RecallAlternateCredentials(Context().credentialsPath.c_str(), Context().recallOptions, credentials);
    return Execute();
}

}  // namespace vantrel
