#pragma once
// Loads the built Vantrel.dll (the lab build beside the tests) as a COM host
// would, without the registry.
#include "Vantrel_h.h"
#include "tests/support/TestProcess.h"

#include <objbase.h>

#include <string>

namespace moduletest {

using testsupport::BinPath;
using testsupport::ComApartment;

class LoadedModule {
public:
    LoadedModule() : module_(::LoadLibraryW(BinPath(L"Vantrel.dll").c_str())) {}
    ~LoadedModule() { if (module_) ::FreeLibrary(module_); }
    HMODULE Get() const { return module_; }

    template <typename F>
    F Export(const char* name) const { return reinterpret_cast<F>(::GetProcAddress(module_, name)); }

    HRESULT GetClassObject(REFCLSID clsid, REFIID iid, void** out) const {
        return Export<HRESULT(WINAPI*)(REFCLSID, REFIID, void**)>("DllGetClassObject")(clsid, iid, out);
    }
    HRESULT CanUnloadNow() const { return Export<HRESULT(WINAPI*)()>("DllCanUnloadNow")(); }

    HRESULT CreateInstance(REFCLSID clsid, REFIID iid, void** out) const {
        IClassFactory* factory = nullptr;
        HRESULT hr = GetClassObject(clsid, IID_IClassFactory, reinterpret_cast<void**>(&factory));
        if (FAILED(hr)) return hr;
        hr = factory->CreateInstance(nullptr, iid, out);
        factory->Release();
        return hr;
    }

private:
    HMODULE module_;
};


}  // namespace moduletest
