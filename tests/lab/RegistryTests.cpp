// The remote registry as Windows answers it: typed values, the size protocol,
// deleted keys, access per identity and handles. The standard hardware
// profiles, connection failures and injected faults are driven through the
// hardware profile operations.
#include "LabTest.h"

#include "platform/Registry.h"

#include <string>
#include <vector>

namespace {

using labtest::LabTest;

class LabRegistry : public LabTest {
protected:
    void TearDown() override {
        EXPECT_EQ(L"clean", lab::LeakReport());
        LabTest::TearDown();
    }
};

// Closes at the end of the scope.
struct Key {
    HKEY h = nullptr;
    ~Key() {
        if (h) {
            EXPECT_EQ(ERROR_SUCCESS, plat::RegCloseKey(h));
        }
    }
};

constexpr wchar_t kProfiles[] = L"SYSTEM\\CurrentControlSet\\Control\\IDConfigDB\\Hardware Profiles";

TEST_F(LabRegistry, ScenarioKeysAndTypedValues) {
    ASSERT_EQ(0u, lab::LoadScenarioText(R"({
      "domain": {"name": "R"}, "interactiveUser": "R\\a",
      "accounts": [{"name": "R\\a", "password": ""}],
      "computers": [{"name": "H1", "administrators": ["R\\a"], "registry": {"standard": false, "keys": [
        {"path": "HKLM\\SOFTWARE\\Tool", "values": [
          {"name": "Path", "type": "REG_EXPAND_SZ", "data": "%SystemRoot%\\tool.exe"},
          {"name": "List", "type": "REG_MULTI_SZ", "data": ["a", "bc"]},
          {"name": "Level", "type": "REG_DWORD", "data": 7},
          {"name": "Blob", "type": "REG_BINARY", "data": "01 a0 FF"}]},
        {"path": "HKEY_USERS\\.DEFAULT\\Empty"}]}}]
    })"));
    Key root;
    ASSERT_EQ(ERROR_SUCCESS, plat::RegConnectRegistryW(L"H1", HKEY_LOCAL_MACHINE, &root.h));
    wchar_t text[64];
    DWORD bytes = sizeof(text), type = 0;
    ASSERT_EQ(ERROR_SUCCESS, plat::RegGetValueW(root.h, L"SOFTWARE\\Tool", L"Path", RRF_RT_REG_SZ, &type, text, &bytes));
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);  // expanded
    EXPECT_STREQ(L"C:\\Windows\\tool.exe", text);
    bytes = sizeof(text);
    ASSERT_EQ(ERROR_SUCCESS, plat::RegGetValueW(root.h, L"SOFTWARE\\Tool", L"Path",
                                                RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND, &type, text, &bytes));
    EXPECT_STREQ(L"%SystemRoot%\\tool.exe", text);
    EXPECT_EQ(ERROR_INVALID_PARAMETER,
              plat::RegGetValueW(root.h, L"SOFTWARE\\Tool", L"Path", RRF_RT_REG_EXPAND_SZ, &type, text, &bytes));
    EXPECT_EQ(ERROR_UNSUPPORTED_TYPE,
              plat::RegGetValueW(root.h, L"SOFTWARE\\Tool", L"Level", RRF_RT_REG_SZ, &type, text, &bytes));
    bytes = sizeof(text);
    ASSERT_EQ(ERROR_SUCCESS, plat::RegGetValueW(root.h, L"SOFTWARE\\Tool", L"List", RRF_RT_REG_MULTI_SZ, &type, text, &bytes));
    EXPECT_EQ(6 * sizeof(wchar_t), bytes);  // a, bc, and the list terminator
    BYTE blob[3] = {};
    bytes = sizeof(blob);
    ASSERT_EQ(ERROR_SUCCESS, plat::RegGetValueW(root.h, L"SOFTWARE\\Tool", L"Blob", RRF_RT_REG_BINARY, &type, blob, &bytes));
    EXPECT_EQ(0xA0, blob[1]);
    EXPECT_EQ(0xFF, blob[2]);
    // Without the standard keys the profile list is absent.
    Key missing;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, plat::RegOpenKeyExW(root.h, kProfiles, 0, KEY_READ, &missing.h));
    EXPECT_EQ(nullptr, missing.h);
    Key users, empty;
    ASSERT_EQ(ERROR_SUCCESS, plat::RegConnectRegistryW(L"H1", HKEY_USERS, &users.h));
    EXPECT_EQ(ERROR_SUCCESS, plat::RegOpenKeyExW(users.h, L".default\\EMPTY", 0, KEY_READ, &empty.h));
}

TEST_F(LabRegistry, BadScenarioValuesNameTheField) {
    const struct {
        const char* keys;
        const wchar_t* field;
    } cases[] = {
        {R"({"path": "HKLM\\X", "values": [{"name": "v", "type": "REG_FOO", "data": 1}]})",
         L"computers[0].registry.keys[0].values[0].type"},
        // 64 bits do not fit a JSON number: a quadword takes hex digits.
        {R"({"path": "HKLM\\X", "values": [{"name": "v", "type": "REG_QWORD", "data": 1}]})", L"values[0].data"},
        {R"({"path": "HKLM\\X", "values": [{"name": "v", "type": "REG_QWORD", "data": "12345678901234567"}]})",
         L"values[0].data"},
        {R"({"path": "HKCU\\X"})", L"keys[0].path"},
    };
    for (const auto& c : cases) {
        std::wstring error;
        EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_DATA),
                  lab::LoadScenarioText(std::string(R"({"domain": {"name": "R"}, "interactiveUser": "R\\a",
                      "accounts": [{"name": "R\\a", "password": ""}],
                      "computers": [{"name": "H1", "registry": {"keys": [)") + c.keys + "]}}]}",
                                        &error));
        EXPECT_NE(std::wstring::npos, error.find(c.field)) << error;
    }
}

TEST_F(LabRegistry, SizeProtocolOfValueQueries) {
    Key root, version;
    ASSERT_EQ(ERROR_SUCCESS, plat::RegConnectRegistryW(nullptr, HKEY_LOCAL_MACHINE, &root.h));
    ASSERT_EQ(ERROR_SUCCESS, plat::RegOpenKeyExW(root.h, L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", 0,
                                                 KEY_READ, &version.h));
    DWORD bytes = 0, type = 0;
    ASSERT_EQ(ERROR_SUCCESS, plat::RegQueryValueExW(version.h, L"ProductName", nullptr, &type, nullptr, &bytes));
    EXPECT_EQ((std::wstring(L"Windows 10 Enterprise").size() + 1) * sizeof(wchar_t), bytes);
    wchar_t small[4];
    DWORD smallBytes = sizeof(small);
    EXPECT_EQ(ERROR_MORE_DATA, plat::RegQueryValueExW(version.h, L"ProductName", nullptr, &type,
                                                     reinterpret_cast<LPBYTE>(small), &smallBytes));
    EXPECT_EQ(bytes, smallBytes);
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, plat::RegQueryValueExW(version.h, L"NoSuchValue", nullptr, &type, nullptr, &bytes));

    DWORD subKeys = 9, values = 0, maxName = 0, maxData = 0;
    ASSERT_EQ(ERROR_SUCCESS, plat::RegQueryInfoKeyW(version.h, nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr,
                                                    &values, &maxName, &maxData, nullptr, nullptr));
    EXPECT_EQ(0u, subKeys);
    EXPECT_EQ(6u, values);
    EXPECT_EQ(std::wstring(L"CurrentMajorVersionNumber").size(), maxName);
    EXPECT_EQ(bytes, maxData);

    // Enumerating values: a short name buffer gets ERROR_MORE_DATA with the
    // type and the data size (not the name's length); a short data buffer
    // gets it with the name and its length; then the end of the list.
    wchar_t name[8];
    DWORD chars = 8;
    type = 0;
    DWORD dataBytes = 1;
    EXPECT_EQ(ERROR_MORE_DATA, plat::RegEnumValueW(version.h, 0, name, &chars, nullptr, &type, nullptr, &dataBytes));
    EXPECT_EQ(8u, chars);
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
    EXPECT_EQ(bytes, dataBytes);
    wchar_t longName[64] = L"";
    chars = 64;
    dataBytes = sizeof(small);
    type = 0;
    EXPECT_EQ(ERROR_MORE_DATA, plat::RegEnumValueW(version.h, 0, longName, &chars, nullptr, &type,
                                                   reinterpret_cast<LPBYTE>(small), &dataBytes));
    EXPECT_STREQ(L"ProductName", longName);
    EXPECT_EQ(std::wstring(L"ProductName").size(), chars);
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
    EXPECT_EQ(bytes, dataBytes);
    chars = 64;
    EXPECT_EQ(ERROR_SUCCESS, plat::RegEnumValueW(version.h, 0, longName, &chars, nullptr, &type, nullptr, &bytes));
    EXPECT_STREQ(L"ProductName", longName);
    chars = 64;
    EXPECT_EQ(ERROR_NO_MORE_ITEMS, plat::RegEnumValueW(version.h, 6, longName, &chars, nullptr, &type, nullptr, nullptr));
}

TEST_F(LabRegistry, WritesCreateDeleteAndKeepHandlesHonest) {
    Key root, created;
    ASSERT_EQ(ERROR_SUCCESS, plat::RegConnectRegistryW(L"ADMIN01", HKEY_LOCAL_MACHINE, &root.h));
    DWORD disposition = 0;
    ASSERT_EQ(ERROR_SUCCESS, plat::RegCreateKeyExW(root.h, L"SOFTWARE\\Lab\\A\\B", 0, nullptr, 0, KEY_WRITE | KEY_READ,
                                                   nullptr, &created.h, &disposition));
    EXPECT_EQ(static_cast<DWORD>(REG_CREATED_NEW_KEY), disposition);
    const DWORD flags = 1;
    ASSERT_EQ(ERROR_SUCCESS, plat::RegSetValueExW(created.h, L"CSConfigFlags", 0, REG_DWORD,
                                                  reinterpret_cast<const BYTE*>(&flags), sizeof(flags)));
    {
        Key again;
        ASSERT_EQ(ERROR_SUCCESS, plat::RegCreateKeyExW(root.h, L"software\\lab\\a\\b", 0, nullptr, 0, KEY_READ,
                                                       nullptr, &again.h, &disposition));
        EXPECT_EQ(static_cast<DWORD>(REG_OPENED_EXISTING_KEY), disposition);
        DWORD read = 0, bytes = sizeof(read);
        EXPECT_EQ(ERROR_SUCCESS, plat::RegGetValueW(again.h, nullptr, L"csconfigflags", RRF_RT_REG_DWORD, nullptr, &read, &bytes));
        EXPECT_EQ(1u, read);
        // A read-only handle cannot write.
        EXPECT_EQ(ERROR_ACCESS_DENIED, plat::RegSetValueExW(again.h, L"X", 0, REG_DWORD,
                                                            reinterpret_cast<const BYTE*>(&flags), sizeof(flags)));
    }
    EXPECT_EQ(ERROR_ACCESS_DENIED, plat::RegDeleteKeyW(root.h, L"SOFTWARE\\Lab\\A"));  // has a sub-key
    EXPECT_EQ(ERROR_SUCCESS, plat::RegDeleteValueW(created.h, L"CSConfigFlags"));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, plat::RegDeleteValueW(created.h, L"CSConfigFlags"));
    EXPECT_EQ(ERROR_SUCCESS, plat::RegDeleteTreeW(root.h, L"SOFTWARE\\Lab"));
    // The handle outlives its key, as on Windows.
    EXPECT_EQ(ERROR_KEY_DELETED, plat::RegSetValueExW(created.h, L"X", 0, REG_DWORD,
                                                      reinterpret_cast<const BYTE*>(&flags), sizeof(flags)));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, plat::RegDeleteKeyW(root.h, L"SOFTWARE\\Lab"));
}

TEST_F(LabRegistry, AccessFollowsTheIdentity) {
    lab::ScopedIdentity helpdesk(L"LAB\\helpdesk");
    Key local, version, write;
    // Locally everyone reads, but only administrators write.
    ASSERT_EQ(ERROR_SUCCESS, plat::RegConnectRegistryW(nullptr, HKEY_LOCAL_MACHINE, &local.h));
    EXPECT_EQ(ERROR_SUCCESS, plat::RegOpenKeyExW(local.h, L"SOFTWARE", 0, KEY_READ, &version.h));
    EXPECT_EQ(ERROR_ACCESS_DENIED, plat::RegOpenKeyExW(local.h, L"SOFTWARE", 0, KEY_SET_VALUE, &write.h));
    EXPECT_EQ(ERROR_ACCESS_DENIED, plat::RegCreateKeyExW(local.h, L"SOFTWARE\\New", 0, nullptr, 0, KEY_READ,
                                                         nullptr, &write.h, nullptr));
    Key remote, wrongRoot;
    EXPECT_EQ(ERROR_SUCCESS, plat::RegConnectRegistryW(L"FS01", HKEY_LOCAL_MACHINE, &remote.h));
    EXPECT_EQ(ERROR_INVALID_HANDLE, plat::RegConnectRegistryW(L"FS01", HKEY_CURRENT_USER, &wrongRoot.h));
    EXPECT_EQ(nullptr, wrongRoot.h);
}

TEST_F(LabRegistry, EveryValueTypeAndKeysThatRefuseOrOnlyLetRead) {
    ASSERT_EQ(0u, lab::LoadScenarioText(R"json({
      "domain": {"name": "R"}, "interactiveUser": "R\\a",
      "accounts": [{"name": "R\\a", "password": ""}, {"name": "R\\b", "password": ""}],
      "computers": [{"name": "H1", "administrators": ["R\\a", "R\\b"], "registry": {"standard": false, "keys": [
        {"path": "HKLM\\SOFTWARE\\Types", "values": [
          {"name": "Q", "type": "REG_QWORD", "data": "80000000000000ff"},
          {"name": "N", "type": "REG_NONE", "data": ""},
          {"name": "B", "type": "REG_DWORD_BIG_ENDIAN", "data": "00 00 00 2a"},
          {"name": "X", "type": "hex(1a)", "data": "ff"}]},
        {"path": "HKLM\\SOFTWARE\\Sealed", "deny": ["r\\A"]},
        {"path": "HKLM\\SOFTWARE\\Sealed\\Inner"},
        {"path": "HKLM\\SOFTWARE\\Frozen", "readOnly": ["R\\a"]}]}}]
    })json"));
    Key root;
    ASSERT_EQ(ERROR_SUCCESS, plat::RegConnectRegistryW(L"H1", HKEY_LOCAL_MACHINE, &root.h));
    struct Expected {
        const wchar_t* name;
        DWORD type;
        std::vector<BYTE> data;
    };
    const Expected values[] = {
        {L"Q", REG_QWORD, {0xff, 0, 0, 0, 0, 0, 0, 0x80}},
        {L"N", REG_NONE, {}},
        {L"B", REG_DWORD_BIG_ENDIAN, {0, 0, 0, 0x2a}},
        {L"X", 0x1a, {0xff}},
    };
    {
        Key types;
        ASSERT_EQ(ERROR_SUCCESS, plat::RegOpenKeyExW(root.h, L"SOFTWARE\\Types", 0, KEY_READ, &types.h));
        for (const Expected& v : values) {
            BYTE data[16] = {};
            DWORD type = 0, size = sizeof(data);
            ASSERT_EQ(ERROR_SUCCESS, plat::RegQueryValueExW(types.h, v.name, nullptr, &type, data, &size)) << v.name;
            EXPECT_EQ(v.type, type) << v.name;
            EXPECT_EQ(v.data, std::vector<BYTE>(data, data + size)) << v.name;
        }
    }
    struct Case {
        const wchar_t* path;
        REGSAM sam;
        LONG asA, asB;
    };
    const Case cases[] = {
        {L"SOFTWARE\\Sealed", KEY_READ, ERROR_ACCESS_DENIED, ERROR_SUCCESS},
        {L"SOFTWARE\\Sealed\\Inner", KEY_READ, ERROR_ACCESS_DENIED, ERROR_SUCCESS},
        {L"SOFTWARE\\Frozen", KEY_READ, ERROR_SUCCESS, ERROR_SUCCESS},
        {L"SOFTWARE\\Frozen", KEY_SET_VALUE, ERROR_ACCESS_DENIED, ERROR_SUCCESS},
        {L"SOFTWARE\\Types", KEY_ALL_ACCESS, ERROR_SUCCESS, ERROR_SUCCESS},
    };
    for (const Case& c : cases) {
        for (const wchar_t* who : {L"R\\a", L"R\\b"}) {
            lab::ScopedIdentity identity(who);
            Key opened;
            EXPECT_EQ(who[2] == L'a' ? c.asA : c.asB, plat::RegOpenKeyExW(root.h, c.path, 0, c.sam, &opened.h))
                << c.path << L" as " << who;
        }
    }
    lab::ScopedIdentity a(L"R\\a");
    Key made;
    EXPECT_EQ(ERROR_ACCESS_DENIED, plat::RegCreateKeyExW(root.h, L"SOFTWARE\\Frozen\\New", 0, nullptr, 0, KEY_READ,
                                                         nullptr, &made.h, nullptr));
    EXPECT_EQ(ERROR_ACCESS_DENIED, plat::RegDeleteTreeW(root.h, L"SOFTWARE\\Frozen"));
    EXPECT_EQ(ERROR_ACCESS_DENIED, plat::RegDeleteKeyW(root.h, L"SOFTWARE\\Sealed\\Inner"));
}

TEST_F(LabRegistry, ClosedAndForeignHandlesAreInvalid) {
    HKEY root = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, plat::RegConnectRegistryW(nullptr, HKEY_LOCAL_MACHINE, &root));
    ASSERT_EQ(ERROR_SUCCESS, plat::RegCloseKey(root));
    HKEY out = nullptr;
    EXPECT_EQ(ERROR_INVALID_HANDLE, plat::RegOpenKeyExW(root, L"SOFTWARE", 0, KEY_READ, &out));
    EXPECT_EQ(ERROR_INVALID_HANDLE, plat::RegCloseKey(root));
    EXPECT_EQ(1u, LabBadReleases());
    LabResetAccounting();
}

}  // namespace
