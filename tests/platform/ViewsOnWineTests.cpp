// The terminal sessions and printers views on the real backend, against
// what Wine implements: its spooler has no printers without CUPS printers
// (an empty list, no error), and its WTSOpenServerW fails for any computer
// name with 120, where Windows opens the server and enumerates its sessions.
// Beside them, what Wine's own owner-data list does that the users view's
// rows are built on.
#include "tests/views/ViewTestSupport.h"

#include "platform/TerminalServices.h"
#include "views/PrintersView.h"
#include "views/TerminalSessionsView.h"

namespace {

using namespace viewtest;

std::wstring LocalName() {
    wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
    ::GetComputerNameW(name, &size);
    return name;
}

class ViewsOnWine : public ::testing::Test {
protected:
    void TearDown() override {
        if (::IsWindow(view_)) ::DestroyWindow(view_);
        Pump(50);
    }
    HWND Open(const vantrel::ViewDefinition& definition, const std::wstring& computer) {
        view_ = OpenView(definition, computer.c_str());
        return view_;
    }
    ComApartment apartment_;
    HWND view_ = nullptr;
};

TEST_F(ViewsOnWine, PrintersOfTheLocalComputerAreAnEmptyListWithoutError) {
    testsupport::ProcessDialogWatcher watcher(testsupport::AnswerBoxes(IDOK));
    for (const std::wstring& name : {LocalName(), L"\\\\" + LocalName()}) {
        HWND view = Open(vantrel::PrintersView(), name);
        ASSERT_TRUE(view);
        EXPECT_EQ(0, ListView_GetItemCount(List(view))) << "Wine's spooler lists no printers here";
        EXPECT_TRUE(Shown(List(view)));
        EXPECT_FALSE(Shown(Message(view))) << testing::PrintToString(Text(view, IDC_VIEW_MESSAGE));
        ::DestroyWindow(view);
    }
    EXPECT_TRUE(watcher.Stop().empty()) << "0 bytes is no allocation failure";
}

TEST_F(ViewsOnWine, TerminalSessionsShowWinesOpenFailure) {
    // Windows would list the console and its listeners here.
    ::SetLastError(0);
    std::wstring name = LocalName();
    EXPECT_EQ(nullptr, plat::WTSOpenServerW(name.data()));
    EXPECT_EQ(static_cast<DWORD>(ERROR_CALL_NOT_IMPLEMENTED), ::GetLastError());

    HWND view = Open(vantrel::TerminalSessionsView(), name);
    ASSERT_TRUE(view);
    EXPECT_TRUE(Shown(Message(view)));
    EXPECT_FALSE(Shown(List(view)));
    EXPECT_EQ(PlatformText(ERROR_CALL_NOT_IMPLEMENTED, true), Text(view, IDC_VIEW_MESSAGE));
}

// An owner-data list of Wine's comctl32 under a window that answers for its
// rows and records what the list asks.
class OwnerDataOnWine : public ::testing::Test {
protected:
    struct Asked {
        int findStart = -99;
        UINT findFlags = 0;
        std::wstring findText;
        int deleted = -1;
    };
    static Asked& Seen() {
        static Asked asked;
        return asked;
    }
    static LRESULT CALLBACK ParentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_NOTIFY) {
            const auto& header = *reinterpret_cast<NMHDR*>(lParam);
            if (header.code == LVN_GETDISPINFOW) {
                LVITEMW& item = reinterpret_cast<NMLVDISPINFOW*>(lParam)->item;
                if (item.mask & LVIF_TEXT) ::lstrcpynW(item.pszText, kNames[item.iItem % 4], item.cchTextMax);
                if (item.mask & LVIF_IMAGE) item.iImage = 3;
                if (item.mask & LVIF_PARAM) item.lParam = 77;
                return 0;
            }
            if (header.code == LVN_ODFINDITEMW) {
                const auto& find = *reinterpret_cast<NMLVFINDITEMW*>(lParam);
                Seen().findStart = find.iStart;
                Seen().findFlags = find.lvfi.flags;
                Seen().findText = find.lvfi.psz ? find.lvfi.psz : L"";
                return 2;
            }
            if (header.code == LVN_DELETEITEM) Seen().deleted = reinterpret_cast<NMLISTVIEW*>(lParam)->iItem;
        }
        return ::DefWindowProcW(window, message, wParam, lParam);
    }
    void SetUp() override {
        Seen() = Asked{};
        WNDCLASSW type{};
        type.lpfnWndProc = &ParentProc;
        type.lpszClassName = L"OwnerDataOnWineParent";
        ::RegisterClassW(&type);
        parent_ = ::CreateWindowW(L"OwnerDataOnWineParent", L"", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300, nullptr, nullptr,
                                  nullptr, nullptr);
        list_ = ::CreateWindowW(WC_LISTVIEWW, L"", WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_OWNERDATA | LVS_EDITLABELS, 0,
                                0, 400, 300, parent_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_VIEW_LIST)),
                                nullptr, nullptr);
        ASSERT_TRUE(parent_ && list_);
        LVCOLUMNW column{};
        column.mask = LVCF_WIDTH;
        column.cx = 200;
        ListView_InsertColumn(list_, 0, &column);
        ListView_SetItemCountEx(list_, 20000, LVSICF_NOINVALIDATEALL);
    }
    void TearDown() override { ::DestroyWindow(parent_); }
    std::vector<int> Selected() const {
        std::vector<int> items;
        for (int i = ListView_GetNextItem(list_, -1, LVNI_SELECTED); i >= 0; i = ListView_GetNextItem(list_, i, LVNI_SELECTED))
            items.push_back(i);
        return items;
    }
    static constexpr const wchar_t* kNames[] = {L"Administrator", L"support", L"temp", L"user"};
    HWND parent_ = nullptr;
    HWND list_ = nullptr;
};

TEST_F(OwnerDataOnWine, TextsAndImagesAreAskedForItemDataNeverAndWritesFail) {
    LVITEMW item{};
    item.mask = LVIF_IMAGE | LVIF_PARAM;
    item.iItem = 1;
    item.lParam = 5;
    ASSERT_TRUE(ListView_GetItem(list_, &item));
    EXPECT_EQ(3, item.iImage);
    EXPECT_EQ(0, item.lParam) << "Wine does not ask for item data: the view reads it from its rows";
    wchar_t text[32] = {};
    ListView_GetItemText(list_, 2, 0, text, 32);
    EXPECT_STREQ(L"temp", text);
    LVITEMW write{};
    write.mask = LVIF_TEXT;
    write.iItem = 1;
    write.pszText = const_cast<wchar_t*>(L"x");
    EXPECT_FALSE(ListView_SetItem(list_, &write)) << "a label is written into the view's rows";
    EXPECT_EQ(0, ::SendMessageW(list_, LVM_SETITEMTEXTW, 1, reinterpret_cast<LPARAM>(&write)));
}

TEST_F(OwnerDataOnWine, FindingAndTypeAheadAskTheOwner) {
    LVFINDINFOW find{};
    find.flags = LVFI_STRING;
    find.psz = L"support";
    EXPECT_EQ(2, ListView_FindItem(list_, -1, &find)) << "the owner's answer";
    EXPECT_EQ(-1, Seen().findStart) << "LVM_FINDITEM passes its start on as it came";
    EXPECT_EQ(static_cast<UINT>(LVFI_STRING), Seen().findFlags);
    ListView_FindItem(list_, 5, &find);
    EXPECT_EQ(5, Seen().findStart);
    // A typed letter: from the row after the focused one, wrapping, by prefix.
    ListView_SetItemState(list_, 7, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    ::SendMessageW(list_, WM_CHAR, L's', 1);
    EXPECT_EQ(8, Seen().findStart);
    EXPECT_EQ(static_cast<UINT>(LVFI_WRAP | LVFI_PARTIAL), Seen().findFlags);
    EXPECT_EQ(L"s", Seen().findText);
    EXPECT_EQ(2, ListView_GetNextItem(list_, -1, LVNI_FOCUSED)) << "the answer takes the focus";
    EXPECT_EQ((std::vector<int>{2}), Selected());
}

TEST_F(OwnerDataOnWine, DeletingMovesTheSelectionAndACountOfZeroDropsIt) {
    ListView_SetItemState(list_, 7, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_SetItemState(list_, 9, LVIS_SELECTED, LVIS_SELECTED);
    ASSERT_TRUE(ListView_DeleteItem(list_, 8));
    EXPECT_EQ(8, Seen().deleted) << "Wine tells the owner, too";
    EXPECT_EQ(19999, ListView_GetItemCount(list_));
    EXPECT_EQ((std::vector<int>{7, 8}), Selected()) << "the row after the deleted one moved up, selected";
    EXPECT_EQ(7, ListView_GetNextItem(list_, -1, LVNI_FOCUSED));
    ListView_SetItemCountEx(list_, 0, 0);
    EXPECT_EQ(0, ListView_GetItemCount(list_));
    ListView_SetItemCountEx(list_, 3, LVSICF_NOINVALIDATEALL);
    EXPECT_TRUE(Selected().empty()) << "a new fill starts without the old selection";
    EXPECT_EQ(-1, ListView_GetNextItem(list_, -1, LVNI_FOCUSED));
}

}  // namespace
