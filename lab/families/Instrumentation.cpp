// Management instrumentation: the locator connects to "\\NAME\root\cimv2"
// (also "root\cimv2" and "\\.\root\cimv2" for the local computer) as the
// calling thread's identity, which must administer the computer, and its
// services object runs the Win32_Service methods StopService and
// StartService against the computer's lab services. As a remote provider
// does for a caller that only identifies itself, methods are refused with
// WBEM_E_ACCESS_DENIED until the services object's proxy blanket allows
// impersonation. Only ExecMethod is served; the other methods answer
// WBEM_E_NOT_SUPPORTED. No out-parameters object is made (callers that ask
// for one get null): the methods' return values are the lab's counters'
// business, not the caller's.
#include "platform/Instrumentation.h"

#include "lab/Clock.h"
#include "lab/ComObject.h"
#include "lab/Text.h"
#include "lab/families/ServiceControl.h"

#include <atomic>
#include <string>

namespace lab {
namespace {

constexpr HRESULT kNotSupported = static_cast<HRESULT>(WBEM_E_NOT_SUPPORTED);

// "Win32_Service.Name=\"X\"": the service name; false for another form.
bool ServiceOfPath(const wchar_t* path, std::wstring& service, HRESULT& error) {
    const std::wstring text = path ? path : L"";
    const size_t dot = text.find(L'.');
    if (dot == std::wstring::npos) {
        error = WBEM_E_INVALID_OBJECT_PATH;
        return false;
    }
    if (!EqualsNoCase(text.substr(0, dot), L"Win32_Service")) {
        error = WBEM_E_INVALID_CLASS;
        return false;
    }
    const std::wstring key = text.substr(dot + 1);
    const size_t equals = key.find(L'=');
    if (equals == std::wstring::npos || !EqualsNoCase(key.substr(0, equals), L"Name") || key.size() < equals + 3 ||
        key[equals + 1] != L'"' || key.back() != L'"') {
        error = WBEM_E_INVALID_OBJECT_PATH;
        return false;
    }
    service = key.substr(equals + 2, key.size() - equals - 3);
    return true;
}

enum class Method { Stop, Start };

class Services final : public ComObject<Implements<IWbemServices, &IID_IWbemServices>,
                                        Implements<IClientSecurity, &IID_IClientSecurity>> {
public:
    explicit Services(const std::wstring& computer)
        : ComObject(computer, "IWbemLocator::ConnectServer", Family::Instrumentation, "IWbemServices") {}

    // IClientSecurity: what CoSetProxyBlanket hands on.
    HRESULT STDMETHODCALLTYPE QueryBlanket(IUnknown*, DWORD* authn, DWORD* authz, OLECHAR** principal, DWORD* level,
                                           DWORD* impersonation, void** identity, DWORD* capabilities) override {
        if (authn) *authn = authn_;
        if (authz) *authz = RPC_C_AUTHZ_NONE;
        if (principal) *principal = nullptr;
        if (level) *level = level_;
        if (impersonation) *impersonation = impersonation_;
        if (identity) *identity = nullptr;
        if (capabilities) *capabilities = EOAC_NONE;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetBlanket(IUnknown*, DWORD authn, DWORD, OLECHAR*, DWORD level, DWORD impersonation,
                                         void*, DWORD) override {
        authn_ = authn;
        level_ = level;
        impersonation_ = impersonation;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE CopyProxy(IUnknown*, IUnknown** copy) override {
        if (copy) *copy = nullptr;
        return E_NOTIMPL;
    }

    HRESULT STDMETHODCALLTYPE ExecMethod(const BSTR strObjectPath, const BSTR strMethodName, LONG, IWbemContext*,
                                         IWbemClassObject*, IWbemClassObject** ppOutParams,
                                         IWbemCallResult** ppCallResult) override {
        if (ppOutParams) *ppOutParams = nullptr;
        if (ppCallResult) *ppCallResult = nullptr;
        if (!strObjectPath || !strMethodName) return WBEM_E_INVALID_PARAMETER;
        std::wstring service;
        HRESULT pathError = S_OK;
        if (!ServiceOfPath(strObjectPath, service, pathError)) return pathError;
        Method method;
        if (EqualsNoCase(strMethodName, L"StopService")) method = Method::Stop;
        else if (EqualsNoCase(strMethodName, L"StartService")) method = Method::Start;
        else return WBEM_E_INVALID_METHOD;
        if (impersonation_.load() < RPC_C_IMP_LEVEL_IMPERSONATE) return WBEM_E_ACCESS_DENIED;
        DWORD waitMs = 0;
        {
            Gate gate(Computer().c_str(), Family::Instrumentation, "IWbemServices::ExecMethod");
            if (gate.Error()) return gate.ErrorAsHResult();
            if (gate.RequireAdmin()) return WBEM_E_ACCESS_DENIED;
            ServiceTable& table = gate.Target().Section<ServiceTable>();
            const ULONGLONG now = clock::Now();
            table.Advance(now);
            LabService* found = table.Find(service);
            if (!found) return WBEM_E_NOT_FOUND;
            if (method == Method::Stop) {
                if (found->state == SERVICE_RUNNING && found->behaviour.acceptStop) {
                    BeginTransition(*found, SERVICE_STOP_PENDING, now);
                    waitMs = found->behaviour.stopMs;
                }
            } else if (found->state == SERVICE_STOPPED) {
                StartService(table, *found, gate.Net(), gate.Target(), now);
            }
        }
        // The provider answers StopService once the service has stopped (the
        // next call brings the table up to date).
        if (waitMs) {
            if (clock::IsVirtual()) clock::Advance(waitMs);
            else ::Sleep(waitMs);
        }
        return WBEM_S_NO_ERROR;
    }

    HRESULT STDMETHODCALLTYPE OpenNamespace(const BSTR, LONG, IWbemContext*, IWbemServices** out,
                                            IWbemCallResult**) override {
        if (out) *out = nullptr;
        return kNotSupported;
    }
    HRESULT STDMETHODCALLTYPE CancelAsyncCall(IWbemObjectSink*) override { return kNotSupported; }
    HRESULT STDMETHODCALLTYPE QueryObjectSink(LONG, IWbemObjectSink** out) override {
        if (out) *out = nullptr;
        return kNotSupported;
    }
    HRESULT STDMETHODCALLTYPE GetObject(const BSTR, LONG, IWbemContext*, IWbemClassObject** out,
                                        IWbemCallResult**) override {
        if (out) *out = nullptr;
        return kNotSupported;
    }
    HRESULT STDMETHODCALLTYPE GetObjectAsync(const BSTR, LONG, IWbemContext*, IWbemObjectSink*) override {
        return kNotSupported;
    }
    HRESULT STDMETHODCALLTYPE PutClass(IWbemClassObject*, LONG, IWbemContext*, IWbemCallResult**) override {
        return kNotSupported;
    }
    HRESULT STDMETHODCALLTYPE PutClassAsync(IWbemClassObject*, LONG, IWbemContext*, IWbemObjectSink*) override {
        return kNotSupported;
    }
    HRESULT STDMETHODCALLTYPE DeleteClass(const BSTR, LONG, IWbemContext*, IWbemCallResult**) override {
        return kNotSupported;
    }
    HRESULT STDMETHODCALLTYPE DeleteClassAsync(const BSTR, LONG, IWbemContext*, IWbemObjectSink*) override {
        return kNotSupported;
    }
    HRESULT STDMETHODCALLTYPE CreateClassEnum(const BSTR, LONG, IWbemContext*, IEnumWbemClassObject** out) override {
        if (out) *out = nullptr;
        return kNotSupported;
    }
    HRESULT STDMETHODCALLTYPE CreateClassEnumAsync(const BSTR, LONG, IWbemContext*, IWbemObjectSink*) override {
        return kNotSupported;
    }
    HRESULT STDMETHODCALLTYPE PutInstance(IWbemClassObject*, LONG, IWbemContext*, IWbemCallResult**) override {
        return kNotSupported;
    }
    HRESULT STDMETHODCALLTYPE PutInstanceAsync(IWbemClassObject*, LONG, IWbemContext*, IWbemObjectSink*) override {
        return kNotSupported;
    }
    HRESULT STDMETHODCALLTYPE DeleteInstance(const BSTR, LONG, IWbemContext*, IWbemCallResult**) override {
        return kNotSupported;
    }
    HRESULT STDMETHODCALLTYPE DeleteInstanceAsync(const BSTR, LONG, IWbemContext*, IWbemObjectSink*) override {
        return kNotSupported;
    }
    HRESULT STDMETHODCALLTYPE CreateInstanceEnum(const BSTR, LONG, IWbemContext*, IEnumWbemClassObject** out) override {
        if (out) *out = nullptr;
        return kNotSupported;
    }
    HRESULT STDMETHODCALLTYPE CreateInstanceEnumAsync(const BSTR, LONG, IWbemContext*, IWbemObjectSink*) override {
        return kNotSupported;
    }
    HRESULT STDMETHODCALLTYPE ExecQuery(const BSTR, const BSTR, LONG, IWbemContext*, IEnumWbemClassObject** out) override {
        if (out) *out = nullptr;
        return kNotSupported;
    }
    HRESULT STDMETHODCALLTYPE ExecQueryAsync(const BSTR, const BSTR, LONG, IWbemContext*, IWbemObjectSink*) override {
        return kNotSupported;
    }
    HRESULT STDMETHODCALLTYPE ExecNotificationQuery(const BSTR, const BSTR, LONG, IWbemContext*,
                                                    IEnumWbemClassObject** out) override {
        if (out) *out = nullptr;
        return kNotSupported;
    }
    HRESULT STDMETHODCALLTYPE ExecNotificationQueryAsync(const BSTR, const BSTR, LONG, IWbemContext*,
                                                         IWbemObjectSink*) override {
        return kNotSupported;
    }
    HRESULT STDMETHODCALLTYPE ExecMethodAsync(const BSTR, const BSTR, LONG, IWbemContext*, IWbemClassObject*,
                                              IWbemObjectSink*) override {
        return kNotSupported;
    }

    // QueryInterface of both bases meets here.
    using ComObject::AddRef;
    using ComObject::QueryInterface;
    using ComObject::Release;

private:
    std::atomic<DWORD> authn_{RPC_C_AUTHN_WINNT};
    std::atomic<DWORD> level_{RPC_C_AUTHN_LEVEL_CONNECT};
    std::atomic<DWORD> impersonation_{RPC_C_IMP_LEVEL_IDENTIFY};
};

// "\\NAME\root\cimv2" (or the local forms): the computer's name; false when
// the namespace is not root\cimv2.
bool ComputerOfNamespace(const wchar_t* space, std::wstring& computer) {
    std::wstring text = space ? space : L"";
    computer.clear();
    if (text.rfind(L"\\\\", 0) == 0 || text.rfind(L"//", 0) == 0) {
        const size_t end = text.find_first_of(L"\\/", 2);
        if (end == std::wstring::npos) return false;
        computer = text.substr(2, end - 2);
        if (computer == L".") computer.clear();
        text = text.substr(end + 1);
    }
    for (wchar_t& c : text) {
        if (c == L'/') c = L'\\';
    }
    return EqualsNoCase(text, L"root\\cimv2");
}

class Locator final : public ComObject<Implements<IWbemLocator, &IID_IWbemLocator>> {
public:
    explicit Locator(const std::wstring& local)
        : ComObject(local, "CreateWbemLocator", Family::Instrumentation, "IWbemLocator") {}

    HRESULT STDMETHODCALLTYPE ConnectServer(const BSTR strNetworkResource, const BSTR strUser, const BSTR strPassword,
                                            const BSTR strLocale, LONG lSecurityFlags, const BSTR strAuthority,
                                            IWbemContext* pCtx, IWbemServices** ppNamespace) override {
        (void)strUser, (void)strPassword, (void)strLocale, (void)lSecurityFlags, (void)strAuthority, (void)pCtx;
        if (!ppNamespace) return WBEM_E_INVALID_PARAMETER;
        *ppNamespace = nullptr;
        std::wstring computer;
        if (!ComputerOfNamespace(strNetworkResource, computer)) return WBEM_E_INVALID_NAMESPACE;
        std::wstring name;
        {
            Gate gate(computer.c_str(), Family::Instrumentation, "IWbemLocator::ConnectServer");
            if (gate.Error()) return gate.ErrorAsHResult();
            if (gate.RequireAdmin()) return static_cast<HRESULT>(gate.RequireAdmin());
            name = gate.Target().name;
        }
        *ppNamespace = new Services(name);
        return WBEM_S_NO_ERROR;
    }
};

}  // namespace
}  // namespace lab

HRESULT WINAPI plat::CreateWbemLocator(IWbemLocator** ppLocator) {
    if (!ppLocator) return E_POINTER;
    *ppLocator = nullptr;
    std::wstring local;
    {
        lab::Gate gate(nullptr, lab::Family::Instrumentation, "CreateWbemLocator");
        if (gate.Error()) return gate.ErrorAsHResult();
        local = gate.Target().name;
    }
    *ppLocator = new lab::Locator(local);
    return S_OK;
}
