// Registration scripts applied to a scratch key instead of HKCR.
#include "common/ComServer.h"
#include "common/Registrar.h"
#include "component/BrevCompInfo.h"
#include "component/WizardComponents.h"
#include "tests/module/ModuleTestSupport.h"

#include <gtest/gtest.h>

using namespace vantrel;

namespace {

const wchar_t* kScript = LR"(HKCR
{
    'Test.Widget.1' = s 'Widget Class'
    {
        CLSID = s '{11111111-2222-3333-4444-555555555555}'
    }
    NoRemove CLSID
    {
        ForceRemove '{11111111-2222-3333-4444-555555555555}' = s 'Widget Class'
        {
            Programmable
            InprocServer32 = s '%MODULE%'
            {
                val ThreadingModel = s 'Apartment'
                val Count = d 7
            }
        }
    }
})";

struct ScratchKey {
    ScratchKey() { ::RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\VantrelRegistrarTest", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr); }
    ~ScratchKey() {
        ::RegCloseKey(key);
        ::RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\VantrelRegistrarTest");
    }
    std::wstring Read(const wchar_t* subkey, const wchar_t* value) const {
        wchar_t data[512] = {};
        DWORD size = sizeof data;
        if (::RegGetValueW(key, subkey, value, RRF_RT_REG_SZ, nullptr, data, &size) != ERROR_SUCCESS) return L"<missing>";
        return data;
    }
    bool Exists(const wchar_t* subkey) const {
        HKEY k = nullptr;
        if (::RegOpenKeyExW(key, subkey, 0, KEY_READ, &k) != ERROR_SUCCESS) return false;
        ::RegCloseKey(k);
        return true;
    }
    HKEY key = nullptr;
};

}  // namespace

TEST(Registrar, RegistersAndRemovesAsScripted) {
    ScratchKey scratch;
    RegistryScript script;
    ASSERT_EQ(S_OK, script.Parse(kScript, {{L"%MODULE%", L"C:\\Program Files\\Vantrel\\it's.dll"}}));

    // A stale subkey under a ForceRemove key disappears on registration.
    ::RegSetKeyValueW(scratch.key, L"CLSID\\{11111111-2222-3333-4444-555555555555}\\Stale", nullptr, REG_SZ, L"x", 4);
    ASSERT_EQ(S_OK, script.Register(scratch.key));
    EXPECT_EQ(L"Widget Class", scratch.Read(L"Test.Widget.1", nullptr));
    EXPECT_EQ(L"{11111111-2222-3333-4444-555555555555}", scratch.Read(L"Test.Widget.1\\CLSID", nullptr));
    const wchar_t* server = L"CLSID\\{11111111-2222-3333-4444-555555555555}\\InprocServer32";
    EXPECT_EQ(L"C:\\Program Files\\Vantrel\\it's.dll", scratch.Read(server, nullptr));
    EXPECT_EQ(L"Apartment", scratch.Read(server, L"ThreadingModel"));
    DWORD count = 0, size = sizeof count;
    EXPECT_EQ(ERROR_SUCCESS, ::RegGetValueW(scratch.key, server, L"Count", RRF_RT_REG_DWORD, nullptr, &count, &size));
    EXPECT_EQ(7u, count);
    EXPECT_TRUE(scratch.Exists(L"CLSID\\{11111111-2222-3333-4444-555555555555}\\Programmable"));
    EXPECT_FALSE(scratch.Exists(L"CLSID\\{11111111-2222-3333-4444-555555555555}\\Stale"));

    // Removal keeps NoRemove keys and removes the rest whole; twice is fine.
    ::RegSetKeyValueW(scratch.key, L"CLSID\\{99999999-2222-3333-4444-555555555555}", nullptr, REG_SZ, L"other", 12);
    ASSERT_EQ(S_OK, script.Unregister(scratch.key));
    ASSERT_EQ(S_OK, script.Unregister(scratch.key));
    EXPECT_FALSE(scratch.Exists(L"Test.Widget.1"));
    EXPECT_FALSE(scratch.Exists(L"CLSID\\{11111111-2222-3333-4444-555555555555}"));
    EXPECT_TRUE(scratch.Exists(L"CLSID"));
    EXPECT_TRUE(scratch.Exists(L"CLSID\\{99999999-2222-3333-4444-555555555555}"));
}

TEST(Registrar, MalformedScriptsNameTheLine) {
    RegistryScript script;
    std::wstring error;
    EXPECT_EQ(E_INVALIDARG, script.Parse(L"HKLM\n{\n}", {}, &error));
    EXPECT_EQ(L"line 1: expected HKCR", error);
    EXPECT_EQ(E_INVALIDARG, script.Parse(L"HKCR\n{\n  Key = s 'unterminated\n}", {}, &error));
    EXPECT_EQ(L"line 3: unterminated quoted text", error);
    EXPECT_EQ(E_INVALIDARG, script.Parse(L"HKCR\n{\n  Key = x 'a'\n}", {}, &error));
    EXPECT_EQ(L"line 3: expected s or d after '='", error);
    EXPECT_EQ(E_INVALIDARG, script.Parse(L"HKCR\n{\n  Key\n  {\n", {}, &error));
    EXPECT_EQ(L"line 5: missing '}'", error);
    EXPECT_EQ(E_INVALIDARG, script.Parse(L"HKCR { val X = s 'a' }", {}, &error));
    EXPECT_EQ(L"line 1: a value needs a key", error);
}

namespace {

std::wstring GuidText(const GUID& guid) {
    wchar_t text[40];
    ::StringFromGUID2(guid, text, 40);
    return text;
}

}  // namespace

// The module's registration run with HKEY_CLASSES_ROOT standing for a scratch
// key: a failing step takes back what the earlier ones wrote.
TEST(ComServerRegistration, AFailureTakesBackWhatTheEarlierStepsWrote) {
    ScratchKey scratch;
    moduletest::LoadedModule dll;  // its scripts and type library
    ASSERT_TRUE(dll.Get());
    const HINSTANCE previous = module::Instance();
    module::SetInstance(dll.Get());
    ASSERT_EQ(ERROR_SUCCESS, ::RegOverridePredefKey(HKEY_CLASSES_ROOT, scratch.key));
    const std::wstring clsid = L"CLSID\\" + GuidText(CLSID_BrevCompInfo);
    const std::wstring typeLibrary = L"TypeLib\\" + GuidText(LIBID_VANTRELLib);

    struct Case {
        const char* what;
        UINT secondScript;
        bool registered;
    };
    const Case cases[] = {{"every step succeeds", 149, true}, {"the second script is missing", 9999, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ComServer<2> server({{
            {&CLSID_BrevCompInfo, &vantrel::BrevCompInfo::Create, 259},
            {&CLSID_MngSvcsWizard, &vantrel::MngSvcsWizard::Create, c.secondScript},
        }});
        const HRESULT hr = server.Register();
        EXPECT_EQ(c.registered, SUCCEEDED(hr)) << std::hex << hr;
        EXPECT_EQ(c.registered, scratch.Exists(clsid.c_str()));
        EXPECT_EQ(c.registered, scratch.Exists(typeLibrary.c_str()));
        EXPECT_EQ(S_OK, server.Unregister());
        EXPECT_FALSE(scratch.Exists(clsid.c_str()));
        EXPECT_FALSE(scratch.Exists(typeLibrary.c_str()));
    }
    ::RegOverridePredefKey(HKEY_CLASSES_ROOT, nullptr);
    module::SetInstance(previous);
}
