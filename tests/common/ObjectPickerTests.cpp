#include "common/ObjectPicker.h"

#include "lab/LabControl.h"
#include "lab/Sids.h"
#include "lab/families/ObjectPicker.h"
#include "tests/support/WindowDriver.h"

#include <gtest/gtest.h>

#include <commctrl.h>
#include <sddl.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <thread>

using namespace vantrel;
using testsupport::WaitForDialog;

namespace {

std::wstring SidText(const std::vector<BYTE>& sid) {
    if (sid.empty() || !::IsValidSid(const_cast<BYTE*>(sid.data()))) return L"invalid";
    LPWSTR text = nullptr;
    if (!::ConvertSidToStringSidW(const_cast<BYTE*>(sid.data()), &text)) return L"invalid";
    std::wstring result(text);
    ::LocalFree(text);
    return result;
}

// The scopes the group pages use: the computer's users and its domain's users
// and global groups.
std::vector<PickerScope> UsersAndGroups() {
    return {{DSOP_SCOPE_TYPE_TARGET_COMPUTER, 0x21, 0xA, 0x80020001},
            {0x7C, 0x22, 0x82, 0x80000005}};
}

std::wstring ItemText(HWND list, int item, int column) {
    wchar_t text[256] = {};
    LVITEMW lv{};
    lv.iSubItem = column;
    lv.pszText = text;
    lv.cchTextMax = 256;
    ::SendMessageW(list, LVM_GETITEMTEXTW, item, reinterpret_cast<LPARAM>(&lv));
    return text;
}

// Plays the person at the picker: reads the rows, selects those named, and
// presses OK (or Cancel when none are named).
class PickerPerson {
public:
    explicit PickerPerson(std::vector<std::wstring> choose)
        : choose_(std::move(choose)), thread_([this, ui = ::GetCurrentThreadId()] { Act(ui); }) {}
    ~PickerPerson() { Join(); }
    void Join() {
        if (thread_.joinable()) thread_.join();
    }
    std::vector<std::wstring> rows;  // "name|folder|type"
    bool found = false;
    HWND owner = nullptr;
    bool okEnabledBeforeChoice = true;

private:
    void Act(DWORD ui) {
        HWND dialog = WaitForDialog(ui, 10000, lab::kPickerCaption);
        if (!dialog) return;
        found = true;
        owner = ::GetWindow(dialog, GW_OWNER);
        HWND list = ::GetDlgItem(dialog, lab::kPickerListId);
        const int count = static_cast<int>(::SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
        for (int i = 0; i < count; ++i)
            rows.push_back(ItemText(list, i, 0) + L"|" + ItemText(list, i, 1) + L"|" + ItemText(list, i, 2));
        okEnabledBeforeChoice = ::IsWindowEnabled(::GetDlgItem(dialog, IDOK)) != FALSE;
        for (const std::wstring& name : choose_) {
            for (int i = 0; i < count; ++i) {
                if (ItemText(list, i, 0) != name) continue;
                LVITEMW state{};
                state.stateMask = state.state = LVIS_SELECTED;
                ::SendMessageW(list, LVM_SETITEMSTATE, i, reinterpret_cast<LPARAM>(&state));
            }
        }
        ::SendMessageW(dialog, WM_COMMAND, choose_.empty() ? IDCANCEL : IDOK, 0);
    }

    std::vector<std::wstring> choose_;
    std::thread thread_;
};

class ObjectPickerTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(0u, LabReset()); }
    void TearDown() override { EXPECT_EQ(L"clean", lab::LeakReport()); }
};

}  // namespace

TEST_F(ObjectPickerTest, ChosenAccountsComeBackWithPathClassAndIdentifier) {
    HWND owner = ::CreateWindowExW(0, L"STATIC", L"owner", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    std::vector<PickedObject> picked;
    PickerPerson person({L"operator", L"Helpdesk"});
    {
        ObjectPicker picker;
        ASSERT_EQ(S_OK, picker.Initialize(L"\\\\FS01", UsersAndGroups(), DSOP_FLAG_MULTISELECT));
        EXPECT_EQ(S_OK, picker.Show(owner, &picked));
    }
    person.Join();
    ::DestroyWindow(owner);
    ASSERT_TRUE(person.found);
    EXPECT_EQ(owner, person.owner);
    EXPECT_FALSE(person.okEnabledBeforeChoice);
    // FS01's own users (its account database), then the domain's users and groups.
    const std::vector<std::wstring> rows{L"Administrator|LAB/FS01|User", L"Guest|LAB/FS01|User",
                                         L"DefaultAccount|LAB/FS01|User", L"svc-backup|LAB/FS01|User",
                                         L"Administrator|LAB|User", L"operator|LAB|User", L"helpdesk|LAB|User",
                                         L"Domain Admins|LAB|Group", L"Domain Users|LAB|Group",
                                         L"Helpdesk|LAB|Group"};
    EXPECT_EQ(rows, person.rows);
    ASSERT_EQ(2u, picked.size());
    EXPECT_EQ(L"operator", picked[0].name);
    EXPECT_EQ(L"WinNT://LAB/operator", picked[0].path);
    EXPECT_EQ(L"User", picked[0].objectClass);
    EXPECT_EQ(L"operator@lab.local", picked[0].upn);
    EXPECT_EQ(lab::AccountSid(L"LAB\\operator"), picked[0].sid);
    EXPECT_EQ(L"Helpdesk", picked[1].name);
    EXPECT_EQ(L"WinNT://LAB/Helpdesk", picked[1].path);
    EXPECT_EQ(L"Group", picked[1].objectClass);
    EXPECT_EQ(lab::AccountSid(L"LAB\\Helpdesk"), picked[1].sid);
    EXPECT_NE(L"invalid", SidText(picked[1].sid));
}

TEST_F(ObjectPickerTest, ComputerAccountsAndFiltersFollowTheScopes) {
    std::wstring error;
    ASSERT_EQ(0u, lab::LoadScenarioText(R"({
      "domain": { "name": "CORP" },
      "interactiveUser": "CORP\\ann",
      "accounts": [
        { "name": "CORP\\ann", "password": "a", "groups": ["CORP\\Helpdesk", "WS1\\Backup Team"] },
        { "name": "WS1\\svcbackup", "password": "b", "groups": ["WS1\\Backup Team"] }
      ],
      "computers": [ { "name": "WS1", "local": true } ]
    })", &error)) << error;

    // Users only, single selection: no groups listed.
    std::vector<PickedObject> picked;
    PickerPerson person({L"svcbackup"});
    {
        ObjectPicker picker;
        ASSERT_EQ(S_OK, picker.Initialize(L"", {{DSOP_SCOPE_TYPE_TARGET_COMPUTER, 0x21, DSOP_FILTER_USERS, DSOP_DOWNLEVEL_FILTER_USERS},
                                                {DSOP_SCOPE_TYPE_DOWNLEVEL_JOINED_DOMAIN, 0x22, DSOP_FILTER_USERS, DSOP_DOWNLEVEL_FILTER_USERS}},
                                          0));
        EXPECT_EQ(S_OK, picker.Show(nullptr, &picked));
    }
    person.Join();
    EXPECT_EQ((std::vector<std::wstring>{L"Administrator|CORP/WS1|User", L"Guest|CORP/WS1|User",
                                         L"DefaultAccount|CORP/WS1|User", L"svcbackup|CORP/WS1|User", L"ann|CORP|User"}),
              person.rows);
    ASSERT_EQ(1u, picked.size());
    EXPECT_EQ(L"WinNT://CORP/WS1/svcbackup", picked[0].path);
    EXPECT_EQ(lab::AccountSid(L"WS1\\svcbackup"), picked[0].sid);

    // The computer's local groups (the built-in ones first) and the domain's global groups.
    PickerPerson groups({L"Backup Team"});
    {
        ObjectPicker picker;
        ASSERT_EQ(S_OK, picker.Initialize(L"WS1", {{DSOP_SCOPE_TYPE_TARGET_COMPUTER, 0, 0, DSOP_DOWNLEVEL_FILTER_LOCAL_GROUPS},
                                                   {DSOP_SCOPE_TYPE_DOWNLEVEL_JOINED_DOMAIN, 0, DSOP_FILTER_GLOBAL_GROUPS_SE, 0}},
                                          0));
        EXPECT_EQ(S_OK, picker.Show(nullptr, &picked));
    }
    groups.Join();
    ASSERT_GE(groups.rows.size(), 3u);
    EXPECT_EQ(L"Administrators|CORP/WS1|Group", groups.rows.front());
    EXPECT_EQ((std::vector<std::wstring>{L"Backup Team|CORP/WS1|Group", L"Helpdesk|CORP|Group"}),
              std::vector<std::wstring>(groups.rows.end() - 2, groups.rows.end()));
    ASSERT_EQ(1u, picked.size());
    EXPECT_EQ(L"Group", picked[0].objectClass);
}

// The domain is a directory domain: its accounts come as LDAP paths unless a
// scope that names a domain asks for the WinNT provider.
TEST_F(ObjectPickerTest, DomainAccountsComeAsLdapPathsUnlessAScopeAsksForWinNt) {
    constexpr wchar_t kLdap[] = L"LDAP://CN=operator,CN=Users,DC=lab,DC=local";
    struct Case {
        ULONG type;
        ULONG flags;
        const wchar_t* path;
        const wchar_t* objectClass;
    };
    const Case cases[] = {
        {DSOP_SCOPE_TYPE_UPLEVEL_JOINED_DOMAIN, 0, kLdap, L"user"},
        {DSOP_SCOPE_TYPE_UPLEVEL_JOINED_DOMAIN, DSOP_SCOPE_FLAG_WANT_PROVIDER_WINNT, L"WinNT://LAB/operator", L"User"},
        {DSOP_SCOPE_TYPE_EXTERNAL_UPLEVEL_DOMAIN, DSOP_SCOPE_FLAG_WANT_PROVIDER_WINNT, L"WinNT://LAB/operator", L"User"},
        {DSOP_SCOPE_TYPE_GLOBAL_CATALOG, DSOP_SCOPE_FLAG_WANT_PROVIDER_WINNT, kLdap, L"user"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.type << " " << c.flags);
        std::vector<PickedObject> picked;
        PickerPerson person({L"operator"});
        {
            ObjectPicker picker;
            ASSERT_EQ(S_OK, picker.Initialize(L"FS01", {{c.type, c.flags, DSOP_FILTER_USERS, 0}}, 0));
            EXPECT_EQ(S_OK, picker.Show(nullptr, &picked));
        }
        person.Join();
        ASSERT_EQ(1u, picked.size());
        EXPECT_EQ(c.path, picked[0].path);
        EXPECT_EQ(c.objectClass, picked[0].objectClass);
        EXPECT_EQ(lab::AccountSid(L"LAB\\operator"), picked[0].sid) << "whatever the path, the identifier comes";
        EXPECT_NE(person.rows.end(), std::find(person.rows.begin(), person.rows.end(), L"operator|LAB|User"))
            << "the dialog shows the same rows";
    }
}

TEST_F(ObjectPickerTest, CancelChoosesNothing) {
    std::vector<PickedObject> picked{PickedObject{L"stale"}};
    PickerPerson person({});
    ObjectPicker picker;
    ASSERT_EQ(S_OK, picker.Initialize(L"ADMIN01", UsersAndGroups(), 0));
    EXPECT_EQ(S_FALSE, picker.Show(nullptr, &picked));
    person.Join();
    EXPECT_TRUE(person.found);
    EXPECT_TRUE(picked.empty());
}

TEST_F(ObjectPickerTest, FailuresComeBackAsClearResults) {
    std::vector<PickedObject> picked{PickedObject{L"stale"}};
    ObjectPicker picker;
    EXPECT_EQ(E_UNEXPECTED, picker.Show(nullptr, &picked));
    EXPECT_TRUE(picked.empty());
    EXPECT_EQ(E_INVALIDARG, picker.Initialize(L"FS01", {}, 0));

    // The picker cannot be made.
    LabAddFault(nullptr, "CreateDsObjectPicker", ERROR_ACCESS_DENIED, 1, 1);
    EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED), picker.Initialize(L"FS01", UsersAndGroups(), 0));
    EXPECT_EQ(E_UNEXPECTED, picker.Show(nullptr, &picked));  // nothing half-made is left to show

    // Unknown and offline target computers.
    EXPECT_EQ(HRESULT_FROM_WIN32(RPC_S_SERVER_UNAVAILABLE), picker.Initialize(L"NOSUCHPC", UsersAndGroups(), 0));
    EXPECT_EQ(HRESULT_FROM_WIN32(RPC_S_SERVER_UNAVAILABLE), picker.Initialize(L"LAPTOP07", UsersAndGroups(), 0));

    // The dialog fails: no window shows, the choice stays empty.
    ASSERT_EQ(S_OK, picker.Initialize(L"FS01", UsersAndGroups(), 0));
    LabAddFault(L"FS01", "IDsObjectPicker::InvokeDialog", RPC_S_SERVER_UNAVAILABLE, 1, 1);
    picked.assign(1, PickedObject{L"stale"});
    EXPECT_EQ(HRESULT_FROM_WIN32(RPC_S_SERVER_UNAVAILABLE), picker.Show(nullptr, &picked));
    EXPECT_TRUE(picked.empty());
    EXPECT_EQ(1u, LabCallCount(L"FS01", "IDsObjectPicker::InvokeDialog"));
}

TEST(ObjectPickerSelection, IdentifierOnlyFromAByteArrayWithData) {
    // Three items: bytes, a text value, an empty byte array; objectSid is the
    // second attribute fetched.
    SAFEARRAY* bytes = ::SafeArrayCreateVector(VT_UI1, 0, 4);
    std::memcpy(bytes->pvData, "\x01\x02\x03\x04", 4);
    SAFEARRAY* empty = ::SafeArrayCreateVector(VT_UI1, 0, 0);
    VARIANT values[6];
    for (VARIANT& v : values) ::VariantInit(&v);
    values[1].vt = VT_ARRAY | VT_UI1;
    values[1].parray = bytes;
    values[3].vt = VT_BSTR;
    values[3].bstrVal = ::SysAllocString(L"S-1-5-32-545");
    values[5].vt = VT_ARRAY | VT_UI1;
    values[5].parray = empty;
    std::vector<BYTE> block(offsetof(DS_SELECTION_LIST, aDsSelection) + 3 * sizeof(DS_SELECTION));
    auto* list = reinterpret_cast<DS_SELECTION_LIST*>(block.data());
    auto* items = reinterpret_cast<DS_SELECTION*>(block.data() + offsetof(DS_SELECTION_LIST, aDsSelection));
    list->cItems = 3;
    list->cFetchedAttributes = 2;
    const wchar_t* names[] = {L"a", L"b", L"c"};
    for (int i = 0; i < 3; ++i) {
        items[i].pwzName = const_cast<wchar_t*>(names[i]);
        items[i].pvarFetchedAttributes = values + 2 * i;
    }
    const std::vector<PickedObject> read = ReadSelectionList(*list, {L"displayName", L"objectSID"});
    for (VARIANT& v : values) ::VariantClear(&v);
    ASSERT_EQ(3u, read.size());
    EXPECT_EQ((std::vector<BYTE>{1, 2, 3, 4}), read[0].sid);
    EXPECT_TRUE(read[1].sid.empty());
    EXPECT_TRUE(read[2].sid.empty());
    EXPECT_EQ(L"c", read[2].name);
    EXPECT_EQ(L"", read[2].path);
}
