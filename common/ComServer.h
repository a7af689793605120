#pragma once
// The in-process COM server skeleton both DLLs share: module start and stop,
// the class objects, DllCanUnloadNow and self-registration of the classes
// and the embedded type library. A DLL declares one ComServer with its class
// table, calls Attach/Detach from its DllMain, and exports the four entry
// points with VANTREL_COM_SERVER_EXPORTS.
#include "common/ClassTable.h"
#include "common/ModuleState.h"
#include "common/Result.h"

#include <windows.h>

#include <array>
#include <cstddef>

namespace vantrel {

// Registers the type library embedded as TYPELIB 1 in this module, under the
// module's own path.
HRESULT RegisterEmbeddedTypeLibrary() noexcept;
// Removes the registration of that library (by its own identifier and
// version); nothing to remove is success.
HRESULT UnregisterEmbeddedTypeLibrary() noexcept;

template <size_t N>
class ComServer {
public:
    explicit constexpr ComServer(const std::array<ClassEntry, N>& classes) noexcept : classes_(classes) {}

    // From DllMain's process attach.
    void Attach(HINSTANCE instance) noexcept {
        module::SetInstance(instance);
        classes_.Start();
        ::DisableThreadLibraryCalls(instance);
    }
    // From DllMain's process detach. At process exit other modules may
    // already be gone: the rest is left to the system.
    void Detach(bool processEnding) noexcept {
        if (!processEnding) classes_.Stop();
    }

    HRESULT CanUnloadNow() const noexcept { return module::LockCount() == 0 ? S_OK : S_FALSE; }
    HRESULT GetClassObject(REFCLSID clsid, REFIID iid, void** out) noexcept {
        return classes_.GetClassObject(clsid, iid, out);
    }

    // Every class's script, then the type library. Half a registration is
    // worse than none: a failure removes whatever was written.
    HRESULT Register() noexcept {
        HRESULT hr = classes_.RunScripts(module::Instance(), true);
        if (SUCCEEDED(hr)) hr = RegisterEmbeddedTypeLibrary();
        if (FAILED(hr)) Unregister();
        return hr;
    }
    HRESULT Unregister() noexcept {
        classes_.RunScripts(module::Instance(), false);
        UnregisterEmbeddedTypeLibrary();
        return S_OK;
    }

private:
    ClassTable<N> classes_;
};

}  // namespace vantrel

// The DLL's exported entry points, answered by `server`.
#define VANTREL_COM_SERVER_EXPORTS(server)                                                                     \
    STDAPI DllCanUnloadNow() { return (server).CanUnloadNow(); }                                               \
    STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, LPVOID* out) {                                        \
        return (server).GetClassObject(clsid, iid, out);                                                       \
    }                                                                                                          \
    STDAPI DllRegisterServer() { return (server).Register(); }                                                 \
    STDAPI DllUnregisterServer() { return (server).Unregister(); }
