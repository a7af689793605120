#pragma once
// The console's entry to the resource views (Create), the wizards
// (GetWizard) and batch service control (IMultiServiceControl).
#include "Vantrel_h.h"
#include "common/ComObject.h"
#include "common/Dispatch.h"
#include "component/ServiceBatch.h"
#include "services/ServiceProgressTexts.h"

namespace vantrel {

class ComputerResMgmtUI final : public ComObject,
                                public DualInterface<IComputerResMgmtUI>,
                                public DualInterface<IMultiServiceControl> {
public:
    explicit ComputerResMgmtUI(IUnknown* outer) noexcept : ComObject(outer) {}
    static HRESULT Create(IUnknown* outer, REFIID iid, void** out) noexcept {
        return CreateComObject<ComputerResMgmtUI>(outer, iid, out);
    }

    VANTREL_IUNKNOWN

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
    ServiceBatch batch_;
};

// The dialog template of the view built for a UI identifier, or 0 when the
// identifier names no view.
UINT ViewTemplateFor(long uiIdentifier) noexcept;

// The control operation a batch command runs (None for anything but a
// single ServiceControlEnum value).
ServiceControlOperation OperationFor(long command) noexcept;

}  // namespace vantrel
