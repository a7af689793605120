#pragma once
// The three wizard-like components: each builds its sheet in IWizard::Create
// and runs it modally in IWizard::Start.
#include "Vantrel_h.h"
#include "common/ComObject.h"
#include "common/Dispatch.h"
#include "common/Handles.h"
#include "common/Result.h"
#include "services/editor/ServiceEditorSheet.h"
#include "wizards/ComputerWizardSheet.h"
#include "wizards/services/TvSheetManageServices.h"

#include <memory>

namespace vantrel {

// What the wizard components share: the dual interface `Itf` (an IWizard),
// answered for its own id, IWizard's and IDispatch's, and how a built sheet
// runs.
template <typename Itf>
class WizardComponent : public ComObject, public DualInterface<Itf> {
protected:
    explicit WizardComponent(IUnknown* outer) noexcept : ComObject(outer) {}

    void* FindInterface(REFIID iid) noexcept override {
        if (IsEqualIID(iid, __uuidof(Itf)) || IsEqualIID(iid, IID_IWizard) || IsEqualIID(iid, IID_IDispatch))
            return static_cast<Itf*>(this);
        return nullptr;
    }

    // The window a Create's `parent` names.
    static HWND ParentWindow(long parent) noexcept { return reinterpret_cast<HWND>(static_cast<LONG_PTR>(parent)); }

    // Runs `sheet` modally: E_HANDLE without one, the last error when it
    // could not be shown.
    template <typename Sheet>
    static HRESULT RunSheet(Sheet* sheet) noexcept {
        if (!sheet) RETURN_HR(E_HANDLE);
        if (sheet->Run() != -1) return S_OK;
        RETURN_HR(HResultFromLastError());
    }
};

class MngSvcsWizard final : public WizardComponent<IMngSvcsWizard> {
public:
    explicit MngSvcsWizard(IUnknown* outer) noexcept : WizardComponent(outer) {}
    static HRESULT Create(IUnknown* outer, REFIID iid, void** out) noexcept { return CreateComObject<MngSvcsWizard>(outer, iid, out); }

    VANTREL_IUNKNOWN

    STDMETHODIMP Create(long parent) override;
    STDMETHODIMP Start() override;
    STDMETHODIMP get_Configuration(long* value) override;
    STDMETHODIMP put_Configuration(long value) override;
    STDMETHODIMP put_Computers(VARIANT* computers) override;
    STDMETHODIMP put_Services(VARIANT* services) override;

private:
    bool HasSheet() const noexcept { return sheet_ != nullptr; }
    std::unique_ptr<TvSheetManageServices> sheet_;  // from Create until the next Create
};

class ServiceEditor final : public WizardComponent<IServiceEditor> {
public:
    explicit ServiceEditor(IUnknown* outer) noexcept : WizardComponent(outer) {}
    static HRESULT Create(IUnknown* outer, REFIID iid, void** out) noexcept { return CreateComObject<ServiceEditor>(outer, iid, out); }

    VANTREL_IUNKNOWN

    STDMETHODIMP Create(long parent) override;
    STDMETHODIMP Start() override;
    STDMETHODIMP get_Service(BSTR* value) override;
    STDMETHODIMP put_Service(BSTR value) override;
    STDMETHODIMP get_Configuration(long* value) override;
    STDMETHODIMP put_Configuration(long value) override;
    STDMETHODIMP get_Computer(BSTR* value) override;
    STDMETHODIMP put_Computer(BSTR value) override;

private:
    UniqueBstr service_;
    UniqueBstr computer_;
    long configuration_ = 0;
    std::unique_ptr<ServiceEditorSheet> sheet_;  // from Create until the next Create
};

class MultiComputerOp final : public WizardComponent<IMultiComputerOp> {
public:
    explicit MultiComputerOp(IUnknown* outer) noexcept : WizardComponent(outer) {}
    static HRESULT Create(IUnknown* outer, REFIID iid, void** out) noexcept { return CreateComObject<MultiComputerOp>(outer, iid, out); }

    VANTREL_IUNKNOWN

    STDMETHODIMP Create(long parent) override;
    STDMETHODIMP Start() override;
    STDMETHODIMP get_OperationType(long* value) override;
    STDMETHODIMP put_OperationType(long value) override;
    STDMETHODIMP put_Computers(VARIANT computers) override;

    const VARIANT& Computers() const noexcept { return computers_.Get(); }

private:
    // E_FAIL for no operation, E_INVALIDARG for an unknown one, else S_OK.
    HRESULT CheckOperation() const noexcept;

    long operation_ = MCO_NO_OP;
    UniqueVariant computers_;
    // The wizard Create built for `wizardOperation_`, until Start runs it.
    std::unique_ptr<ComputerWizardSheet> wizard_;
    long wizardOperation_ = MCO_NO_OP;
};

}  // namespace vantrel
