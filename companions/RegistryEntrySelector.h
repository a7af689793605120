#pragma once
// The registry entry selector: a modal browser of one computer's registry (a
// tree of keys that fills in as it is expanded, the values of the selected
// key with name, type and data) that returns the chosen key or value. It
// reads over the remote registry, as the registry component does.
#include "Companions_h.h"
#include "common/ComObject.h"
#include "common/FreeThreadedMarshaler.h"

#include <windows.h>

#include <string>
#include <vector>

namespace vantrel::companions {

// How the value list shows a type and its data.
std::wstring ValueTypeName(DWORD type);
std::wstring ValueDataText(DWORD type, const std::vector<BYTE>& data);

class RegistryEntrySelector final : public ComObject, public IRegistryEntrySelector {
public:
    explicit RegistryEntrySelector(IUnknown* outer) noexcept : ComObject(outer) {}

    static HRESULT Create(IUnknown* outer, REFIID iid, void** out) noexcept {
        return CreateComObject<RegistryEntrySelector>(outer, iid, out);
    }

    VANTREL_IUNKNOWN

    STDMETHODIMP SelectEntry(BSTR machine, LONG_PTR owner, BSTR* key, BSTR* valueName, long* type) override;

protected:
    void* FindInterface(REFIID iid) noexcept override;
    HRESULT FinalConstruct() noexcept override;

private:
    FreeThreadedMarshaler marshaler_;
};

}  // namespace vantrel::companions
