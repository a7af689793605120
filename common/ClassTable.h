#pragma once
// The class objects of one DLL: a fixed table of {CLSID, creation function,
// registration script}. A class factory is created on the first request,
// under one module-wide lock, and kept until the DLL unloads.
#include "common/ClassFactory.h"
#include "common/Registrar.h"
#include "common/Result.h"

#include <windows.h>

#include <array>
#include <cstddef>
#include <new>

namespace vantrel {

struct ClassEntry {
    const CLSID* clsid;
    CreateFunction create;
    UINT registrationScript;  // REGISTRY resource
};

template <size_t N>
class ClassTable {
public:
    explicit constexpr ClassTable(const std::array<ClassEntry, N>& entries) noexcept : entries_(entries) {}

    // From DllMain (process attach / detach without process exit).
    void Start() noexcept { ::InitializeCriticalSection(&lock_); }
    void Stop() noexcept {
        for (ClassFactory*& factory : factories_) {
            if (factory) factory->Release();
            factory = nullptr;
        }
        ::DeleteCriticalSection(&lock_);
    }

    HRESULT GetClassObject(REFCLSID clsid, REFIID iid, void** out) noexcept {
        if (!out) return E_POINTER;
        *out = nullptr;
        for (size_t i = 0; i < N; ++i) {
            if (!IsEqualCLSID(clsid, *entries_[i].clsid)) continue;
            ::EnterCriticalSection(&lock_);
            if (!factories_[i]) factories_[i] = new (std::nothrow) ClassFactory(entries_[i].create);
            ClassFactory* factory = factories_[i];
            ::LeaveCriticalSection(&lock_);
            if (!factory) return E_OUTOFMEMORY;
            return factory->QueryInterface(iid, out);
        }
        return CLASS_E_CLASSNOTAVAILABLE;
    }

    // Registration stops at the first failing script; removal runs them all.
    HRESULT RunScripts(HINSTANCE module, bool registering) noexcept {
        for (const ClassEntry& entry : entries_) {
            const HRESULT hr = RunRegistrationScript(module, entry.registrationScript, registering);
            if (registering) RETURN_IF_FAILED(hr);
        }
        return S_OK;
    }

private:
    std::array<ClassEntry, N> entries_;
    std::array<ClassFactory*, N> factories_{};
    CRITICAL_SECTION lock_{};
};

}  // namespace vantrel
