#pragma once
// The standard class factory: CreateInstance through a creation function
// (aggregation allowed), LockServer moving the module lock. Factories are
// kept by their module until it unloads, so they do not hold the lock
// themselves.
#include <objbase.h>

namespace vantrel {

using CreateFunction = HRESULT (*)(IUnknown* outer, REFIID iid, void** out);

class ClassFactory final : public IClassFactory {
public:
    explicit ClassFactory(CreateFunction create) noexcept : create_(create) {}
    ClassFactory(const ClassFactory&) = delete;
    ClassFactory& operator=(const ClassFactory&) = delete;

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** out) override;
    STDMETHODIMP LockServer(BOOL lock) override;

private:
    CreateFunction create_;
    volatile LONG refs_ = 1;  // the module's own reference
};

}  // namespace vantrel
