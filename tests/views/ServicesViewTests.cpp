// The services view against the lab: its rows, failures, context menus,
// control commands with their status refresh, the editor route and what the
// rows own.
#include "tests/views/ViewTestSupport.h"

#include "common/ModuleState.h"
#include "common/PlatHandles.h"
#include "resources/ServicesViewIds.h"
#include "services/ServiceConfig.h"
#include "services/ServiceRef.h"
#include "tests/module/ModuleTestSupport.h"
#include "views/ServicesView.h"
#include "views/ViewWorker.h"

#include <functional>

namespace {

using namespace viewtest;
using testsupport::ProcessDialogWatcher;
using testsupport::SeenBox;

// SRV1's services, one per case the view distinguishes. Zeta depends on
// Alpha; the driver is not a Win32 service and is never listed.
constexpr char kScenario[] = R"({
  "domain": { "name": "LAB" },
  "interactiveUser": "LAB\\admin",
  "accounts": [ { "name": "LAB\\admin", "password": "a", "groups": ["LAB\\Domain Admins"] },
                { "name": "LAB\\svc", "password": "s" } ],
  "computers": [
    { "name": "ADMIN01", "local": true, "ip": "10.0.0.10" },
    { "name": "OLD", "ip": "10.0.0.99", "online": false },
    { "name": "SRV1", "ip": "10.0.0.20", "services": [
      { "name": "Alpha", "displayName": "Alpha Service", "description": "First of all", "startType": "auto",
        "account": "NT AUTHORITY\\LocalService" },
      { "name": "Beta", "displayName": "Beta Service", "startType": "demand" },
      { "name": "Delta", "displayName": "Delta Service", "startType": "demand", "state": "paused",
        "acceptPause": true, "account": "LAB\\svc" },
      { "name": "Epsilon", "displayName": "Epsilon Service", "startType": "auto", "acceptStop": false },
      { "name": "Gamma", "displayName": "Gamma Service", "startType": "disabled", "state": "running",
        "account": "NT AUTHORITY\\NetworkService" },
      { "name": "Zeta", "displayName": "Zeta Service", "startType": "auto", "dependencies": ["Alpha"] },
      { "name": "Drv", "displayName": "A Driver", "type": "kernelDriver", "startType": "system" }
    ] }
  ]
})";

const Rows kSrv1Rows = {
    {L"Alpha Service", L"First of all", L"Started", L"Automatic", L"Local Service"},
    {L"Beta Service", L"", L" ", L"Manual", L"LocalSystem"},
    {L"Delta Service", L"", L"Paused", L"Manual", L"LAB\\svc"},
    {L"Epsilon Service", L"", L"Started", L"Automatic", L"LocalSystem"},
    {L"Gamma Service", L"", L"Started", L"Disabled", L"Network Service"},
    {L"Zeta Service", L"", L"Started", L"Automatic", L"LocalSystem"},
};

class ServicesView : public ViewTest {
protected:
    ServicesView() : ViewTest(kScenario) {}
    void TearDown() override {
        // The rows go with their windows; the workers' copies with the workers.
        for (HWND view : views_) ::DestroyWindow(view);
        EXPECT_TRUE(WaitForWorkers(0));
        ViewTest::TearDown();
    }

    // Each view worker holds the module until it is released: waits
    // (dispatching messages) until no more than `idle` are left.
    static bool WaitForWorkers(LONG idle, DWORD timeoutMs = 20000) {
        const ULONGLONG end = ::GetTickCount64() + timeoutMs;
        while (vantrel::module::LockCount() > idle) {
            if (::GetTickCount64() > end) return false;
            Pump(5);
        }
        Pump();
        return true;
    }
    // A context-menu command, which runs on its own; returns when it ended.
    static bool Run(HWND view, UINT command) {
        const LONG idle = vantrel::module::LockCount();
        Command(view, command);
        return WaitForWorkers(idle);
    }
    static void SelectOnly(HWND view, std::initializer_list<const wchar_t*> labels) {
        ListView_SetItemState(List(view), -1, 0, LVIS_SELECTED);
        for (const wchar_t* label : labels) Select(view, FindRow(view, label));
    }
    static std::vector<std::wstring> Cells(HWND view, const wchar_t* label) {
        for (const auto& row : ReadRows(view)) {
            if (row[0] == label) return row;
        }
        return {};
    }
    static const vantrel::ServiceRef* ItemService(HWND view, int item) {
        return reinterpret_cast<const vantrel::ServiceRef*>(RowItem(view, item).lParam);
    }
    // dwCurrentState as the lab has it.
    static DWORD LabState(const wchar_t* service) {
        vantrel::UniqueScHandle scm(plat::OpenSCManagerW(L"SRV1", nullptr, SC_MANAGER_CONNECT));
        vantrel::UniqueScHandle handle(plat::OpenServiceW(scm.Get(), service, SERVICE_QUERY_STATUS));
        SERVICE_STATUS status{};
        return plat::QueryServiceStatus(handle.Get(), &status) ? status.dwCurrentState : 0;
    }
    static void SetLabDescription(const wchar_t* service, const wchar_t* text) {
        vantrel::UniqueScHandle scm(plat::OpenSCManagerW(L"SRV1", nullptr, SC_MANAGER_CONNECT));
        vantrel::UniqueScHandle handle(plat::OpenServiceW(scm.Get(), service, SERVICE_ALL_ACCESS));
        ASSERT_EQ(S_OK, vantrel::ChangeDescription(handle.Get(), text));
    }
    // The state of the item popup's commands after the view prepared it for
    // the current selection: true for greyed (menu state 3).
    static std::vector<bool> Greyed(HWND view) {
        HMENU menu = ::LoadMenuW(vantrel::module::Instance(), MAKEINTRESOURCEW(IDR_SERVICES_MENU));
        HMENU popup = ::GetSubMenu(menu, 1);
        vantrel::ServicesView().prepareMenu(view, popup, true);
        std::vector<bool> greyed;
        for (UINT id : {ID_VIEW_SERVICE_START, ID_VIEW_SERVICE_STOP, ID_VIEW_SERVICE_PAUSE, ID_VIEW_SERVICE_RESUME,
                        ID_VIEW_SERVICE_RESTART, ID_VIEW_PROPERTIES}) {
            const UINT state = ::GetMenuState(popup, id, MF_BYCOMMAND);
            EXPECT_TRUE(state == 0 || state == (MF_GRAYED | MF_DISABLED)) << id << ": " << state;
            greyed.push_back(state != 0);
        }
        ::DestroyMenu(menu);
        return greyed;
    }
};

TEST_F(ServicesView, ListsEveryWin32ServiceWithItsTexts) {
    HWND view = Open(vantrel::ServicesView(), L"SRV1");
    EXPECT_EQ(kSrv1Rows, ReadRows(view));
    const wchar_t* titles[] = {L"Name", L"Description", L"Status", L"Startup Type", L"Log On As"};
    const int widths[] = {200, 100, 100, 100, 100};
    for (int c = 0; c < 5; ++c) {
        EXPECT_EQ(titles[c], ColumnTitle(List(view), c));
        EXPECT_EQ(widths[c], ListView_GetColumnWidth(List(view), c));
    }
    // Every row carries its own copy of its service, image 2.
    EXPECT_EQ(std::vector<int>(kSrv1Rows.size(), 2), RowImages(view));
    for (int i = 0; i < ListView_GetItemCount(List(view)); ++i) ASSERT_NE(nullptr, ItemService(view, i));
    EXPECT_EQ(L"Beta", ItemService(view, FindRow(view, L"Beta Service"))->Name());
    EXPECT_TRUE(Shown(List(view)));
    EXPECT_FALSE(Shown(Message(view)));
}

TEST_F(ServicesView, FailuresReplaceTheListWithTheirText) {
    // The manager refuses to open: its text alone.
    LabAddFault(L"SRV1", "OpenSCManagerW", ERROR_ACCESS_DENIED, 1, 1);
    HWND view = Open(vantrel::ServicesView(), L"SRV1");
    EXPECT_EQ(PlatformText(ERROR_ACCESS_DENIED, false), Text(view, IDC_VIEW_MESSAGE));
    EXPECT_TRUE(Shown(Message(view)));
    EXPECT_FALSE(Shown(List(view)));
    EXPECT_EQ(0, ListView_GetItemCount(List(view)));

    // The listing fails at once, or on its second call (which always reports 234).
    const std::wstring sentence = L"\r\nThe services on the selected computer could not be enumerated.";
    LabAddFault(L"SRV1", "EnumServicesStatusExW", RPC_S_SERVER_UNAVAILABLE, 1, 1);
    Activate(view, 1);
    ASSERT_TRUE(WaitForEnumeration(view));
    EXPECT_EQ(PlatformText(RPC_S_SERVER_UNAVAILABLE, false) + sentence, Text(view, IDC_VIEW_MESSAGE));
    LabAddFault(L"SRV1", "EnumServicesStatusExW", ERROR_ACCESS_DENIED, 2, 1);
    Activate(view, 1);
    ASSERT_TRUE(WaitForEnumeration(view));
    EXPECT_EQ(PlatformText(ERROR_MORE_DATA, false) + sentence, Text(view, IDC_VIEW_MESSAGE));
    EXPECT_FALSE(Shown(List(view)));

    // The next good refresh brings the list back.
    Activate(view, 1);
    ASSERT_TRUE(WaitForEnumeration(view));
    EXPECT_TRUE(Shown(List(view)));
    EXPECT_FALSE(Shown(Message(view)));
    EXPECT_EQ(kSrv1Rows, ReadRows(view));
}

TEST_F(ServicesView, ConfigurationThatCannotBeReadShowsAnUnknownAccount) {
    // The third configuration call is the second service's size query.
    LabAddFault(L"SRV1", "QueryServiceConfigW", ERROR_ACCESS_DENIED, 3, 1);
    HWND view = Open(vantrel::ServicesView(), L"SRV1");
    const Rows rows = ReadRows(view);
    ASSERT_EQ(kSrv1Rows.size(), rows.size());
    // No display name sorts it first; its startup type stays empty.
    EXPECT_EQ(L"", rows[0][0]);
    EXPECT_EQ(L"", rows[0][3]);
    EXPECT_EQ(L"Unknown", rows[0][4]);
    EXPECT_NE(L"", rows[0][2]) << "status is read on its own";
}

TEST_F(ServicesView, ContextMenusAndWhatTheyOffer) {
    HWND view = Open(vantrel::ServicesView(), L"SRV1");
    ::ShowWindow(view, SW_SHOWNOACTIVATE);
    {
        MenuPicker picker(-1);
        RightClick(view, POINT{20, 250});
        EXPECT_EQ(std::vector<std::wstring>{L"Re&fresh"}, picker.Stop());
    }
    {
        SelectOnly(view, {L"Beta Service"});
        MenuPicker picker(-1);
        RightClick(view, ItemPoint(view, FindRow(view, L"Beta Service")));
        EXPECT_EQ((std::vector<std::wstring>{L"&Start", L"St&op", L"Pa&use", L"Resu&me", L"R&estart", L"Re&fresh",
                                             L"P&roperties"}),
                  picker.Stop());
    }
    // The facts each selection is read for; the rules are checked on their own.
    //                                 Start  Stop   Pause  Resume Restart Properties
    SelectOnly(view, {L"Gamma Service"});  // disabled, though running
    EXPECT_EQ((std::vector<bool>{true, true, true, true, true, false}), Greyed(view));
    SelectOnly(view, {L"Beta Service"});  // stopped
    EXPECT_EQ((std::vector<bool>{false, true, true, true, true, false}), Greyed(view));
    SelectOnly(view, {L"Delta Service"});  // paused, accepts stop and pause
    EXPECT_EQ((std::vector<bool>{true, false, true, false, false, false}), Greyed(view));
    SelectOnly(view, {L"Gamma Service", L"Epsilon Service"});
    EXPECT_EQ((std::vector<bool>{false, false, false, false, false, true}), Greyed(view));
}

// Against a slow computer the popup's reads wait on workers: the view goes on
// handling its messages meanwhile, and a read that has not answered within
// its bound counts as failing (the menu rules already cover that).
TEST_F(ServicesView, APopupOverASlowComputerKeepsTheViewAnswering) {
    HWND view = Open(vantrel::ServicesView(), L"SRV1");
    ::ShowWindow(view, SW_SHOWNOACTIVATE);
    SelectOnly(view, {L"Gamma Service"});  // disabled, though running
    // Longer than the bound, short enough for the teardown to wait it out.
    LabAddLatency(L"SRV1", "QueryServiceConfigW", 6000);

    bool handled = false, menuShown = true;
    const std::function<void()> probe = [&] {
        handled = true;
        menuShown = ShownMenu() != nullptr;
    };
    ::PostMessageW(view, vantrel::WM_VIEW_CALL, 0, reinterpret_cast<LPARAM>(&probe));
    MenuPicker picker(-1);
    RightClick(view, ItemPoint(view, FindRow(view, L"Gamma Service")));
    picker.Stop();
    EXPECT_TRUE(handled) << "posted to the view while its popup was being prepared";
    EXPECT_FALSE(menuShown) << "handled before the popup showed, while the read was pending";
    // Without its configuration Gamma is just a running service that does
    // not pause: Start, Pause and Resume greyed.
    const std::vector<std::wstring> items{L"&Start", L"St&op", L"Pa&use", L"Resu&me", L"R&estart", L"Re&fresh",
                                          L"P&roperties"};
    const std::vector<bool> greyed{true, false, true, true, false, false, false};
    EXPECT_EQ(items, picker.Stop());
    EXPECT_EQ(greyed, picker.Greyed());
}

TEST_F(ServicesView, StartAndStopRefreshOnlyTheStatusOfTheSelected) {
    HWND view = Open(vantrel::ServicesView(), L"SRV1");
    ProcessDialogWatcher watcher([](HWND window, const SeenBox& seen) {
        if (seen.title == L"Stop Other Services") ::PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    });
    // Changed behind the view's back: only a full refresh would show it.
    SetLabDescription(L"Beta", L"Changed meanwhile");

    SelectOnly(view, {L"Beta Service"});
    ASSERT_TRUE(Run(view, ID_VIEW_SERVICE_START));
    EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), LabState(L"Beta"));
    EXPECT_EQ((std::vector<std::wstring>{L"Beta Service", L"", L"Started", L"Manual", L"LocalSystem"}),
              Cells(view, L"Beta Service"));

    // Stopping Alpha stops its dependent too; only Alpha's row is refreshed.
    SelectOnly(view, {L"Alpha Service"});
    ASSERT_TRUE(Run(view, ID_VIEW_SERVICE_STOP));
    EXPECT_EQ(static_cast<DWORD>(SERVICE_STOPPED), LabState(L"Alpha"));
    EXPECT_EQ(static_cast<DWORD>(SERVICE_STOPPED), LabState(L"Zeta"));
    EXPECT_EQ(L" ", Cells(view, L"Alpha Service")[2]);
    EXPECT_EQ(L"Started", Cells(view, L"Zeta Service")[2]);

    const auto seen = watcher.Stop();
    for (const SeenBox& box : seen) EXPECT_NE(L"Error", box.title) << box.text;
    EXPECT_EQ(1, std::count_if(seen.begin(), seen.end(), [](const SeenBox& b) { return b.title == L"Stop Other Services"; }));

    // A full refresh shows everything as it is now.
    Activate(view, 1);
    ASSERT_TRUE(WaitForEnumeration(view));
    EXPECT_EQ(L"Changed meanwhile", Cells(view, L"Beta Service")[1]);
    EXPECT_EQ(L" ", Cells(view, L"Zeta Service")[2]);
}

TEST_F(ServicesView, StatusRefreshFindsRowsByDisplayName) {
    HWND view = Open(vantrel::ServicesView(), L"SRV1");
    ProcessDialogWatcher watcher(testsupport::AnswerBoxes(IDOK, {L"Service Control"}));
    HWND list = List(view);
    // Two rows labelled "Delta Service" (Beta's row renamed; the list keeps
    // it where it was): the refresh writes the first one.
    const int beta = FindRow(view, L"Beta Service");
    const int delta = FindRow(view, L"Delta Service");
    ASSERT_LT(beta, delta);
    SelectOnly(view, {L"Delta Service"});
    ListView_SetItemText(list, beta, 0, const_cast<wchar_t*>(L"Delta Service"));
    ASSERT_TRUE(Run(view, ID_VIEW_SERVICE_RESUME));
    EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), LabState(L"Delta"));
    Rows rows = ReadRows(view);
    EXPECT_EQ(L"Started", rows[static_cast<size_t>(beta)][2]);
    EXPECT_EQ(L"Paused", rows[static_cast<size_t>(delta)][2]);

    // Alpha (renamed in the list) and Zeta are stopped; Alpha cannot be found
    // by its name, so the refresh ends there and Zeta keeps its old status.
    const int alpha = FindRow(view, L"Alpha Service");
    ListView_SetItemText(list, alpha, 0, const_cast<wchar_t*>(L"Renamed"));
    SelectOnly(view, {L"Renamed", L"Zeta Service"});
    ASSERT_TRUE(Run(view, ID_VIEW_SERVICE_STOP));
    EXPECT_EQ(static_cast<DWORD>(SERVICE_STOPPED), LabState(L"Alpha"));
    EXPECT_EQ(static_cast<DWORD>(SERVICE_STOPPED), LabState(L"Zeta"));
    rows = ReadRows(view);
    EXPECT_EQ(L"Started", rows[static_cast<size_t>(alpha)][2]);
    EXPECT_EQ(L"Started", Cells(view, L"Zeta Service")[2]);
    for (const SeenBox& box : watcher.Stop()) EXPECT_NE(L"Error", box.title) << box.text;
}

TEST_F(ServicesView, PropertiesFromMenuOrDoubleClickReportWhatKeepsTheEditorAway) {
    HWND view = Open(vantrel::ServicesView(), L"SRV1");
    ProcessDialogWatcher watcher(testsupport::AnswerBoxes(IDOK));
    SelectOnly(view, {L"Alpha Service"});
    ListView_SetSelectionMark(List(view), FindRow(view, L"Alpha Service"));
    NMITEMACTIVATE click{};
    click.hdr.hwndFrom = List(view);
    click.hdr.idFrom = IDC_VIEW_LIST;
    click.hdr.code = NM_DBLCLK;
    click.iItem = FindRow(view, L"Alpha Service");
    const LONG idle = vantrel::module::LockCount();
    ::SendMessageW(view, WM_NOTIFY, IDC_VIEW_LIST, reinterpret_cast<LPARAM>(&click));
    EXPECT_EQ(idle + 1, vantrel::module::LockCount()) << "the double-click started the properties worker";
    ASSERT_TRUE(WaitForWorkers(idle));
    // A double-click on empty space does nothing.
    click.iItem = -1;
    ::SendMessageW(view, WM_NOTIFY, IDC_VIEW_LIST, reinterpret_cast<LPARAM>(&click));
    EXPECT_EQ(idle, vantrel::module::LockCount());
    ASSERT_TRUE(Run(view, ID_VIEW_PROPERTIES));

    const auto seen = watcher.Stop();
    ASSERT_EQ(2u, seen.size());
    // The test prefix has no editor class registered.
    const std::wstring expected = vantrel::ComposeErrorMessage(
        static_cast<DWORD>(REGDB_E_CLASSNOTREG),
        L"The computer user interface component could not be accessed.\r\nYou may have to register the component in "
        L"the installation\r\ndirectory on the command line as follows:\r\n\tregsvr32.exe Vantrel.dll");
    for (const SeenBox& box : seen) {
        EXPECT_EQ(L"Error", box.title);
        EXPECT_EQ(expected, box.text);
    }

    // Registered (the lab build), the editor is created, but its sheet
    // cannot be opened: the computer refuses the connection (and until the
    // sheet is built, the class says it has none).
    moduletest::LoadedModule module;
    using Entry = HRESULT(WINAPI*)();
    ASSERT_EQ(S_OK, module.Export<Entry>("DllRegisterServer")());
    struct Unregister {
        const moduletest::LoadedModule& module;
        ~Unregister() { module.Export<Entry>("DllUnregisterServer")(); }
    } unregister{module};
    LabAddFault(L"SRV1", "OpenSCManagerW", ERROR_ACCESS_DENIED, 1, 0);
    ProcessDialogWatcher second(testsupport::AnswerBoxes(IDOK));
    ASSERT_TRUE(Run(view, ID_VIEW_PROPERTIES));
    const auto opened = second.Stop();
    ASSERT_EQ(1u, opened.size());
    EXPECT_EQ(L"Error", opened[0].title);
    const wchar_t sentence[] = L"The service editor could not be opened.";
    EXPECT_TRUE(opened[0].text == vantrel::ComposeErrorMessage(E_NOTIMPL, sentence) ||
                opened[0].text == vantrel::ComposeErrorMessage(0x80070005, sentence))
        << opened[0].text;
}

TEST_F(ServicesView, RowsGiveBackWhatTheyHold) {
    HWND view = Open(vantrel::ServicesView(), L"SRV1");
    // The rows share one manager connection and open no service of their
    // own; the menu reads through copies that close what they opened.
    EXPECT_EQ(1u, LabOutstanding(LAB_KIND_SCM_HANDLE));
    EXPECT_EQ(0u, LabOutstanding(LAB_KIND_SERVICE_HANDLE));
    SelectOnly(view, {L"Alpha Service"});
    Greyed(view);
    EXPECT_EQ(0u, LabOutstanding(LAB_KIND_SERVICE_HANDLE));
    // A refresh clears the rows, and with them their handles and connection.
    Activate(view, 1);
    ASSERT_TRUE(WaitForEnumeration(view));
    EXPECT_EQ(1u, LabOutstanding(LAB_KIND_SCM_HANDLE));
    EXPECT_EQ(0u, LabOutstanding(LAB_KIND_SERVICE_HANDLE));

    // Destroyed in the middle of a slow fill: the rows it had, and those
    // still on their way, are freed once the worker ends.
    LabAddLatency(L"SRV1", "QueryServiceStatusEx", 30);
    Activate(view, 1);
    Pump(80);
    ::DestroyWindow(view);
    ASSERT_TRUE(WaitForWorkers(0));
    EXPECT_EQ(0u, LabOutstanding(LAB_KIND_ANY));
}

}  // namespace
