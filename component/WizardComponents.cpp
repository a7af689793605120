#include "component/WizardComponents.h"

#include "common/Bstr.h"
#include "common/Result.h"
#include "wizards/OperationWizards.h"

#include <new>

namespace vantrel {

// --- MngSvcsWizard ---------------------------------------------------------

STDMETHODIMP MngSvcsWizard::Create(long parent) {
    sheet_.reset();
    std::unique_ptr<TvSheetManageServices> sheet(new (std::nothrow) TvSheetManageServices(ParentWindow(parent)));
    if (!sheet) RETURN_HR(E_OUTOFMEMORY);
    VARIANT none;
    ::VariantInit(&none);
    RETURN_IF_FAILED(sheet->Build(&none));
    sheet_ = std::move(sheet);
    return S_OK;
}

STDMETHODIMP MngSvcsWizard::Start() { return RunSheet(sheet_.get()); }

STDMETHODIMP MngSvcsWizard::get_Configuration(long*) { return HasSheet() ? S_OK : E_HANDLE; }
STDMETHODIMP MngSvcsWizard::put_Configuration(long) { return HasSheet() ? S_OK : E_HANDLE; }
STDMETHODIMP MngSvcsWizard::put_Computers(VARIANT* computers) {
    if (!sheet_) return E_HANDLE;
    return sheet_->SetComputers(computers);
}
STDMETHODIMP MngSvcsWizard::put_Services(VARIANT*) { return HasSheet() ? S_OK : E_HANDLE; }

// --- ServiceEditor ---------------------------------------------------------

STDMETHODIMP ServiceEditor::Create(long parent) {
    sheet_.reset();
    auto Text = [](const UniqueBstr& b) { return std::wstring(b.Get() ? b.Get() : L""); };
    std::unique_ptr<ServiceEditorSheet> sheet(
        new (std::nothrow) ServiceEditorSheet(ParentWindow(parent), Text(computer_), Text(service_)));
    if (!sheet) RETURN_HR(E_OUTOFMEMORY);
    RETURN_IF_FAILED(sheet->Load());
    sheet_ = std::move(sheet);
    return S_OK;
}

STDMETHODIMP ServiceEditor::Start() { return RunSheet(sheet_.get()); }

STDMETHODIMP ServiceEditor::get_Service(BSTR* value) { return CopyBstrOut(service_, value, UnsetReads::Null); }
STDMETHODIMP ServiceEditor::put_Service(BSTR value) { return CopyBstrIn(value, service_); }
STDMETHODIMP ServiceEditor::get_Computer(BSTR* value) { return CopyBstrOut(computer_, value, UnsetReads::Null); }
STDMETHODIMP ServiceEditor::put_Computer(BSTR value) { return CopyBstrIn(value, computer_); }

STDMETHODIMP ServiceEditor::get_Configuration(long* value) {
    if (!value) RETURN_HR(E_POINTER);
    *value = configuration_;
    return S_OK;
}

STDMETHODIMP ServiceEditor::put_Configuration(long value) {
    configuration_ = value;
    return S_OK;
}

// --- MultiComputerOp -------------------------------------------------------

HRESULT MultiComputerOp::CheckOperation() const noexcept {
    if (operation_ == MCO_NO_OP) RETURN_HR(E_FAIL);
    if (operation_ < MCO_NO_OP || operation_ > MCO_CHECK_DNS_RECORDS) RETURN_HR(E_INVALIDARG);
    return S_OK;
}

STDMETHODIMP MultiComputerOp::Create(long parent) {
    const HRESULT hr = CheckOperation();
    if (FAILED(hr)) return hr;
    wizard_.reset();
    RETURN_IF_FAILED(BuildOperationWizard(operation_, ParentWindow(parent), &computers_.Get(), wizard_));
    wizardOperation_ = operation_;
    return S_OK;
}

STDMETHODIMP MultiComputerOp::Start() {
    const HRESULT hr = CheckOperation();
    if (FAILED(hr)) return hr;
    // A sheet runs once; the next Start needs a new Create.
    RETURN_HR_IF(E_HANDLE, !wizard_ || wizardOperation_ != operation_);
    const std::unique_ptr<ComputerWizardSheet> wizard = std::move(wizard_);
    return RunSheet(wizard.get());
}

STDMETHODIMP MultiComputerOp::get_OperationType(long* value) {
    if (!value) RETURN_HR(E_POINTER);
    *value = operation_;
    return S_OK;
}

STDMETHODIMP MultiComputerOp::put_OperationType(long value) {
    if (value < MCO_NO_OP || value > MCO_CHECK_DNS_RECORDS) RETURN_HR(E_INVALIDARG);
    operation_ = value;
    return S_OK;
}

STDMETHODIMP MultiComputerOp::put_Computers(VARIANT computers) {
    const HRESULT hr = computers_.CopyFrom(computers);
    if (FAILED(hr)) {
        // The failure is kept as the stored value for the computer list to see.
        VARIANT* stored = computers_.Put();
        stored->vt = VT_ERROR;
        stored->scode = hr;
    }
    return S_OK;
}

}  // namespace vantrel
