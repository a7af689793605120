#pragma once
// The console's entry to the resource views (Create), the wizards
// (GetWizard) and batch service control (IMultiServiceControl).
#include "Vantrel_h.h"
#include "common/ComObject.h"
#include "common/Dispatch.h"
#include "component/ServiceBatch.h"
#include "services/ServiceProgressTexts.h"

namespace vantrel {

class ComputerResMgmtUI final : public ComObject, public IComputerResMgmtUI, public IMultiServiceControl {
public:
    explicit ComputerResMgmtUI(IUnknown* outer) noexcept : ComObject(outer) {}
    static HRESULT Create(IUnknown* outer, REFIID iid, void** out) noexcept {
        return CreateComObject<ComputerResMgmtUI>(outer, iid, out);
    }

    VANTREL_IUNKNOWN

    // IDispatch is shared by both dual interfaces through the default one.
    VANTREL_IDISPATCH(IComputerResMgmtUI)

    STDMETHODIMP Create(long uiIdentifier, long* handle) override;
    STDMETHODIMP GetWizard(long uiIdentifier, IWizard** wizard) override;

    STDMETHODIMP AddService(BSTR computer, BSTR service) override;
    STDMETHODIMP Control(long parent, long command, long flags) override;
    STDMETHODIMP Clear() override;

    const ServiceBatch& Batch() const noexcept { return batch_; }

protected:
    void* FindInterface(REFIID iid) noexcept override;
    HRESULT FinalConstruct() noexcept override;

private:
    DispatchHelper dispatch_{IID_IComputerResMgmtUI};
    ServiceBatch batch_;
};

// The dialog template of the view built for a UI identifier, or 0 when the
// identifier names no view.
UINT ViewTemplateFor(long uiIdentifier) noexcept;

// The control operation a batch command runs (None for anything but a
// single ServiceControlEnum value).
ServiceControlOperation OperationFor(long command) noexcept;

}  // namespace vantrel
