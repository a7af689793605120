// Self-registration of the lab companion DLL in the test prefix, through
// regsvr32 in a child process, as an installer would do it.
#include "tests/companions/CompanionTestSupport.h"

#include <gtest/gtest.h>

#include <utility>

using namespace companiontest;
using vantrel::ComPtr;

namespace {

const wchar_t kStoreKey[] = L"CLSID\\{FE4FD7F7-406D-4975-864D-BD7AE4655D79}";
const wchar_t kLogKey[] = L"CLSID\\{97571074-748A-4AF8-9B2F-8AE22D7D4C03}";
const wchar_t kTypeLibKey[] = L"TypeLib\\{3C1E5A52-7F0B-4D8E-9A61-2B7D0C4E8F15}";
const std::pair<const wchar_t*, const CLSID*> kProgIds[] = {
    {L"Vantrel.CredentialStore", &CLSID_CredentialStore}, {L"Vantrel.CredentialStore.1", &CLSID_CredentialStore},
    {L"Vantrel.ActivityLog", &CLSID_ActivityLog}, {L"Vantrel.ActivityLog.1", &CLSID_ActivityLog}};

DWORD Regsvr32(bool unregister) {
    wchar_t system[MAX_PATH];
    ::GetSystemDirectoryW(system, MAX_PATH);
    std::wstring command = L"\"" + std::wstring(system) + L"\\regsvr32.exe\" /s ";
    if (unregister) command += L"/u ";
    command += L"\"" + BinPath(L"VantrelCompanions.dll") + L"\"";
    ChildProcess child(command, "");
    EXPECT_TRUE(child.Started());
    return child.Finish();
}

bool KeyExists(const std::wstring& key) {
    HKEY opened = nullptr;
    if (::RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS) return false;
    ::RegCloseKey(opened);
    return true;
}

std::wstring Value(const std::wstring& key, const wchar_t* name) {
    wchar_t text[MAX_PATH * 2] = {};
    DWORD size = sizeof text;
    if (::RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), name, RRF_RT_REG_SZ, nullptr, text, &size) != ERROR_SUCCESS)
        return L"<missing>";
    return text;
}

std::wstring Lower(std::wstring text) {
    for (auto& c : text) c = static_cast<wchar_t>(::towlower(c));
    return text;
}

TEST(CompanionRegistration, Regsvr32RegistersBothClassesAndUnregistersThemAgain) {
    ComApartment apartment;
    ScratchFolder folder;
    ASSERT_EQ(0u, Regsvr32(false));

    for (const std::wstring key : {kStoreKey, kLogKey}) {
        SCOPED_TRACE(key.c_str());
        EXPECT_EQ(Lower(BinPath(L"VantrelCompanions.dll")), Lower(Value(key + L"\\InprocServer32", nullptr)));
        EXPECT_EQ(L"Both", Value(key + L"\\InprocServer32", L"ThreadingModel"));
        EXPECT_EQ(L"{3C1E5A52-7F0B-4D8E-9A61-2B7D0C4E8F15}", Value(key + L"\\TypeLib", nullptr));
    }
    EXPECT_TRUE(KeyExists(std::wstring(kTypeLibKey) + L"\\1.0"));

    // By class and by either ProgID, as the console would create them.
    ComPtr<ICredentialStore> store;
    EXPECT_EQ(S_OK, ::CoCreateInstance(CLSID_CredentialStore, nullptr, CLSCTX_ALL, IID_ICredentialStore,
                                       store.PutVoid()));
    ComPtr<IActivityLog> log;
    EXPECT_EQ(S_OK, ::CoCreateInstance(CLSID_ActivityLog, nullptr, CLSCTX_ALL, IID_IActivityLog, log.PutVoid()));
    for (const auto& [progId, expected] : kProgIds) {
        CLSID clsid = {};
        EXPECT_EQ(S_OK, ::CLSIDFromProgID(progId, &clsid)) << progId;
        EXPECT_TRUE(IsEqualCLSID(*expected, clsid)) << progId;
    }
    // The store made through the registry works like any other.
    if (store) {
        ASSERT_EQ(S_OK, Add(store.Get(), L"server1", 2, L"CORP\\admin", L"pw"));
        EXPECT_EQ(L"pw", Lookup(store.Get(), L"server1").password);
    }
    store.Reset();
    log.Reset();
    ::CoFreeUnusedLibrariesEx(0, 0);

    ASSERT_EQ(0u, Regsvr32(true));
    EXPECT_FALSE(KeyExists(kStoreKey));
    EXPECT_FALSE(KeyExists(kLogKey));
    for (const auto& [progId, clsid] : kProgIds) EXPECT_FALSE(KeyExists(progId)) << progId;
    EXPECT_FALSE(KeyExists(std::wstring(kTypeLibKey) + L"\\1.0"));
    EXPECT_TRUE(KeyExists(L"CLSID"));  // kept, of course
    ComPtr<ICredentialStore> gone;
    EXPECT_EQ(REGDB_E_CLASSNOTREG, ::CoCreateInstance(CLSID_CredentialStore, nullptr, CLSCTX_ALL,
                                                      IID_ICredentialStore, gone.PutVoid()));

    // Leave the prefix as a build that registers the companions would have it.
    EXPECT_EQ(0u, Regsvr32(false));
}

}  // namespace
