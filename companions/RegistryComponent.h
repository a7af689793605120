#pragma once
// The registry component: compares a computer's registry with a registry
// file, imports a file, tests and writes single entries. Everything goes
// over the remote registry (RegConnectRegistryW to HKEY_LOCAL_MACHINE and
// HKEY_USERS) on the calling thread, so under whatever identity it acts as.
#include "Companions_h.h"
#include "common/ComObject.h"
#include "common/Dispatch.h"
#include "common/FreeThreadedMarshaler.h"
#include "companions/RegFile.h"

#include <string>
#include <vector>

namespace vantrel::companions {

// Reads and decodes a registry file from disk; a malformed one is
// ERROR_BAD_FORMAT with `detail` naming the line.
HRESULT LoadRegFile(const wchar_t* path, regfile::File& file, std::string* detail = nullptr);

// What the file sets or deletes that `machine`'s registry does not reflect:
// keys, and "key::value name". A failure other than a missing key stops it.
HRESULT CompareRegistry(const wchar_t* machine, const regfile::File& file, std::vector<std::wstring>& missing);
// Applies the file; the entries that could not be written are listed.
HRESULT ImportRegistry(const wchar_t* machine, const regfile::File& file, std::vector<std::wstring>& failed);

class RegistryComponent final : public ComObject, public DualInterface<IRegistryComponent> {
public:
    explicit RegistryComponent(IUnknown* outer) noexcept : ComObject(outer) {}

    static HRESULT Create(IUnknown* outer, REFIID iid, void** out) noexcept {
        return CreateComObject<RegistryComponent>(outer, iid, out);
    }

    VANTREL_IUNKNOWN

    STDMETHODIMP CompareWithFile(BSTR machine, BSTR regFile, VARIANT* missing) override;
    STDMETHODIMP WriteEntry(BSTR machine, BSTR key, BSTR valueName, VARIANT data, long type, long size) override;
    STDMETHODIMP ImportFile(BSTR machine, BSTR regFile, VARIANT* failed) override;
    STDMETHODIMP TestEntry(BSTR machine, BSTR key, BSTR valueName, VARIANT data, long type,
                           VARIANT_BOOL* holds) override;

protected:
    void* FindInterface(REFIID iid) noexcept override;
    HRESULT FinalConstruct() noexcept override;

private:
    FreeThreadedMarshaler marshaler_;
};

}  // namespace vantrel::companions
