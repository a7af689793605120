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
#include <initializer_list>
#include <string>
#include <thread>
#include <vector>

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

// Late binding through every dual interface a class offers, compared with
// the vtable call on a second object of the class. A pointer's IDispatch
// slots must belong to the interface it was queried for: a class with two
// dual interfaces otherwise answers the second one's DISPIDs from the first
// one's table.
struct Arg {
    VARTYPE vt;
    long number;
    const wchar_t* text;
};

// The vtable call, given the pointer for the row's interface; a retval goes
// into `out`.
using VtableCall = HRESULT (*)(void* itf, VARIANT* out);
// What the call changed, read through the vtable.
using Probe = std::wstring (*)(void* itf);

struct LateBound {
    const wchar_t* what;
    const CLSID* clsid;
    const IID* queried;
    const IID* described;  // the interface GetTypeInfo describes: the one queried or the derived one
    const wchar_t* method;
    DISPID id;
    WORD flags;
    std::vector<Arg> args;  // in call order
    VtableCall vtable;
    Probe probe;
};

std::wstring Number(long value) { return std::to_wstring(value); }
std::wstring Text(BSTR value) {
    std::wstring text = value ? value : L"<null>";
    ::SysFreeString(value);
    return text;
}

template <typename T>
T* As(void* p) { return static_cast<T*>(p); }

BSTR Bstr(const wchar_t* text) { return ::SysAllocString(text); }

// Calls `call` with fresh strings of `texts`, freed afterwards.
template <typename Call>
HRESULT WithBstrs(std::initializer_list<const wchar_t*> texts, Call call) {
    std::vector<BSTR> strings;
    for (const wchar_t* text : texts) strings.push_back(Bstr(text));
    const HRESULT hr = call(strings.data());
    for (BSTR text : strings) ::SysFreeString(text);
    return hr;
}

// Probes reading a property back through the vtable.
template <typename Itf, HRESULT (STDMETHODCALLTYPE Itf::*get)(long*)>
std::wstring NumberProbe(void* p) {
    long value = -1;
    (As<Itf>(p)->*get)(&value);
    return Number(value);
}
template <typename Itf, HRESULT (STDMETHODCALLTYPE Itf::*get)(BSTR*)>
std::wstring TextProbe(void* p) {
    BSTR value = nullptr;
    (As<Itf>(p)->*get)(&value);
    return Text(value);
}

const std::vector<LateBound>& LateBoundCalls() {
    static const std::vector<LateBound> calls = {
        {L"batch AddService", &CLSID_ComputerResMgmtUI, &IID_IMultiServiceControl, &IID_IMultiServiceControl,
         L"AddService", 1, DISPATCH_METHOD, {{VT_BSTR, 0, L"FS01"}, {VT_BSTR, 0, L"Spooler"}},
         [](void* p, VARIANT*) {
             return WithBstrs({L"FS01", L"Spooler"},
                             [p](BSTR* s) { return As<IMultiServiceControl>(p)->AddService(s[0], s[1]); });
         }, nullptr},
        {L"batch AddService without a computer", &CLSID_ComputerResMgmtUI, &IID_IMultiServiceControl,
         &IID_IMultiServiceControl, L"AddService", 1, DISPATCH_METHOD, {{VT_BSTR, 0, L""}, {VT_BSTR, 0, L"Spooler"}},
         [](void* p, VARIANT*) {
             return WithBstrs({L"", L"Spooler"},
                             [p](BSTR* s) { return As<IMultiServiceControl>(p)->AddService(s[0], s[1]); });
         }, nullptr},
        {L"batch Control of an empty batch", &CLSID_ComputerResMgmtUI, &IID_IMultiServiceControl,
         &IID_IMultiServiceControl, L"Control", 2, DISPATCH_METHOD,
         {{VT_I4, 0, nullptr}, {VT_I4, SCMD_START, nullptr}, {VT_I4, SCF_SYNCHRONOUS, nullptr}},
         [](void* p, VARIANT*) { return As<IMultiServiceControl>(p)->Control(0, SCMD_START, SCF_SYNCHRONOUS); },
         nullptr},
        {L"batch Clear", &CLSID_ComputerResMgmtUI, &IID_IMultiServiceControl, &IID_IMultiServiceControl, L"Clear", 3,
         DISPATCH_METHOD, {}, [](void* p, VARIANT*) { return As<IMultiServiceControl>(p)->Clear(); }, nullptr},
        {L"GetWizard of a view", &CLSID_ComputerResMgmtUI, &IID_IComputerResMgmtUI, &IID_IComputerResMgmtUI,
         L"GetWizard", 2, DISPATCH_METHOD, {{VT_I4, UIID_SESSIONS, nullptr}},
         [](void* p, VARIANT* out) {
             IWizard* wizard = nullptr;
             const HRESULT hr = As<IComputerResMgmtUI>(p)->GetWizard(UIID_SESSIONS, &wizard);
             if (wizard) out->vt = VT_DISPATCH, out->pdispVal = wizard;
             return hr;
         }, nullptr},
        {L"GetWizard of the operations wizard", &CLSID_ComputerResMgmtUI, &IID_IComputerResMgmtUI,
         &IID_IComputerResMgmtUI, L"GetWizard", 2, DISPATCH_METHOD, {{VT_I4, UIID_MULTICOMPUTEROP_WIZARD, nullptr}},
         [](void* p, VARIANT* out) {
             IWizard* wizard = nullptr;
             const HRESULT hr = As<IComputerResMgmtUI>(p)->GetWizard(UIID_MULTICOMPUTEROP_WIZARD, &wizard);
             if (wizard) out->vt = VT_DISPATCH, out->pdispVal = wizard;
             return hr;
         }, nullptr},
        {L"Create of no view", &CLSID_ComputerResMgmtUI, &IID_IComputerResMgmtUI, &IID_IComputerResMgmtUI,
         L"Create", 1, DISPATCH_METHOD, {{VT_I4, 99, nullptr}, {VT_BYREF | VT_I4, 0, nullptr}},
         [](void* p, VARIANT*) {
             long handle = 0;
             return As<IComputerResMgmtUI>(p)->Create(99, &handle);
         }, nullptr},
        {L"services wizard Start", &CLSID_MngSvcsWizard, &IID_IMngSvcsWizard, &IID_IMngSvcsWizard, L"Start", 2,
         DISPATCH_METHOD, {}, [](void* p, VARIANT*) { return As<IMngSvcsWizard>(p)->Start(); }, nullptr},
        {L"services wizard Create as IWizard", &CLSID_MngSvcsWizard, &IID_IWizard, &IID_IMngSvcsWizard, L"Create", 1,
         DISPATCH_METHOD, {{VT_I4, 0, nullptr}}, [](void* p, VARIANT*) { return As<IWizard>(p)->Create(0); },
         nullptr},
        {L"services wizard Configuration", &CLSID_MngSvcsWizard, &IID_IMngSvcsWizard, &IID_IMngSvcsWizard,
         L"Configuration", 3, DISPATCH_PROPERTYGET, {},
         [](void* p, VARIANT* out) {
             out->vt = VT_I4;
             return As<IMngSvcsWizard>(p)->get_Configuration(&out->lVal);
         }, nullptr},
        {L"editor Service put", &CLSID_ServiceEditor, &IID_IServiceEditor, &IID_IServiceEditor, L"Service", 3,
         DISPATCH_PROPERTYPUT, {{VT_BSTR, 0, L"Spooler"}},
         [](void* p, VARIANT*) {
             return WithBstrs({L"Spooler"}, [p](BSTR* s) { return As<IServiceEditor>(p)->put_Service(s[0]); });
         },
         &TextProbe<IServiceEditor, &IServiceEditor::get_Service>},
        {L"editor Computer put", &CLSID_ServiceEditor, &IID_IServiceEditor, &IID_IServiceEditor, L"Computer", 5,
         DISPATCH_PROPERTYPUT, {{VT_BSTR, 0, L"FS01"}},
         [](void* p, VARIANT*) {
             return WithBstrs({L"FS01"}, [p](BSTR* s) { return As<IServiceEditor>(p)->put_Computer(s[0]); });
         },
         &TextProbe<IServiceEditor, &IServiceEditor::get_Computer>},
        {L"editor Configuration put", &CLSID_ServiceEditor, &IID_IServiceEditor, &IID_IServiceEditor,
         L"Configuration", 4, DISPATCH_PROPERTYPUT, {{VT_I4, 3, nullptr}},
         [](void* p, VARIANT*) { return As<IServiceEditor>(p)->put_Configuration(3); },
         &NumberProbe<IServiceEditor, &IServiceEditor::get_Configuration>},
        {L"editor Service get unset", &CLSID_ServiceEditor, &IID_IServiceEditor, &IID_IServiceEditor, L"Service", 3,
         DISPATCH_PROPERTYGET, {},
         [](void* p, VARIANT* out) {
             out->vt = VT_BSTR;
             return As<IServiceEditor>(p)->get_Service(&out->bstrVal);
         }, nullptr},
        {L"editor Start as IWizard", &CLSID_ServiceEditor, &IID_IWizard, &IID_IServiceEditor, L"Start", 2,
         DISPATCH_METHOD, {}, [](void* p, VARIANT*) { return As<IWizard>(p)->Start(); }, nullptr},
        {L"operations OperationType put", &CLSID_MultiComputerOp, &IID_IMultiComputerOp, &IID_IMultiComputerOp,
         L"OperationType", 3, DISPATCH_PROPERTYPUT, {{VT_I4, MCO_CHECK_DNS_RECORDS, nullptr}},
         [](void* p, VARIANT*) { return As<IMultiComputerOp>(p)->put_OperationType(MCO_CHECK_DNS_RECORDS); },
         &NumberProbe<IMultiComputerOp, &IMultiComputerOp::get_OperationType>},
        {L"operations OperationType out of range", &CLSID_MultiComputerOp, &IID_IMultiComputerOp,
         &IID_IMultiComputerOp, L"OperationType", 3, DISPATCH_PROPERTYPUT, {{VT_I4, 9, nullptr}},
         [](void* p, VARIANT*) { return As<IMultiComputerOp>(p)->put_OperationType(9); },
         &NumberProbe<IMultiComputerOp, &IMultiComputerOp::get_OperationType>},
        {L"operations Start without an operation as IWizard", &CLSID_MultiComputerOp, &IID_IWizard,
         &IID_IMultiComputerOp, L"Start", 2, DISPATCH_METHOD, {},
         [](void* p, VARIANT*) { return As<IWizard>(p)->Start(); }, nullptr},
    };
    return calls;
}

// A failure reaches a late-bound caller as DISP_E_EXCEPTION with the
// method's HRESULT in the exception record.
HRESULT CallerSees(HRESULT invoked, const EXCEPINFO& exception) {
    return invoked == DISP_E_EXCEPTION ? exception.scode : invoked;
}

std::wstring AsText(VARIANT& value) {
    if (value.vt == VT_EMPTY) return L"<empty>";
    if (value.vt == VT_DISPATCH) return value.pdispVal ? L"<object>" : L"<no object>";
    VARIANT text;
    ::VariantInit(&text);
    if (FAILED(::VariantChangeType(&text, &value, 0, VT_BSTR))) return L"<vt " + Number(value.vt) + L">";
    return Text(text.bstrVal);
}

TEST(Registered, EveryDualInterfaceLateBindsToItsOwnMethods) {
    Apartment apartment;
    for (const LateBound& call : LateBoundCalls()) {
        SCOPED_TRACE(testing::Message() << std::string(call.what, call.what + wcslen(call.what)));
        Ptr<IUnknown> late, early;
        ASSERT_EQ(S_OK, ::CoCreateInstance(*call.clsid, nullptr, CLSCTX_INPROC_SERVER, *call.queried, late.Put()));
        ASSERT_EQ(S_OK, ::CoCreateInstance(*call.clsid, nullptr, CLSCTX_INPROC_SERVER, *call.queried, early.Put()));
        // A dual interface pointer is an IDispatch pointer.
        auto* dispatch = reinterpret_cast<IDispatch*>(late.p);

        Ptr<ITypeInfo> info;
        ASSERT_EQ(S_OK, dispatch->GetTypeInfo(0, LOCALE_USER_DEFAULT, &info.p));
        TYPEATTR* attributes = nullptr;
        ASSERT_EQ(S_OK, info->GetTypeAttr(&attributes));
        EXPECT_TRUE(IsEqualIID(*call.described, attributes->guid));
        info->ReleaseTypeAttr(attributes);
        std::wstring method = call.method;
        LPOLESTR names[] = {method.data()};
        DISPID described = DISPID_UNKNOWN, id = DISPID_UNKNOWN;
        EXPECT_EQ(S_OK, info->GetIDsOfNames(names, 1, &described));
        EXPECT_EQ(call.id, described);
        ASSERT_EQ(S_OK, dispatch->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id));
        EXPECT_EQ(call.id, id);

        // DISPPARAMS carries the arguments last to first.
        std::vector<VARIANT> args(call.args.size());
        std::vector<BSTR> texts;
        long byref = 0;
        for (size_t i = 0; i < call.args.size(); ++i) {
            const Arg& arg = call.args[call.args.size() - 1 - i];
            VARIANT& v = args[i];
            ::VariantInit(&v);
            v.vt = arg.vt;
            if (arg.vt == VT_BSTR) texts.push_back(v.bstrVal = Bstr(arg.text));
            else if (arg.vt == (VT_BYREF | VT_I4)) v.plVal = &byref;
            else v.lVal = arg.number;
        }
        DISPID put = DISPID_PROPERTYPUT;
        const bool putting = call.flags == DISPATCH_PROPERTYPUT;
        DISPPARAMS params{args.data(), putting ? &put : nullptr, static_cast<UINT>(args.size()), putting ? 1u : 0u};
        VARIANT lateResult, earlyResult;
        ::VariantInit(&lateResult), ::VariantInit(&earlyResult);
        EXCEPINFO exception{};
        const HRESULT invoked =
            dispatch->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, call.flags, &params, putting ? nullptr : &lateResult,
                             &exception, nullptr);
        for (BSTR text : texts) ::SysFreeString(text);
        ::SysFreeString(exception.bstrSource), ::SysFreeString(exception.bstrDescription),
            ::SysFreeString(exception.bstrHelpFile);

        const HRESULT direct = call.vtable(early.p, &earlyResult);
        EXPECT_EQ(direct, CallerSees(invoked, exception));
        if (SUCCEEDED(direct)) EXPECT_EQ(AsText(earlyResult), AsText(lateResult));  // a failed call hands nothing back
        else earlyResult.vt = VT_EMPTY;
        ::VariantClear(&lateResult), ::VariantClear(&earlyResult);
        if (call.probe) {
            EXPECT_EQ(call.probe(early.p), call.probe(late.p));
        }
    }
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
