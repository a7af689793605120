// The type library embedded in the built DLL, as a client sees it.
#include "tests/module/ModuleTestSupport.h"
#include "common/ComPtr.h"
#include "common/Handles.h"

#include <gtest/gtest.h>

#include <map>

using namespace moduletest;
using vantrel::ComPtr;
using vantrel::UniqueBstr;

namespace {

struct TypeLibraryTest : ::testing::Test {
    void SetUp() override {
        ASSERT_EQ(S_OK, ::LoadTypeLibEx(BinPath(L"Vantrel.dll").c_str(), REGKIND_NONE, library.Put()));
    }
    // DISPID of each function name of an interface, with its invoke kind.
    std::map<std::wstring, std::pair<MEMBERID, int>> Members(REFIID iid) {
        std::map<std::wstring, std::pair<MEMBERID, int>> result;
        ComPtr<ITypeInfo> info;
        EXPECT_EQ(S_OK, library->GetTypeInfoOfGuid(iid, info.Put()));
        TYPEATTR* attr = nullptr;
        info->GetTypeAttr(&attr);
        for (UINT i = 0; i < attr->cFuncs; ++i) {
            FUNCDESC* func = nullptr;
            info->GetFuncDesc(i, &func);
            UniqueBstr name;
            info->GetDocumentation(func->memid, name.Put(), nullptr, nullptr, nullptr);
            std::wstring key(name.Get());
            if (func->invkind == INVOKE_PROPERTYPUT) key += L"/put";
            result[key] = {func->memid, static_cast<int>(func->oVft / sizeof(void*))};
            info->ReleaseFuncDesc(func);
        }
        info->ReleaseTypeAttr(attr);
        return result;
    }
    ComPtr<ITypeLib> library;
};

}  // namespace

TEST_F(TypeLibraryTest, ListsTheFiveCoclassesWithTheirHelpStrings) {
    std::map<std::wstring, std::wstring> coclasses;
    for (UINT i = 0; i < library->GetTypeInfoCount(); ++i) {
        TYPEKIND kind;
        library->GetTypeInfoType(i, &kind);
        if (kind != TKIND_COCLASS) continue;
        UniqueBstr name, help;
        library->GetDocumentation(static_cast<INT>(i), name.Put(), help.Put(), nullptr, nullptr);
        coclasses[name.Get()] = help.Get();
    }
    EXPECT_EQ((std::map<std::wstring, std::wstring>{{L"BrevCompInfo", L"BrevCompInfo Class"},
                                                    {L"ComputerResMgmtUI", L"ComputerResMgmtUI Class"},
                                                    {L"MngSvcsWizard", L"MngSvcsWizard Class"},
                                                    {L"MultiComputerOp", L"MultiComputerOp Class"},
                                                    {L"ServiceEditor", L"ServiceEditor Class"}}),
              coclasses);
    ComPtr<ITypeInfo> info;
    EXPECT_EQ(S_OK, library->GetTypeInfoOfGuid(CLSID_ComputerResMgmtUI, info.Put()));
    EXPECT_EQ(S_OK, library->GetTypeInfoOfGuid(CLSID_BrevCompInfo, info.Put()));
}

TEST_F(TypeLibraryTest, DispatchIdsAndSlotsFollowTheContract) {
    // Slots count from the interface's start: 7 IDispatch slots come first.
    auto ui = Members(IID_IComputerResMgmtUI);
    EXPECT_EQ((std::pair<MEMBERID, int>{1, 7}), ui[L"Create"]);
    EXPECT_EQ((std::pair<MEMBERID, int>{2, 8}), ui[L"GetWizard"]);
    auto batch = Members(IID_IMultiServiceControl);
    EXPECT_EQ((std::pair<MEMBERID, int>{1, 7}), batch[L"AddService"]);
    EXPECT_EQ((std::pair<MEMBERID, int>{2, 8}), batch[L"Control"]);
    EXPECT_EQ((std::pair<MEMBERID, int>{3, 9}), batch[L"Clear"]);
    auto editor = Members(IID_IServiceEditor);
    EXPECT_EQ((std::pair<MEMBERID, int>{3, 9}), editor[L"Service"]);
    EXPECT_EQ((std::pair<MEMBERID, int>{3, 10}), editor[L"Service/put"]);
    EXPECT_EQ((std::pair<MEMBERID, int>{4, 11}), editor[L"Configuration"]);
    EXPECT_EQ((std::pair<MEMBERID, int>{5, 13}), editor[L"Computer"]);
    auto op = Members(IID_IMultiComputerOp);
    EXPECT_EQ((std::pair<MEMBERID, int>{3, 9}), op[L"OperationType"]);
    EXPECT_EQ((std::pair<MEMBERID, int>{4, 11}), op[L"Computers/put"]);
    auto services = Members(IID_IMngSvcsWizard);
    EXPECT_EQ((std::pair<MEMBERID, int>{4, 11}), services[L"Computers/put"]);
    EXPECT_EQ((std::pair<MEMBERID, int>{5, 12}), services[L"Services/put"]);
}

TEST_F(TypeLibraryTest, ComputerInformationIsNotAutomation) {
    ComPtr<ITypeInfo> info;
    ASSERT_EQ(S_OK, library->GetTypeInfoOfGuid(IID_IBrevCompInfo, info.Put()));
    TYPEATTR* attr = nullptr;
    info->GetTypeAttr(&attr);
    EXPECT_EQ(TKIND_INTERFACE, attr->typekind);
    EXPECT_EQ(0, attr->wTypeFlags & (TYPEFLAG_FDUAL | TYPEFLAG_FDISPATCHABLE | TYPEFLAG_FOLEAUTOMATION));
    EXPECT_EQ(6, attr->cFuncs);
    info->ReleaseTypeAttr(attr);
}
