// The local groups view: rows, the popup's greying, New Group with picked
// members, Delete and Rename through their real windows against the lab.
#include "tests/views/AccountViewsSupport.h"

#include "common/AccountNames.h"
#include "lab/families/ObjectPicker.h"
#include "resources/ImageIndex.h"
#include "views/LocalGroupsView.h"

#include <algorithm>
#include <memory>

namespace {

using namespace viewtest;
using testsupport::SeenBox;

class LocalGroupsView : public AccountViewTest {
protected:
    static std::wstring LabComment(const wchar_t* group) {
        LPBYTE buffer = nullptr;
        if (plat::NetLocalGroupGetInfo(L"WS01", group, 1, &buffer) != 0) return L"<none>";
        std::wstring comment = reinterpret_cast<LOCALGROUP_INFO_1*>(buffer)->lgrpi1_comment;
        plat::NetApiBufferFree(buffer);
        return comment;
    }
    static std::vector<std::wstring> LabMembers(const wchar_t* group) {
        LPBYTE buffer = nullptr;
        DWORD read = 0, total = 0;
        std::vector<std::wstring> names;
        if (plat::NetLocalGroupGetMembers(L"WS01", group, 3, &buffer, MAX_PREFERRED_LENGTH, &read, &total, nullptr) != 0)
            return {L"<none>"};
        for (DWORD i = 0; i < read; ++i)
            names.push_back(reinterpret_cast<LOCALGROUP_MEMBERS_INFO_3*>(buffer)[i].lgrmi3_domainandname);
        plat::NetApiBufferFree(buffer);
        return names;
    }
    static void AddLabGroup(const wchar_t* name) {
        LOCALGROUP_INFO_0 g{const_cast<LPWSTR>(name)};
        ASSERT_EQ(0u, plat::NetLocalGroupAdd(L"WS01", 0, reinterpret_cast<LPBYTE>(&g), nullptr));
    }
};

TEST_F(LocalGroupsView, RowsAndTheirGreying) {
    HWND view = Open(vantrel::LocalGroupsView(), L"WS01");
    const Rows rows = ReadRows(view);
    ASSERT_FALSE(rows.empty());
    EXPECT_EQ(L"Administrators", rows.front()[0]);
    EXPECT_EQ((std::vector<std::wstring>{L"Share Admins", L"Manage the shares"}), rows.back());
    EXPECT_EQ(vantrel::IMAGE_GROUP, Item(view, L"Share Admins").iImage);
    EXPECT_EQ(500, ListView_GetColumnWidth(List(view), 1));

    for (int selected : {1, 2}) {
        SelectOnly(view, {L"Share Admins"});
        if (selected == 2) Select(view, FindRow(view, L"Users"));
        HMENU menu = ::LoadMenuW(vantrel::module::Instance(), MAKEINTRESOURCEW(IDR_LOCAL_GROUPS_MENU));
        HMENU popup = ::GetSubMenu(menu, 1);
        vantrel::LocalGroupsView().prepareMenu(view, popup, true);
        for (UINT id : {ID_VIEW_ADD_TO_GROUP, ID_VIEW_RENAME, ID_VIEW_PROPERTIES})
            EXPECT_EQ(selected == 2, (::GetMenuState(popup, id, MF_BYCOMMAND) & MF_GRAYED) != 0) << id;
        EXPECT_FALSE(::GetMenuState(popup, ID_VIEW_DELETE, MF_BYCOMMAND) & MF_GRAYED);
        ::DestroyMenu(menu);
    }
}

TEST_F(LocalGroupsView, AFailingEnumerationShowsWhatItRead) {
    // WS01 answers four groups a call: the second call fails.
    LabAddFault(L"WS01", "NetLocalGroupEnum", ERROR_ACCESS_DENIED, 2, 1);
    HWND view = Open(vantrel::LocalGroupsView(), L"WS01");
    EXPECT_TRUE(Shown(List(view)));
    EXPECT_FALSE(Shown(Message(view)));
    EXPECT_EQ((std::vector<std::wstring>{L"Administrators", L"Users", L"Guests", L"Power Users"}), Labels(view));
    EXPECT_EQ(2u, LabCallCount(L"WS01", "NetLocalGroupEnum"));
    // Without the fault every batch comes.
    Activate(view, 1);
    ASSERT_TRUE(WaitForEnumeration(view));
    EXPECT_EQ(14u, Labels(view).size());
    EXPECT_EQ(6u, LabCallCount(L"WS01", "NetLocalGroupEnum"));
    HWND offline = Open(vantrel::LocalGroupsView(), L"OLD");
    EXPECT_TRUE(Shown(List(offline)));
}

TEST_F(LocalGroupsView, NewGroupWithPickedMembers) {
    HWND view = Open(vantrel::LocalGroupsView(), L"WS01");
    std::vector<std::wstring> states;
    DialogDriver driver({
        {lab::kPickerCaption, Pick({L"kiosk", L"helpdesk", L"operator"})},
        {L"New Group", [&states](HWND d) {
             auto state = [&] {
                 return std::wstring(IsEnabled(d, IDC_CREATE) ? L"create" : L"-") +
                        (IsEnabled(d, IDC_GROUP_REMOVE) ? L" remove " : L" - ") +
                        std::to_wstring(ListView_GetItemCount(::GetDlgItem(d, IDC_GROUP_MEMBERS)));
             };
             states.push_back(state());
             SetField(d, IDC_GROUP_NAME, L"Auditors");
             SetField(d, IDC_GROUP_DESCRIPTION, L"Read the logs");
             Press(d, IDC_GROUP_ADD);
             states.push_back(state());
             // Remove the one selected member; Remove greys again.
             HWND members = ::GetDlgItem(d, IDC_GROUP_MEMBERS);
             LVITEMW selected{};
             selected.stateMask = selected.state = LVIS_SELECTED;
             ::SendMessageW(members, LVM_SETITEMSTATE, 2, reinterpret_cast<LPARAM>(&selected));
             states.push_back(state());
             Press(d, IDC_GROUP_REMOVE);
             states.push_back(state());
             Press(d, IDC_CREATE);
             states.push_back(state() + L" " + Field(d, IDC_GROUP_NAME));
             // A refused name: the message; an existing one: the error text.
             SetField(d, IDC_GROUP_NAME, L"a|b");
             Press(d, IDC_CREATE);
             SetField(d, IDC_GROUP_NAME, L"Share Admins");
             Press(d, IDC_CREATE);
             Press(d, IDCANCEL);
         }},
    });
    Command(view, ID_VIEW_NEW_GROUP);
    const auto boxes = driver.Stop();
    EXPECT_EQ((std::vector<std::wstring>{L"- - 0", L"create - 3", L"create remove 3", L"create - 2", L"- - 0 "}), states);
    EXPECT_EQ(L"Read the logs", LabComment(L"Auditors"));
    // The third picked row (in the picker's order) was removed.
    EXPECT_EQ((std::vector<std::wstring>{L"WS01\\kiosk", L"LAB\\operator"}), LabMembers(L"Auditors"));
    ASSERT_EQ(2u, boxes.size());
    EXPECT_EQ(vantrel::BadNameMessage(L"a|b", vantrel::BadNameRule::Platform), boxes[0].text);
    EXPECT_EQ(L"Local Users and Groups", boxes[1].title);
    EXPECT_EQ(PlatformText(ERROR_ALIAS_EXISTS, false), boxes[1].text);
    Pump(50);
    ASSERT_TRUE(WaitForEnumeration(view));
    EXPECT_GE(FindRow(view, L"Auditors"), 0);
}

TEST_F(LocalGroupsView, MembersThatFailToJoinAreReported) {
    HWND view = Open(vantrel::LocalGroupsView(), L"WS01");
    LabAddFault(L"WS01", "NetLocalGroupAddMembers", ERROR_ACCESS_DENIED, 1, 1);
    DialogDriver driver({
        {lab::kPickerCaption, Pick({L"helpdesk"})},
        {L"New Group", [](HWND d) {
             SetField(d, IDC_GROUP_NAME, L"Auditors");
             Press(d, IDC_GROUP_ADD);
             Press(d, IDC_CREATE);
             Press(d, IDCANCEL);
         }},
    });
    Command(view, ID_VIEW_NEW_GROUP);
    const auto boxes = driver.Stop();
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ(PlatformText(ERROR_ACCESS_DENIED, false) + L"\r\nFailed to add members", boxes[0].text);
    EXPECT_EQ(std::vector<std::wstring>{}, LabMembers(L"Auditors"));
}

TEST_F(LocalGroupsView, DeleteAndRename) {
    for (const wchar_t* name : {L"G1", L"G2", L"G3"}) AddLabGroup(name);
    HWND view = Open(vantrel::LocalGroupsView(), L"WS01");
    LabAddFault(L"WS01", "NetLocalGroupDel", ERROR_ACCESS_DENIED, 2, 1);
    {
        DialogDriver driver({});
        SelectOnly(view, {L"G1", L"G2", L"G3"});
        Command(view, ID_VIEW_DELETE);
        const auto boxes = driver.Stop();
        ASSERT_EQ(2u, boxes.size());
        EXPECT_EQ(L"Delete Multiple Local Groups", boxes[0].title);
        EXPECT_EQ(PlatformText(ERROR_ACCESS_DENIED, false) +
                      L"\r\nG2 could not be deleted. The multiple delete operation will terminate.",
                  boxes[1].text);
    }
    EXPECT_EQ(L"<none>", LabComment(L"G1"));
    EXPECT_EQ(-1, FindRow(view, L"G1"));
    EXPECT_GE(FindRow(view, L"G2"), 0);
    {
        DialogDriver driver({}, [](const SeenBox&) { return IDYES; });
        SelectOnly(view, {L"G3"});
        Command(view, ID_VIEW_DELETE);
        const auto boxes = driver.Stop();
        ASSERT_EQ(1u, boxes.size());
        EXPECT_EQ(L"Local Groups", boxes[0].title);
        EXPECT_NE(std::wstring::npos, boxes[0].text.find(L"Are you sure you want to delete the group G3?"));
        EXPECT_EQ(-1, FindRow(view, L"G3"));
    }

    DialogDriver driver({});
    RenameRow(view, L"G2", L"Auditors");
    EXPECT_GE(FindRow(view, L"Auditors"), 0);
    EXPECT_EQ(L"", LabComment(L"Auditors"));
    RenameRow(view, L"Auditors", L"Share Admins");
    const auto boxes = driver.Stop();
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ(L"The following error occurred while attempting to rename the group Auditors:\r\n\r\n" +
                  PlatformText(ERROR_ALIAS_EXISTS, false),
              boxes[0].text);
}

// The editor's page, with its members; Add picks, Remove takes the selected.
struct EditorScript {
    std::vector<std::wstring> seen;  // members shown when the page opened
    std::wstring description;
    bool removeFirst = true;
    bool add = true;
    void operator()(HWND sheet) {
        HWND page = reinterpret_cast<HWND>(::SendMessageW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
        HWND list = ::GetDlgItem(page, IDC_GROUP_MEMBERS);
        for (int i = 0; i < ListView_GetItemCount(list); ++i) {
            wchar_t text[128] = {};
            ListView_GetItemText(list, i, 0, text, 128);
            seen.push_back(text);
        }
        seen.push_back(Field(page, IDC_GROUP_TITLE) + L"|" + Field(page, IDC_GROUP_DESCRIPTION));
        if (!description.empty()) SetField(page, IDC_GROUP_DESCRIPTION, description.c_str());
        if (removeFirst) {
            LVITEMW state{};
            state.stateMask = state.state = LVIS_SELECTED;
            ::SendMessageW(list, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&state));
            Press(page, IDC_GROUP_REMOVE);
        }
        if (add) Press(page, IDC_GROUP_ADD);
        // Posted, as a click arrives: the sheet's modal loop sees that it ended
        // only when its message wait returns, which a sent message does not do.
        ::PostMessageW(sheet, PSM_PRESSBUTTON, PSBTN_OK, 0);
    }
};

TEST_F(LocalGroupsView, TheEditorAppliesDescriptionRemovalsThenAdditions) {
    HWND view = Open(vantrel::LocalGroupsView(), L"WS01");
    SelectOnly(view, {L"Share Admins"});
    auto script = std::make_shared<EditorScript>();
    script->description = L"Shares and their rights";
    DialogDriver driver({{lab::kPickerCaption, Pick({L"operator"})},
                         {L"Share Admins Properties", [script](HWND sheet) { (*script)(sheet); }}});
    Command(view, ID_VIEW_PROPERTIES);
    EXPECT_TRUE(driver.Stop().empty());
    EXPECT_EQ((std::vector<std::wstring>{L"LAB\\helpdesk", L"Share Admins|Manage the shares"}), script->seen);
    EXPECT_EQ(L"Shares and their rights", LabComment(L"Share Admins"));
    EXPECT_EQ(std::vector<std::wstring>{L"LAB\\operator"}, LabMembers(L"Share Admins"));
    EXPECT_EQ((std::vector<std::wstring>{L"Share Admins", L"Shares and their rights"}),
              ReadRows(view)[FindRow(view, L"Share Admins")]);
}

TEST_F(LocalGroupsView, RemovingAndAddingBackChangesNoMembership) {
    HWND view = Open(vantrel::LocalGroupsView(), L"WS01");
    SelectOnly(view, {L"Share Admins"});
    auto script = std::make_shared<EditorScript>();
    DialogDriver driver({{lab::kPickerCaption, Pick({L"helpdesk"})},
                         {L"Share Admins Properties", [script](HWND sheet) { (*script)(sheet); }}});
    Command(view, ID_VIEW_ADD_TO_GROUP);
    EXPECT_TRUE(driver.Stop().empty());
    EXPECT_EQ(1u, LabCallCount(L"WS01", "NetLocalGroupSetInfo"));
    EXPECT_EQ(0u, LabCallCount(L"WS01", "NetLocalGroupDelMembers"));
    EXPECT_EQ(0u, LabCallCount(L"WS01", "NetLocalGroupAddMembers"));
    EXPECT_EQ(std::vector<std::wstring>{L"LAB\\helpdesk"}, LabMembers(L"Share Admins"));
}

TEST_F(LocalGroupsView, AFailedRemovalCancelsTheSheetBeforeAnyAddition) {
    HWND view = Open(vantrel::LocalGroupsView(), L"WS01");
    SelectOnly(view, {L"Share Admins"});
    LabAddFault(L"WS01", "NetLocalGroupDelMembers", ERROR_ACCESS_DENIED, 1, 1);
    auto script = std::make_shared<EditorScript>();
    DialogDriver driver({{lab::kPickerCaption, Pick({L"operator"})},
                         {L"Share Admins Properties", [script](HWND sheet) { (*script)(sheet); }}});
    Command(view, ID_VIEW_PROPERTIES);
    const auto boxes = driver.Stop();
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ(L"Local Users and Groups", boxes[0].title);
    EXPECT_EQ(PlatformText(ERROR_ACCESS_DENIED, false) + L"\r\nFailed to remove members", boxes[0].text);
    EXPECT_EQ(0u, LabCallCount(L"WS01", "NetLocalGroupAddMembers"));
    EXPECT_EQ(std::vector<std::wstring>{L"LAB\\helpdesk"}, LabMembers(L"Share Admins"));
}

TEST_F(LocalGroupsView, TheEditorShowsTheMembersReadBeforeAFailingBatch) {
    HWND view = Open(vantrel::LocalGroupsView(), L"WS01");
    SelectOnly(view, {L"Users"});
    LabAddFault(L"WS01", "NetLocalGroupGetMembers", ERROR_ACCESS_DENIED, 2, 1);
    auto script = std::make_shared<EditorScript>();
    script->removeFirst = script->add = false;
    DialogDriver driver({{L"Users Properties", [script](HWND sheet) { (*script)(sheet); }}});
    Command(view, ID_VIEW_PROPERTIES);
    EXPECT_TRUE(driver.Stop().empty());
    // Four members a batch; the second batch failed without a word.
    ASSERT_EQ(5u, script->seen.size());
    EXPECT_EQ(L"NT AUTHORITY\\INTERACTIVE", script->seen[0]);
    EXPECT_EQ(0u, LabCallCount(L"WS01", "NetLocalGroupSetInfo"));  // nothing changed, nothing applied
}

}  // namespace
