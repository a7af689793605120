// Identifier, pointer and result rules of the component classes.
#include "Vantrel_h.h"
#include "common/ComPtr.h"
#include "common/Handles.h"
#include "component/BrevCompInfo.h"
#include "component/ComputerResMgmtUI.h"
#include "component/ServiceBatch.h"
#include "component/WizardComponents.h"
#include "tests/module/ModuleTestSupport.h"
#include "tests/support/WindowDriver.h"

#include <gtest/gtest.h>

using namespace vantrel;
using moduletest::ComApartment;

namespace {
template <typename T, typename I>
ComPtr<I> Make(REFIID iid) {
    ComPtr<I> object;
    EXPECT_EQ(S_OK, CreateComObject<T>(nullptr, iid, object.PutVoid()));
    return object;
}
}  // namespace

TEST(ComputerResMgmtUIRules, CreateChecksPointerAndIdentifier) {
    ComApartment com;
    auto ui = Make<vantrel::ComputerResMgmtUI, IComputerResMgmtUI>(IID_IComputerResMgmtUI);
    EXPECT_EQ(E_POINTER, ui->Create(UIID_SESSIONS, nullptr));
    long handle = 0;
    for (long id : {0L, 4L, 9L, 10L, -1L}) EXPECT_EQ(E_INVALIDARG, ui->Create(id, &handle)) << id;
}

TEST(ComputerResMgmtUIRules, GetWizardHandsOutTheTwoWizards) {
    ComApartment com;
    auto ui = Make<vantrel::ComputerResMgmtUI, IComputerResMgmtUI>(IID_IComputerResMgmtUI);
    EXPECT_EQ(E_POINTER, ui->GetWizard(UIID_MANAGE_SERVICES_WIZARD, nullptr));
    IWizard* wizard = reinterpret_cast<IWizard*>(1);
    for (long id : {0L, 1L, 3L, 5L, 8L, 10L}) EXPECT_EQ(E_INVALIDARG, ui->GetWizard(id, &wizard)) << id;

    ComPtr<IWizard> services;
    ASSERT_EQ(S_OK, ui->GetWizard(UIID_MANAGE_SERVICES_WIZARD, services.Put()));
    ComPtr<IMngSvcsWizard> typedServices;
    EXPECT_EQ(S_OK, services.QueryTo(typedServices.Put()));

    ComPtr<IWizard> operations;
    ASSERT_EQ(S_OK, ui->GetWizard(UIID_MULTICOMPUTEROP_WIZARD, operations.Put()));
    ComPtr<IMultiComputerOp> typedOperations;
    EXPECT_EQ(S_OK, operations.QueryTo(typedOperations.Put()));
}

TEST(ServiceBatchRules, NormalisesAndGroupsByComputer) {
    ServiceBatch batch;
    EXPECT_EQ(E_INVALIDARG, batch.Add(L"", L"Spooler"));
    EXPECT_EQ(E_INVALIDARG, batch.Add(L"FILESRV01", nullptr));
    EXPECT_TRUE(batch.Entries().empty());

    EXPECT_EQ(S_OK, batch.Add(L"FILESRV01", L"Spooler"));
    EXPECT_EQ(S_OK, batch.Add(L"\\\\dc01", L"NetLogon"));
    EXPECT_EQ(S_OK, batch.Add(L"\\\\filesrv01", L"LanmanServer"));
    EXPECT_EQ(S_OK, batch.Add(L"FileSrv01", L"Spooler"));  // not de-duplicated
    EXPECT_EQ(S_OK, batch.Add(L"\\odd", L"W32Time"));       // one backslash is left alone
    ASSERT_EQ(3u, batch.Entries().size());
    EXPECT_STREQ(L"\\\\FILESRV01", batch.Entries()[0].computer.Get());
    ASSERT_EQ(3u, batch.Entries()[0].services.size());
    EXPECT_STREQ(L"LanmanServer", batch.Entries()[0].services[1].Get());
    EXPECT_STREQ(L"\\\\dc01", batch.Entries()[1].computer.Get());
    EXPECT_STREQ(L"\\odd", batch.Entries()[2].computer.Get());
    batch.Clear();
    EXPECT_TRUE(batch.Entries().empty());
}

TEST(WizardRules, MultiComputerOpByOperationType) {
    ComApartment com;
    auto op = Make<vantrel::MultiComputerOp, IMultiComputerOp>(IID_IMultiComputerOp);
    long type = -1;
    EXPECT_EQ(S_OK, op->get_OperationType(&type));
    EXPECT_EQ(MCO_NO_OP, type);
    EXPECT_EQ(E_FAIL, op->Create(0));
    EXPECT_EQ(E_FAIL, op->Start());
    EXPECT_EQ(E_INVALIDARG, op->put_OperationType(5));
    EXPECT_EQ(E_INVALIDARG, op->put_OperationType(-1));
    op->get_OperationType(&type);
    EXPECT_EQ(MCO_NO_OP, type);  // unchanged
    EXPECT_EQ(S_OK, op->put_OperationType(MCO_VALIDATE_REGISTRY_ENTRIES));
    EXPECT_EQ(E_HANDLE, op->Start());  // no sheet of this type was built
}

TEST(WizardRules, MultiComputerOpKeepsACopyOfTheComputers) {
    ComApartment com;
    ComPtr<IMultiComputerOp> op;
    ASSERT_EQ(S_OK, CreateComObject<vantrel::MultiComputerOp>(nullptr, IID_IMultiComputerOp, op.PutVoid()));
    VARIANT computers;
    ::VariantInit(&computers);
    computers.vt = VT_BSTR;
    computers.bstrVal = ::SysAllocString(L"FILESRV01");
    EXPECT_EQ(S_OK, op->put_Computers(computers));
    ::VariantClear(&computers);  // the caller's copy goes; the stored one stays
    const VARIANT& stored = static_cast<vantrel::MultiComputerOp*>(op.Get())->Computers();
    ASSERT_EQ(VT_BSTR, stored.vt);
    EXPECT_STREQ(L"FILESRV01", stored.bstrVal);

    // A value that cannot be copied is kept as the failure.
    VARIANT bad;
    ::VariantInit(&bad);
    bad.vt = static_cast<VARTYPE>(0x7FFF);
    EXPECT_EQ(S_OK, op->put_Computers(bad));
    EXPECT_EQ(VT_ERROR, stored.vt);
    EXPECT_TRUE(FAILED(stored.scode));
}

TEST(WizardRules, ServiceEditorPropertiesAndMissingSheet) {
    ComApartment com;
    auto editor = Make<vantrel::ServiceEditor, IServiceEditor>(IID_IServiceEditor);
    UniqueBstr in(::SysAllocString(L"Spooler"));
    EXPECT_EQ(S_OK, editor->put_Service(in.Get()));
    UniqueBstr out;
    EXPECT_EQ(S_OK, editor->get_Service(out.Put()));
    EXPECT_STREQ(L"Spooler", out.Get());
    EXPECT_NE(in.Get(), out.Get());  // a copy
    EXPECT_EQ(E_HANDLE, editor->Start());

    auto services = Make<vantrel::MngSvcsWizard, IMngSvcsWizard>(IID_IMngSvcsWizard);
    EXPECT_EQ(E_HANDLE, services->Start());
    EXPECT_EQ(E_HANDLE, services->put_Configuration(1));
}

// Crossing apartments is checked on the registered DLL.
TEST(BrevCompInfoRules, UnsetNameIsAnEmptyStringNotNull) {
    ComApartment com;
    auto info = Make<vantrel::BrevCompInfo, IBrevCompInfo>(IID_IBrevCompInfo);
    UniqueBstr empty;
    EXPECT_EQ(S_OK, info->get_NetBIOSName(empty.Put()));
    ASSERT_NE(nullptr, empty.Get());
    EXPECT_EQ(0u, ::SysStringLen(empty.Get()));
}
