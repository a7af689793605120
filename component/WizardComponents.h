#pragma once
// The three wizard-like components: each builds its sheet in IWizard::Create
// and runs it modally in IWizard::Start.
#include "Vantrel_h.h"
#include "common/ComObject.h"
#include "common/Dispatch.h"
#include "common/Handles.h"
#include "services/editor/ServiceEditorSheet.h"
#include "wizards/ComputerWizardSheet.h"
#include "wizards/services/TvSheetManageServices.h"

#include <memory>

namespace vantrel {

class MngSvcsWizard final : public ComObject, public DualInterface<IMngSvcsWizard> {
public:
    explicit MngSvcsWizard(IUnknown* outer) noexcept : ComObject(outer) {}
    static HRESULT Create(IUnknown* outer, REFIID iid, void** out) noexcept { return CreateComObject<MngSvcsWizard>(outer, iid, out); }

    VANTREL_IUNKNOWN

    STDMETHODIMP Create(long parent) override;
    STDMETHODIMP Start() override;
    STDMETHODIMP get_Configuration(long* value) override;
    STDMETHODIMP put_Configuration(long value) override;
    STDMETHODIMP put_Computers(VARIANT* computers) override;
    STDMETHODIMP put_Services(VARIANT* services) override;

protected:
    void* FindInterface(REFIID iid) noexcept override;

private:
    bool HasSheet() const noexcept { return sheet_ != nullptr; }
    HWND parent_ = nullptr;
    std::unique_ptr<TvSheetManageServices> sheet_;  // from Create until the next Create
};

class ServiceEditor final : public ComObject, public DualInterface<IServiceEditor> {
public:
    explicit ServiceEditor(IUnknown* outer) noexcept : ComObject(outer) {}
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

protected:
    void* FindInterface(REFIID iid) noexcept override;

private:
    HWND parent_ = nullptr;
    UniqueBstr service_;
    UniqueBstr computer_;
    long configuration_ = 0;
    std::unique_ptr<ServiceEditorSheet> sheet_;  // from Create until the next Create
};

class MultiComputerOp final : public ComObject, public DualInterface<IMultiComputerOp> {
public:
    explicit MultiComputerOp(IUnknown* outer) noexcept : ComObject(outer) {}
    static HRESULT Create(IUnknown* outer, REFIID iid, void** out) noexcept { return CreateComObject<MultiComputerOp>(outer, iid, out); }

    VANTREL_IUNKNOWN

    STDMETHODIMP Create(long parent) override;
    STDMETHODIMP Start() override;
    STDMETHODIMP get_OperationType(long* value) override;
    STDMETHODIMP put_OperationType(long value) override;
    STDMETHODIMP put_Computers(VARIANT computers) override;

    const VARIANT& Computers() const noexcept { return computers_.Get(); }

protected:
    void* FindInterface(REFIID iid) noexcept override;

private:
    // E_FAIL for no operation, E_INVALIDARG for an unknown one, else S_OK.
    HRESULT CheckOperation() const noexcept;

    HWND parent_ = nullptr;
    long operation_ = MCO_NO_OP;
    UniqueVariant computers_;
    // The wizard Create built for `wizardOperation_`, until Start runs it.
    std::unique_ptr<ComputerWizardSheet> wizard_;
    long wizardOperation_ = MCO_NO_OP;
};

}  // namespace vantrel
