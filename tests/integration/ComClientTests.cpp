// A COM client in its own process, run twice by run-registration.sh: after
// regsvr32 registered the shipped DLLs (Registered.*) and after regsvr32 /u
// removed them again (Unregistered.*). It knows the module only through the
// registry and the type library, as the console does.
#include "Companions_h.h"
#include "Vantrel_h.h"

#include <gtest/gtest.h>
#include <objbase.h>
#include <oleauto.h>

#include <cwctype>
#include <string>
#include <thread>

namespace {

struct Apartment {
    explicit Apartment(DWORD model = COINIT_APARTMENTTHREADED) { ::CoInitializeEx(nullptr, model); }
    ~Apartment() { ::CoUninitialize(); }
};

template <typename T>
struct Ptr {  // just enough ownership for a test client
    T* p = nullptr;
    ~Ptr() { if (p) p->Release(); }
    void** Put() { return reinterpret_cast<void**>(&p); }
    T* operator->() const { return p; }
};

struct ClassInfo {
    const wchar_t* name;
    const CLSID* clsid;
    const IID* iid;
    const wchar_t* threading;
};

const ClassInfo kClasses[] = {
    {L"ComputerResMgmtUI", &CLSID_ComputerResMgmtUI, &IID_IComputerResMgmtUI, L"Apartment"},
    {L"MngSvcsWizard", &CLSID_MngSvcsWizard, &IID_IMngSvcsWizard, L"Apartment"},
    {L"ServiceEditor", &CLSID_ServiceEditor, &IID_IServiceEditor, L"Apartment"},
    {L"MultiComputerOp", &CLSID_MultiComputerOp, &IID_IMultiComputerOp, L"Apartment"},
    {L"BrevCompInfo", &CLSID_BrevCompInfo, &IID_IBrevCompInfo, L"Free"},
};

std::wstring ClsidText(const CLSID& clsid) {
    wchar_t text[40];
    ::StringFromGUID2(clsid, text, 40);
    return text;
}

std::wstring Value(const std::wstring& key, const wchar_t* name) {
    wchar_t text[1024] = {};
    DWORD size = sizeof text;
    if (::RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), name, RRF_RT_REG_SZ, nullptr, text, &size) != ERROR_SUCCESS)
        return L"<missing>";
    return text;
}

bool KeyExists(const std::wstring& key) {
    HKEY opened = nullptr;
    if (::RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS) return false;
    ::RegCloseKey(opened);
    return true;
}

std::wstring Lower(std::wstring text) {
    for (auto& c : text) c = static_cast<wchar_t>(std::towlower(c));
    return text;
}

std::wstring Environment(const wchar_t* name) {
    wchar_t value[1024] = {};
    ::GetEnvironmentVariableW(name, value, 1024);
    return value;
}

HMODULE RegisteredModule() { return ::GetModuleHandleW(Environment(L"VANTREL_MODULE").c_str()); }

HRESULT CanUnloadNow() {
    HMODULE module = RegisteredModule();
    if (!module) return E_UNEXPECTED;
    auto canUnload = reinterpret_cast<HRESULT(WINAPI*)()>(::GetProcAddress(module, "DllCanUnloadNow"));
    return canUnload ? canUnload() : E_UNEXPECTED;
}

TEST(Registered, EveryClassByProgIdAndClsidFromTheModulePath) {
    Apartment apartment;
    const std::wstring module = Environment(L"VANTREL_MODULE");
    ASSERT_NE(std::wstring::npos, module.find(L' ')) << "the module should live in a path with spaces";
    for (const ClassInfo& c : kClasses) {
        SCOPED_TRACE(c.name);
        const std::wstring progId = std::wstring(L"TalvorSoftware.") + c.name;
        for (const std::wstring& id : {progId, progId + L".1"}) {
            CLSID clsid{};
            ASSERT_EQ(S_OK, ::CLSIDFromProgID(id.c_str(), &clsid)) << id.c_str();
            EXPECT_TRUE(IsEqualCLSID(*c.clsid, clsid));
        }
        const std::wstring key = L"CLSID\\" + ClsidText(*c.clsid);
        EXPECT_EQ(Lower(module), Lower(Value(key + L"\\InprocServer32", nullptr)));
        EXPECT_EQ(c.threading, Value(key + L"\\InprocServer32", L"ThreadingModel"));
        Ptr<IUnknown> object;
        ASSERT_EQ(S_OK, ::CoCreateInstance(*c.clsid, nullptr, CLSCTX_INPROC_SERVER, *c.iid, object.Put()));
    }
    Ptr<ITypeLib> library;
    EXPECT_EQ(S_OK, ::LoadRegTypeLib(LIBID_VANTRELLib, 1, 0, MAKELCID(0x409, SORT_DEFAULT), &library.p));
    // The console's companions were registered beside the module.
    Ptr<ICredentialStore> store;
    EXPECT_EQ(S_OK, ::CoCreateInstance(CLSID_CredentialStore, nullptr, CLSCTX_ALL, IID_ICredentialStore, store.Put()));
    Ptr<IActivityLog> log;
    EXPECT_EQ(S_OK, ::CoCreateInstance(CLSID_ActivityLog, nullptr, CLSCTX_ALL, IID_IActivityLog, log.Put()));
}

TEST(Registered, VtableAndDispatchReachTheSameObject) {
    Apartment apartment;
    Ptr<IMultiComputerOp> op;
    ASSERT_EQ(S_OK, ::CoCreateInstance(CLSID_MultiComputerOp, nullptr, CLSCTX_INPROC_SERVER, IID_IMultiComputerOp,
                                       op.Put()));
    ASSERT_EQ(S_OK, op->put_OperationType(MCO_CHECK_DNS_RECORDS));

    // Late bound, as a script would: the name, then Invoke.
    Ptr<IDispatch> dispatch;
    ASSERT_EQ(S_OK, op->QueryInterface(IID_IDispatch, dispatch.Put()));
    OLECHAR name[] = L"OperationType";
    LPOLESTR names[] = {name};
    DISPID id = 0;
    ASSERT_EQ(S_OK, dispatch->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id));
    EXPECT_EQ(3, id);
    VARIANT result;
    ::VariantInit(&result);
    DISPPARAMS none{};
    ASSERT_EQ(S_OK, dispatch->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, &result,
                                     nullptr, nullptr));
    EXPECT_EQ(VT_I4, result.vt);
    EXPECT_EQ(MCO_CHECK_DNS_RECORDS, result.lVal);

    VARIANT value;
    value.vt = VT_I4;
    value.lVal = MCO_DISABLE_GUEST_ACCOUNT;
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS put{&value, &named, 1, 1};
    ASSERT_EQ(S_OK, dispatch->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT, &put, nullptr,
                                     nullptr, nullptr));
    long type = 0;
    ASSERT_EQ(S_OK, op->get_OperationType(&type));
    EXPECT_EQ(MCO_DISABLE_GUEST_ACCOUNT, type);

    // A method through Invoke: GetWizard hands back the wizard as a dispatch pointer.
    Ptr<IDispatch> ui;
    ASSERT_EQ(S_OK, ::CoCreateInstance(CLSID_ComputerResMgmtUI, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                       ui.Put()));
    VARIANT identifier;
    identifier.vt = VT_I4;
    identifier.lVal = UIID_MULTICOMPUTEROP_WIZARD;
    DISPPARAMS call{&identifier, nullptr, 1, 0};
    VARIANT wizard;
    ::VariantInit(&wizard);
    ASSERT_EQ(S_OK, ui->Invoke(2, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &call, &wizard, nullptr, nullptr));
    ASSERT_EQ(VT_DISPATCH, wizard.vt);
    Ptr<IMultiComputerOp> same;
    EXPECT_EQ(S_OK, wizard.pdispVal->QueryInterface(IID_IMultiComputerOp, same.Put()));
    ::VariantClear(&wizard);
    // An identifier that is no wizard fails through Invoke as through the vtable.
    identifier.lVal = UIID_SESSIONS;
    EXCEPINFO exception{};
    EXPECT_EQ(DISP_E_EXCEPTION, ui->Invoke(2, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &call, &wizard,
                                           &exception, nullptr));
    ::SysFreeString(exception.bstrSource);
    ::SysFreeString(exception.bstrDescription);
    ::SysFreeString(exception.bstrHelpFile);
}

TEST(Registered, FreeThreadedInfoCrossesApartmentsAsItself) {
    Apartment apartment;
    Ptr<IBrevCompInfo> info;
    ASSERT_EQ(S_OK, ::CoCreateInstance(CLSID_BrevCompInfo, nullptr, CLSCTX_INPROC_SERVER, IID_IBrevCompInfo,
                                       info.Put()));
    BSTR name = ::SysAllocString(L"FS01");
    ASSERT_EQ(S_OK, info->put_NetBIOSName(name));
    ::SysFreeString(name);
    IStream* stream = nullptr;
    ASSERT_EQ(S_OK, ::CoMarshalInterThreadInterfaceInStream(IID_IBrevCompInfo, info.p, &stream));
    IBrevCompInfo* seen = nullptr;
    std::wstring seenName;
    std::thread([&] {
        Apartment mta(COINIT_MULTITHREADED);
        if (SUCCEEDED(::CoGetInterfaceAndReleaseStream(stream, IID_IBrevCompInfo, reinterpret_cast<void**>(&seen)))) {
            BSTR text = nullptr;
            if (SUCCEEDED(seen->get_NetBIOSName(&text))) seenName = text;
            ::SysFreeString(text);
            seen->Release();
        }
    }).join();
    EXPECT_EQ(info.p, seen);  // the object itself, not a proxy
    EXPECT_EQ(L"FS01", seenName);
}

TEST(Registered, ModuleUnloadsOnlyWithoutObjectsOrLocks) {
    Apartment apartment;
    {
        Ptr<IBrevCompInfo> info;
        ASSERT_EQ(S_OK, ::CoCreateInstance(CLSID_BrevCompInfo, nullptr, CLSCTX_INPROC_SERVER, IID_IBrevCompInfo,
                                           info.Put()));
        EXPECT_EQ(S_FALSE, CanUnloadNow());
    }
    EXPECT_EQ(S_OK, CanUnloadNow());
    Ptr<IClassFactory> factory;
    ASSERT_EQ(S_OK, ::CoGetClassObject(CLSID_ComputerResMgmtUI, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                                       factory.Put()));
    ASSERT_EQ(S_OK, factory->LockServer(TRUE));
    EXPECT_EQ(S_FALSE, CanUnloadNow());
    ASSERT_EQ(S_OK, factory->LockServer(FALSE));
    EXPECT_EQ(S_OK, CanUnloadNow());
}

TEST(Unregistered, ClassesProgIdsAndTypeLibraryAreGoneButClsidStays) {
    Apartment apartment;
    for (const ClassInfo& c : kClasses) {
        SCOPED_TRACE(c.name);
        const std::wstring progId = std::wstring(L"TalvorSoftware.") + c.name;
        EXPECT_FALSE(KeyExists(progId));
        EXPECT_FALSE(KeyExists(progId + L".1"));
        EXPECT_FALSE(KeyExists(L"CLSID\\" + ClsidText(*c.clsid)));
        Ptr<IUnknown> object;
        EXPECT_EQ(REGDB_E_CLASSNOTREG, ::CoCreateInstance(*c.clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                                                          object.Put()));
    }
    EXPECT_FALSE(KeyExists(L"TypeLib\\" + ClsidText(LIBID_VANTRELLib) + L"\\1.0"));
    EXPECT_TRUE(KeyExists(L"CLSID"));
}

}  // namespace
