#pragma once
// A computer's name, credentials path and recall options, handed by the host
// to the wizards. Free-threaded: it aggregates the free-threaded marshaler so
// that every apartment gets the object itself, not a proxy.
#include "Vantrel_h.h"
#include "common/Bstr.h"
#include "common/ComObject.h"
#include "common/FreeThreadedMarshaler.h"
#include "common/Handles.h"

namespace vantrel {

class BrevCompInfo final : public ComObject, public IBrevCompInfo {
public:
    explicit BrevCompInfo(IUnknown* outer) noexcept : ComObject(outer) { ::InitializeCriticalSection(&lock_); }
    ~BrevCompInfo() override { ::DeleteCriticalSection(&lock_); }

    static HRESULT Create(IUnknown* outer, REFIID iid, void** out) noexcept { return CreateComObject<BrevCompInfo>(outer, iid, out); }

    VANTREL_IUNKNOWN

    STDMETHODIMP get_NetBIOSName(BSTR* value) override { return CopyBstrOut(name_, value, UnsetReads::Empty); }
    STDMETHODIMP put_NetBIOSName(BSTR value) override { return CopyBstrIn(value, name_); }
    STDMETHODIMP get_CredentialsPath(BSTR* value) override { return CopyBstrOut(path_, value, UnsetReads::Empty); }
    STDMETHODIMP put_CredentialsPath(BSTR value) override { return CopyBstrIn(value, path_); }
    STDMETHODIMP get_HierarchicalRecallOptions(long* value) override;
    STDMETHODIMP put_HierarchicalRecallOptions(long value) override;

protected:
    void* FindInterface(REFIID iid) noexcept override;
    HRESULT FinalConstruct() noexcept override;

private:
    UniqueBstr name_;
    UniqueBstr path_;
    long options_ = 0;
    // Kept for callers that serialise their own use of the object; the
    // accessors do not take it.
    CRITICAL_SECTION lock_;
    FreeThreadedMarshaler marshaler_;
};

}  // namespace vantrel
