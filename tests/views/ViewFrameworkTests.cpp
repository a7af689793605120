// The view framework through the sessions view's real window: the
// conversation with the console, refresh rules, layout, the failure area,
// context menus, and workers that outlive their view or are replaced in a
// storm of refreshes.
#include "tests/views/ViewTestSupport.h"

#include "Vantrel_h.h"
#include "common/ModuleState.h"
#include "tests/module/ModuleTestSupport.h"
#include "views/ListWriter.h"

#include <cstdlib>
#include <memory>
#include <thread>

namespace {

using namespace viewtest;

const std::string kScenario = AdminNetwork(R"(
    { "name": "FS01", "ip": "10.0.0.20",
      "sessions": [
        { "client": "WS1", "user": "zoe", "opens": 1 },
        { "client": "WS2", "user": "adam", "opens": 2 },
        { "client": "WS3", "user": "mia" }
      ] },
    { "name": "FS02", "ip": "10.0.0.21",
      "sessions": [ { "client": "WS9", "user": "ben" } ] },
    { "name": "OLD", "ip": "10.0.0.99", "online": false })");

class ViewFramework : public ViewTest {
protected:
    ViewFramework() : ViewTest(kScenario) {}
    static std::vector<std::wstring> Users(HWND view) {
        std::vector<std::wstring> users;
        for (const auto& row : ReadRows(view)) users.push_back(row[0]);
        return users;
    }
    static DWORD Enumerations(const wchar_t* computer = L"FS01") { return LabCallCount(computer, "NetSessionEnum"); }
};

TEST_F(ViewFramework, ModuleCreatesTheRealViews) {
    moduletest::LoadedModule module;
    IComputerResMgmtUI* ui = nullptr;
    ASSERT_HRESULT_SUCCEEDED(module.CreateInstance(CLSID_ComputerResMgmtUI, IID_IComputerResMgmtUI,
                                                   reinterpret_cast<void**>(&ui)));
    const struct { long id; int columns; const wchar_t* first; } views[] = {
        {UIID_SESSIONS, 7, L"User"}, {UIID_OPEN_FILES, 5, L"Open File"}, {UIID_SERVICES, 5, L"Name"}};
    for (const auto& v : views) {
        long handle = 0;
        ASSERT_HRESULT_SUCCEEDED(ui->Create(v.id, &handle));
        HWND view = reinterpret_cast<HWND>(static_cast<LONG_PTR>(handle));
        ASSERT_TRUE(::IsWindow(view));
        EXPECT_FALSE(::IsWindowVisible(view));
        EXPECT_EQ(nullptr, ::GetParent(view));
        EXPECT_EQ(v.columns, Header_GetItemCount(ListView_GetHeader(List(view))));
        EXPECT_EQ(v.first, ColumnTitle(List(view), 0));
        EXPECT_EQ(L"Current Credentials:", testsupport::WindowText(::GetWindow(::GetWindow(view, GW_CHILD), GW_HWNDFIRST)));
        ::DestroyWindow(view);
    }
    ui->Release();
}

TEST_F(ViewFramework, CreatedEmptyWithColumnsImagesStylesAndLayout) {
    HWND view = Created(vantrel::SessionsView());
    ASSERT_NE(nullptr, view);
    HWND list = List(view);
    const LONG style = ::GetWindowLongW(list, GWL_STYLE);
    EXPECT_EQ(LVS_REPORT, style & LVS_TYPEMASK);
    EXPECT_NE(0, style & LVS_SORTASCENDING);
    EXPECT_NE(0, style & LVS_SHAREIMAGELISTS);
    EXPECT_EQ(0, style & LVS_SINGLESEL);
    EXPECT_NE(nullptr, ListView_GetImageList(list, LVSIL_NORMAL));
    EXPECT_NE(nullptr, ListView_GetImageList(list, LVSIL_SMALL));
    const wchar_t* titles[] = {L"User", L"Computer", L"Type", L"Open Files", L"Connected Time", L"Idle Time", L"Guest"};
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(titles[i], ColumnTitle(list, i));
        EXPECT_EQ(100, ListView_GetColumnWidth(list, i));
        LVCOLUMNW column{};
        column.mask = LVCF_FMT;
        ASSERT_TRUE(ListView_GetColumn(list, i, &column));
        EXPECT_EQ(LVCFMT_LEFT, column.fmt & LVCFMT_JUSTIFYMASK);
    }
    EXPECT_EQ(0, ListView_GetItemCount(list));
    EXPECT_FALSE(Shown(Message(view)));
    const vantrel::ViewContext* context = vantrel::FindViewContext(view);
    ASSERT_NE(nullptr, context);
    EXPECT_FALSE(context->active);
    EXPECT_EQ(nullptr, context->worker.Get());

    // List and message area fill what the credentials line leaves.
    RECT client{}, line{}, area{}, message{};
    ::SetWindowPos(view, nullptr, 40, 30, 640, 400, SWP_NOZORDER | SWP_NOACTIVATE);  // not at the screen's origin
    ::GetClientRect(view, &client);
    const auto inView = [view](HWND control, RECT& r) {
        ::GetWindowRect(control, &r);
        ::MapWindowPoints(nullptr, view, reinterpret_cast<POINT*>(&r), 2);
    };
    inView(::GetDlgItem(view, IDC_VIEW_CREDENTIALS), line);
    inView(list, area);
    inView(Message(view), message);
    const RECT expected{0, line.bottom + 8, client.right, client.bottom};
    EXPECT_TRUE(::EqualRect(&expected, &area));
    EXPECT_TRUE(::EqualRect(&area, &message));
}

TEST_F(ViewFramework, RefreshRules) {
    HWND view = Created(vantrel::SessionsView());
    SetCredentials(view, L"");
    SetComputer(view, L"FS01");
    Pump(50);
    EXPECT_EQ(0u, Enumerations()) << "an inactive view only stores the name";
    Activate(view);
    ASSERT_TRUE(WaitForEnumeration(view));
    ASSERT_EQ(1u, Enumerations());
    EXPECT_EQ((std::vector<std::wstring>{L"adam", L"mia", L"zoe"}), Users(view)) << "the control sorts by the first column";

    SetComputer(view, L"fs01");  // same name, other case, not forced
    WaitForEnumeration(view);
    EXPECT_EQ(1u, Enumerations());
    Activate(view, 0);
    WaitForEnumeration(view);
    EXPECT_EQ(1u, Enumerations()) << "nothing changed";

    SetComputer(view, L"FS01", 1);  // forced
    WaitForEnumeration(view);
    EXPECT_EQ(2u, Enumerations());
    Command(view, ID_VIEW_REFRESH);
    WaitForEnumeration(view);
    EXPECT_EQ(3u, Enumerations());

    Deactivate(view);
    SetComputer(view, L"FS02");
    WaitForEnumeration(view);
    EXPECT_EQ(0u, Enumerations(L"FS02")) << "deactivated: the change is only stored";
    EXPECT_EQ((std::vector<std::wstring>{L"adam", L"mia", L"zoe"}), Users(view));
    Activate(view, 0);
    WaitForEnumeration(view);
    EXPECT_EQ(1u, Enumerations(L"FS02")) << "the stored change refreshes at the next activation";
    EXPECT_EQ(std::vector<std::wstring>{L"ben"}, Users(view));

    SetComputer(view, L"");
    WaitForEnumeration(view);
    EXPECT_EQ(0, ListView_GetItemCount(List(view)));
    EXPECT_EQ(nullptr, vantrel::FindViewContext(view)->worker.Get()) << "an empty name starts no worker";
}

TEST_F(ViewFramework, FailureReplacesTheListUntilTheNextRefresh) {
    LabAddFault(L"FS01", "NetSessionEnum", ERROR_ACCESS_DENIED, 1, 1);
    HWND view = Open(vantrel::SessionsView(), L"FS01");
    EXPECT_FALSE(Shown(List(view)));
    EXPECT_TRUE(Shown(Message(view)));
    EXPECT_EQ(PlatformText(ERROR_ACCESS_DENIED, true), Text(view, IDC_VIEW_MESSAGE));
    EXPECT_EQ(0, ListView_GetItemCount(List(view)));

    Command(view, ID_VIEW_REFRESH);
    ASSERT_TRUE(WaitForEnumeration(view));
    EXPECT_TRUE(Shown(List(view)));
    EXPECT_FALSE(Shown(Message(view)));
    EXPECT_EQ(L"", Text(view, IDC_VIEW_MESSAGE));
    EXPECT_EQ(3, ListView_GetItemCount(List(view)));

    // A code the message tables cannot explain shows the view's sentence.
    LabAddFault(L"FS01", "NetSessionEnum", 0xFFFF, 1, 1);
    Command(view, ID_VIEW_REFRESH);
    ASSERT_TRUE(WaitForEnumeration(view));
    EXPECT_EQ(L"Sessions could not be enumerated.", Text(view, IDC_VIEW_MESSAGE));

    SetComputer(view, L"OLD");
    ASSERT_TRUE(WaitForEnumeration(view));
    EXPECT_EQ(PlatformText(ERROR_BAD_NETPATH, true), Text(view, IDC_VIEW_MESSAGE));
    EXPECT_TRUE(Shown(Message(view)));
}

TEST_F(ViewFramework, ContextMenusOnItemsAndEmptySpace) {
    HWND view = Open(vantrel::SessionsView(), L"FS01");
    {
        MenuPicker picker(-1);
        RightClick(view, POINT{5, 250});
        Pump(100);
        EXPECT_EQ((std::vector<std::wstring>{L"Disconnect &All Sessions", L"Re&fresh"}), picker.Stop());
    }
    {
        MenuPicker picker(-1);
        RightClick(view, ItemPoint(view, 1));
        Pump(100);
        EXPECT_EQ((std::vector<std::wstring>{L"Close &Session", L"Re&fresh"}), picker.Stop());
    }
    {
        MenuPicker picker(1);  // Re&fresh
        RightClick(view, ItemPoint(view, 0));
        Pump(200);
        picker.Stop();
        WaitForEnumeration(view);
        EXPECT_EQ(2u, Enumerations()) << "the chosen command arrives as WM_COMMAND";
    }
}

// Shift+F10 and the context-menu key: WM_CONTEXTMENU at (-1, -1) opens the
// popup a right-click on the focused item would, without covering the item.
// A WM_CONTEXTMENU with a position follows a right-click the view has already
// answered, and opens nothing more.
TEST_F(ViewFramework, ContextMenuKeyOpensThePopupOfTheFocusedItem) {
    HWND view = Open(vantrel::SessionsView(), L"FS01");
    ::ShowWindow(view, SW_SHOWNOACTIVATE);
    const std::vector<std::wstring> itemPopup{L"Close &Session", L"Re&fresh"};
    const std::vector<std::wstring> listPopup{L"Disconnect &All Sessions", L"Re&fresh"};
    struct Case {
        int focused;  // -1: no item has the focus
        bool selected;
        LPARAM position;
        std::vector<std::wstring> items;
    };
    const Case cases[] = {
        {1, true, -1, itemPopup},
        {0, true, static_cast<LPARAM>(0xFFFFFFFFu), itemPopup},
        {1, false, -1, listPopup},
        {-1, false, -1, listPopup},
        {1, true, MAKELPARAM(40, 40), {}},
    };
    HWND list = List(view);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.focused << " " << c.selected << " " << c.position);
        ListView_SetItemState(list, -1, 0, LVIS_FOCUSED | LVIS_SELECTED);
        if (c.focused >= 0)
            ListView_SetItemState(list, c.focused, LVIS_FOCUSED | (c.selected ? LVIS_SELECTED : 0),
                                  LVIS_FOCUSED | LVIS_SELECTED);
        MenuPicker picker(-1);
        ::SendMessageW(view, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(list), c.position);
        Pump(100);
        EXPECT_EQ(c.items, picker.Stop());
        if (c.items != itemPopup) continue;
        RECT item{};
        ListView_GetItemRect(list, c.focused, &item, LVIR_LABEL);
        ::MapWindowPoints(list, nullptr, reinterpret_cast<POINT*>(&item), 2);
        RECT overlap{};
        const RECT shown = picker.Shown();
        EXPECT_FALSE(::IntersectRect(&overlap, &shown, &item)) << "the menu leaves the item visible";
        EXPECT_LT(std::abs(shown.left - item.left), 40) << "the menu opens at the item";
    }
}

TEST_F(ViewFramework, DestroyedViewLetsItsWorkerFinish) {
    LabAddLatency(L"FS01", "NetSessionEnum", 300);
    HWND view = Created(vantrel::SessionsView());
    SetComputer(view, L"FS01");
    Activate(view);
    const LONG locked = vantrel::module::LockCount();
    EXPECT_GT(locked, 0) << "a running worker keeps the module loaded";
    while (Enumerations() == 0) Pump(5);  // the worker is inside the slow call
    ::DestroyWindow(view);
    // The worker ends on its own: wait for the lab call and the thread.
    const ULONGLONG end = ::GetTickCount64() + 5000;
    while (vantrel::module::LockCount() > 0 && ::GetTickCount64() < end) Pump(10);
    EXPECT_EQ(0, vantrel::module::LockCount());
    EXPECT_EQ(1u, Enumerations());
}

TEST_F(ViewFramework, RefreshStormEndsWithOneListing) {
    LabAddLatency(L"FS01", "NetSessionEnum", 20);
    HWND view = Open(vantrel::SessionsView(), L"FS01");
    // Refreshes posted while others wait for their predecessor re-enter the
    // view from inside the pumping wait.
    for (int i = 0; i < 25; ++i) ::PostMessageW(view, WM_COMMAND, ID_VIEW_REFRESH, 0);
    for (int i = 0; i < 5; ++i) Command(view, ID_VIEW_REFRESH);
    Pump(100);
    ASSERT_TRUE(WaitForEnumeration(view));
    Pump(100);
    EXPECT_EQ((std::vector<std::wstring>{L"adam", L"mia", L"zoe"}), Users(view));
    EXPECT_TRUE(Shown(List(view)));
}

TEST_F(ViewFramework, SlowComputerLeavesTheUserInterfaceResponsive) {
    LabAddLatency(L"FS01", "NetSessionEnum", 1500);
    HWND view = Created(vantrel::SessionsView());
    SetComputer(view, L"FS01");
    Activate(view);
    // A message posted now is dispatched while the enumeration still waits.
    static bool handled;
    handled = false;
    ::SetTimer(nullptr, 0, 1, [](HWND, UINT, UINT_PTR id, DWORD) {
        handled = true;
        ::KillTimer(nullptr, id);
    });
    while (!handled) Pump(5);
    EXPECT_TRUE(WorkerRunning(view));
    // A refresh stops the slow enumeration: the pumping wait keeps dispatching.
    Command(view, ID_VIEW_REFRESH);
    ASSERT_TRUE(WaitForEnumeration(view));
    EXPECT_EQ(3, ListView_GetItemCount(List(view)));
}

// How rows travel from a worker to its view: batches are taken in turn and
// keep their order, the writer waits for the view before handing more, and
// closing releases a waiting writer and frees every row nobody took.
TEST(RowHandoff, BatchesInTurnAndClosingFreesWhatWasNotTaken) {
    static std::vector<LPARAM> freed;
    freed.clear();
    auto freeData = [](LPARAM data) noexcept { freed.push_back(data); };
    HWND list = ::CreateWindowExW(0, WC_LISTVIEWW, L"", LVS_REPORT, 0, 0, 200, 200, nullptr, nullptr, nullptr, nullptr);
    HWND view = ::CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    const vantrel::UniqueHandle stop(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    ASSERT_TRUE(list && view && stop);
    auto handoff = std::make_shared<vantrel::RowHandoff>(view, freeData);

    constexpr int kRows = static_cast<int>(vantrel::ListWriter::kBatchRows) + 44;
    std::thread writer([&] {
        vantrel::ListWriter rows(handoff, stop.Get());
        for (int i = 0; i < kRows; ++i) rows.Insert(i, std::to_wstring(i).c_str(), 0, i + 1);
    });
    std::vector<vantrel::RowHandoff::Taken> taken;
    while (taken.empty() || taken.back() != vantrel::RowHandoff::Taken::LastBatch) {
        const auto result = handoff->Take(list);
        if (result != vantrel::RowHandoff::Taken::Nothing) taken.push_back(result);
        ::Sleep(1);
    }
    writer.join();
    EXPECT_EQ(vantrel::RowHandoff::Taken::Batch, taken.front()) << "the first full batch";
    ASSERT_EQ(kRows, ListView_GetItemCount(list));
    wchar_t text[16];
    ListView_GetItemText(list, kRows - 1, 0, text, 16);
    EXPECT_STREQ(std::to_wstring(kRows - 1).c_str(), text);
    EXPECT_TRUE(freed.empty()) << "the list owns what it holds";

    // A writer whose view stops taking: it waits at its second batch until
    // the view closes the way in; both batches are freed.
    std::thread stalled([&] {
        vantrel::ListWriter rows(handoff, stop.Get());
        for (int i = 0; i < kRows; ++i) rows.Insert(i, L"row", 0, 1000 + i);
    });
    while (!handoff->Pending()) ::Sleep(1);
    ::Sleep(50);
    handoff->Close();
    stalled.join();
    EXPECT_EQ(static_cast<size_t>(kRows), freed.size());
    EXPECT_EQ(kRows, ListView_GetItemCount(list));
    EXPECT_EQ(vantrel::RowHandoff::Taken::Nothing, handoff->Take(list));
    ::DestroyWindow(list);
    ::DestroyWindow(view);
}

}  // namespace
