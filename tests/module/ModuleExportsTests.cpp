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
