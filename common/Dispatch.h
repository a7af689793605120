#pragma once
// IDispatch for dual interfaces, answered by the interface's type information
// from the module's own embedded type library. Loaded on first use and kept
// by the object.
#include "common/ComPtr.h"

#include <oaidl.h>

namespace vantrel {

class DispatchHelper {
public:
    explicit DispatchHelper(const IID& iid) noexcept : iid_(iid) {}

    HRESULT GetTypeInfoCount(UINT* count) noexcept;
    HRESULT GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) noexcept;
    HRESULT GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) noexcept;
    HRESULT Invoke(void* self, DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                   EXCEPINFO* exception, UINT* argError) noexcept;

private:
    HRESULT Load() noexcept;

    const IID& iid_;
    ComPtr<ITypeInfo> info_;
};

// Loads the module's embedded type library (resource TYPELIB 1).
HRESULT LoadModuleTypeLibrary(ITypeLib** library) noexcept;

// A dual interface with its own IDispatch slots, answered by that
// interface's type information. A class offering several dual interfaces
// derives from one DualInterface per interface and overrides none of the
// IDispatch methods: each interface pointer then late-binds to its own
// methods, not to whichever interface happens to come first.
template <typename Itf>
class DualInterface : public Itf {
public:
    STDMETHODIMP GetTypeInfoCount(UINT* count) override { return dispatch_.GetTypeInfoCount(count); }
    STDMETHODIMP GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override {
        return dispatch_.GetTypeInfo(index, lcid, info);
    }
    STDMETHODIMP GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) override {
        return dispatch_.GetIDsOfNames(riid, names, count, lcid, ids);
    }
    STDMETHODIMP Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* exception, UINT* argError) override {
        return dispatch_.Invoke(static_cast<Itf*>(this), id, riid, lcid, flags, params, result, exception, argError);
    }

private:
    DispatchHelper dispatch_{__uuidof(Itf)};
};

}  // namespace vantrel

