// The DLL's entry points as COM drives them, in-process.
#include "tests/module/ModuleTestSupport.h"
#include "common/ComPtr.h"
#include "common/Handles.h"

#include <gtest/gtest.h>

using namespace moduletest;
using vantrel::ComPtr;

TEST(ModuleExports, ClassObjectsFollowTheRules) {
    ComApartment com;
    LoadedModule module;
    ASSERT_NE(nullptr, module.Get());
    EXPECT_EQ(E_POINTER, module.GetClassObject(CLSID_ComputerResMgmtUI, IID_IClassFactory, nullptr));
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(CLASS_E_CLASSNOTAVAILABLE, module.GetClassObject(IID_IWizard, IID_IClassFactory, &out));
    EXPECT_EQ(nullptr, out);

    // The factory is created once and kept.
    ComPtr<IClassFactory> first, second;
    ASSERT_EQ(S_OK, module.GetClassObject(CLSID_MultiComputerOp, IID_IClassFactory, first.PutVoid()));
    ASSERT_EQ(S_OK, module.GetClassObject(CLSID_MultiComputerOp, IID_IUnknown, second.PutVoid()));
    EXPECT_EQ(static_cast<IUnknown*>(first.Get()), static_cast<IUnknown*>(second.Get()));
    EXPECT_EQ(E_NOINTERFACE, module.GetClassObject(CLSID_MultiComputerOp, IID_IDispatch, &out));

    for (const CLSID* clsid : {&CLSID_ComputerResMgmtUI, &CLSID_MngSvcsWizard, &CLSID_ServiceEditor,
                               &CLSID_MultiComputerOp, &CLSID_BrevCompInfo}) {
        ComPtr<IUnknown> object;
        EXPECT_EQ(S_OK, module.CreateInstance(*clsid, IID_IUnknown, object.PutVoid()));
    }
}

TEST(ModuleExports, UnloadOnlyWithoutLiveObjectsOrLocks) {
    ComApartment com;
    LoadedModule module;
    ASSERT_EQ(S_OK, module.CanUnloadNow());
    ComPtr<IClassFactory> factory;
    ASSERT_EQ(S_OK, module.GetClassObject(CLSID_ServiceEditor, IID_IClassFactory, factory.PutVoid()));
    EXPECT_EQ(S_OK, module.CanUnloadNow());  // a kept factory is no lock

    ComPtr<IServiceEditor> editor;
    ASSERT_EQ(S_OK, factory->CreateInstance(nullptr, IID_IServiceEditor, editor.PutVoid()));
    EXPECT_EQ(S_FALSE, module.CanUnloadNow());
    editor.Reset();
    EXPECT_EQ(S_OK, module.CanUnloadNow());

    factory->LockServer(TRUE);
    EXPECT_EQ(S_FALSE, module.CanUnloadNow());
    factory->LockServer(FALSE);
    EXPECT_EQ(S_OK, module.CanUnloadNow());
}

// An outer object aggregating BrevCompInfo: the inner unknown is the only
// thing handed out, and interface calls count on the outer object.
TEST(ModuleExports, AggregationHandsOutTheInnerUnknown) {
    ComApartment com;
    LoadedModule module;
    struct Outer : IUnknown {
        LONG refs = 1;
        IUnknown* inner = nullptr;
        STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
            if (IsEqualIID(iid, IID_IUnknown)) { *out = this; AddRef(); return S_OK; }
            return inner->QueryInterface(iid, out);
        }
        STDMETHODIMP_(ULONG) AddRef() override { return ++refs; }
        STDMETHODIMP_(ULONG) Release() override { return --refs; }
    } outer;
    ComPtr<IClassFactory> factory;
    ASSERT_EQ(S_OK, module.GetClassObject(CLSID_BrevCompInfo, IID_IClassFactory, factory.PutVoid()));
    void* out = nullptr;
    EXPECT_EQ(CLASS_E_NOAGGREGATION, factory->CreateInstance(&outer, IID_IBrevCompInfo, &out));
    ASSERT_EQ(S_OK, factory->CreateInstance(&outer, IID_IUnknown, reinterpret_cast<void**>(&outer.inner)));

    IBrevCompInfo* info = nullptr;
    ASSERT_EQ(S_OK, outer.QueryInterface(IID_IBrevCompInfo, reinterpret_cast<void**>(&info)));
    EXPECT_EQ(2, outer.refs);  // counted on the outer object
    IUnknown* back = nullptr;
    info->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&back));
    EXPECT_EQ(static_cast<IUnknown*>(&outer), back);  // identity is the outer's
    back->Release();
    info->Release();
    EXPECT_EQ(1, outer.refs);
    outer.inner->Release();
    EXPECT_EQ(S_OK, module.CanUnloadNow());
}

// Script and automation clients reach the methods through IDispatch.
TEST(ModuleExports, DispatchReachesTheMethods) {
    ComApartment com;
    LoadedModule module;
    ComPtr<IDispatch> op;
    ASSERT_EQ(S_OK, module.CreateInstance(CLSID_MultiComputerOp, IID_IDispatch, op.PutVoid()));
    LPOLESTR name = const_cast<LPOLESTR>(L"OperationType");
    DISPID id = 0;
    ASSERT_EQ(S_OK, op->GetIDsOfNames(IID_NULL, &name, 1, 0, &id));
    EXPECT_EQ(3, id);

    VARIANT value;
    ::VariantInit(&value);
    value.vt = VT_I4;
    value.lVal = MCO_CHECK_DNS_RECORDS;
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS put = {&value, &named, 1, 1};
    EXPECT_EQ(S_OK, op->Invoke(id, IID_NULL, 0, DISPATCH_PROPERTYPUT, &put, nullptr, nullptr, nullptr));
    // A failing method reaches automation clients as an exception with its code.
    value.lVal = 7;
    EXCEPINFO exception = {};
    EXPECT_EQ(DISP_E_EXCEPTION, op->Invoke(id, IID_NULL, 0, DISPATCH_PROPERTYPUT, &put, nullptr, &exception, nullptr));
    EXPECT_EQ(E_INVALIDARG, exception.scode);
    ::SysFreeString(exception.bstrSource);
    ::SysFreeString(exception.bstrDescription);
    ::SysFreeString(exception.bstrHelpFile);

    VARIANT result;
    ::VariantInit(&result);
    DISPPARAMS none = {};
    ASSERT_EQ(S_OK, op->Invoke(id, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &result, nullptr, nullptr));
    EXPECT_EQ(VT_I4, result.vt);
    EXPECT_EQ(MCO_CHECK_DNS_RECORDS, result.lVal);

    ComPtr<IMultiComputerOp> typed;
    ASSERT_EQ(S_OK, op.QueryTo(typed.Put()));
    long direct = 0;
    EXPECT_EQ(S_OK, typed->get_OperationType(&direct));
    EXPECT_EQ(MCO_CHECK_DNS_RECORDS, direct);
}
