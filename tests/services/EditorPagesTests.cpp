// The Recovery and Dependencies pages of a service's property sheet, driven
// through their windows against the lab.
#include "LabFixture.h"

#include "common/PropertySheetHost.h"
#include "resources/EditorPagesIds.h"
#include "resources/ServiceConfigIds.h"
#include "services/editor/DependenciesPage.h"
#include "services/editor/RecoveryPage.h"
#include "tests/support/WindowDriver.h"

#include <algorithm>
#include <functional>
#include <thread>

using namespace vantrel;
using testsupport::ItemText;
using testsupport::WaitUntil;

namespace {

constexpr char kNetwork[] = R"({"domain":{"name":"T"},"interactiveUser":"T\\u",
    "accounts":[{"name":"T\\u","password":"p"}],
    "computers":[{"name":"H","administrators":["T\\u"],"services":[
      {"name":"A","displayName":"Alpha","dependencies":["B"]},
      {"name":"B","displayName":"Bravo","dependencies":["C"]},
      {"name":"C","displayName":"Charlie"},
      {"name":"Top","displayName":"Top Service","dependencies":["A","+Grp"]},
      {"name":"Watch","displayName":"Watcher","failureActions":{"resetPeriod":172800,"rebootMessage":"Bye",
        "command":"\"C:\\tools\\notify.exe\" -q /fail=%1%",
        "actions":[{"type":"restart","delayMs":300000},{"type":"runCommand","delayMs":0},
                   {"type":"reboot","delayMs":120000}]}}]}]})";

constexpr wchar_t kCaption[] = L"Service Sheet (H)";

class EditorPages : public servicetest::LabFixture {
protected:
    void SetUp() override {
        LabFixture::SetUp();
        ASSERT_EQ(0u, lab::LoadScenarioText(kNetwork));
    }
    void TearDown() override {
        state_.reset();
        LabFixture::TearDown();
    }

    ServiceEditorState& Editing(const wchar_t* service) {
        state_ = std::make_unique<ServiceEditorState>();
        state_->computer = L"H";
        state_->serviceName = service;
        EXPECT_EQ(S_OK, ServiceControlManager::Connect(L"H", state_->manager));
        state_->manager->SetAccessMask(ServiceControlManager::kAllAccess);
        EXPECT_EQ(S_OK, state_->manager->Open(L"ServicesActive"));
        state_->service = ServiceRef(service, state_->manager.Get());
        EXPECT_EQ(S_OK, state_->service.EnsureOpen(ServiceOpenMode::Full));
        return *state_;
    }

    // Runs a sheet holding `page` while `script` works the page's window from
    // another thread; the script closes the sheet.
    static void Run(PropertyPage& page, const std::function<void(HWND sheet, HWND page)>& script) {
        PropertySheetHost host(nullptr, 0, PSH_NOCONTEXTHELP);
        host.SetCaption(kCaption);
        ASSERT_EQ(S_OK, host.AddPage(page));
        const DWORD ui = ::GetCurrentThreadId();
        std::thread driver([&] {
            HWND sheet = testsupport::WaitForDialog(ui, 10000, kCaption);
            ASSERT_TRUE(sheet);
            script(sheet, reinterpret_cast<HWND>(::SendMessageW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0)));
            if (!WaitUntil([&] { return !::IsWindow(sheet) || !::IsWindowVisible(sheet); }, 3000)) {
                ADD_FAILURE() << "the script left the sheet open";
                ::PostMessageW(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
            }
        });
        host.Run();
        driver.join();
    }

    static void Choose(HWND page, int combo, int index) {
        HWND box = ::GetDlgItem(page, combo);
        ::SendMessageW(box, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
        ::SendMessageW(page, WM_COMMAND, MAKEWPARAM(combo, CBN_SELCHANGE), reinterpret_cast<LPARAM>(box));
    }
    static bool Enabled(HWND page, int id) { return ::IsWindowEnabled(::GetDlgItem(page, id)) != FALSE; }
    static int Selected(HWND page, int combo) {
        return static_cast<int>(::SendDlgItemMessageW(page, combo, CB_GETCURSEL, 0, 0));
    }

    // The recovery actions the lab holds for `service` now.
    SERVICE_FAILURE_ACTIONSW Stored(const wchar_t* service) {
        ServiceRef ref(service, state_->manager.Get());
        EXPECT_EQ(S_OK, ref.QueryFailureActions(block_));
        return block_ ? *static_cast<SERVICE_FAILURE_ACTIONSW*>(block_.Get()) : SERVICE_FAILURE_ACTIONSW{};
    }

    std::unique_ptr<ServiceEditorState> state_;
    UniqueCoTaskMem block_;
};

TEST_F(EditorPages, RecoveryShowsTheStoredActionsAndWritesTheChangedRecord) {
    ServiceEditorState& state = Editing(L"Watch");
    UniqueCoTaskMem stored;
    const HRESULT read = state.service.QueryFailureActions(stored);
    RecoveryPage page(state, read, std::move(stored));
    Run(page, [&](HWND sheet, HWND p) {
        EXPECT_EQ(kRestartService, Selected(p, IDC_FIRST_FAILURE));
        EXPECT_EQ(kRunFile, Selected(p, IDC_SECOND_FAILURE));
        EXPECT_EQ(kRebootComputer, Selected(p, IDC_SUBSEQUENT_FAILURES));
        EXPECT_EQ(L"2", ItemText(p, IDC_RESET_DAYS));
        EXPECT_EQ(L"5", ItemText(p, IDC_RESTART_SERVICE_MINUTES));
        EXPECT_EQ(L"C:\\tools\\notify.exe", ItemText(p, IDC_RUN_FILE));
        EXPECT_EQ(L"-q", ItemText(p, IDC_RUN_PARAMETERS));
        EXPECT_EQ(BST_CHECKED, ::IsDlgButtonChecked(p, IDC_APPEND_FAIL_COUNT));
        EXPECT_TRUE(Enabled(p, IDC_RESTART_SERVICE_MINUTES) && Enabled(p, IDC_RUN_FILE) &&
                    Enabled(p, IDC_RESTART_COMPUTER_OPTIONS));
        // Each group follows whether any action still uses it.
        Choose(p, IDC_SUBSEQUENT_FAILURES, kTakeNoAction);
        EXPECT_FALSE(Enabled(p, IDC_RESTART_COMPUTER_OPTIONS));
        Choose(p, IDC_FIRST_FAILURE, kRunFile);
        EXPECT_FALSE(Enabled(p, IDC_RESTART_SERVICE_MINUTES));
        EXPECT_FALSE(Enabled(p, IDC_RESTART_SERVICE_LABEL));
        Choose(p, IDC_SECOND_FAILURE, kTakeNoAction);
        EXPECT_TRUE(Enabled(p, IDC_RUN_PARAMETERS));  // the first action still runs the file
        ::SetDlgItemTextW(p, IDC_RUN_PARAMETERS, L"-v");
        ::SetDlgItemTextW(p, IDC_RESET_DAYS, L"1");
        ::PostMessageW(sheet, PSM_PRESSBUTTON, PSBTN_OK, 0);
    });
    const SERVICE_FAILURE_ACTIONSW after = Stored(L"Watch");
    EXPECT_EQ(86400u, after.dwResetPeriod);
    ASSERT_EQ(3u, after.cActions);
    EXPECT_EQ(SC_ACTION_RUN_COMMAND, after.lpsaActions[0].Type);
    EXPECT_EQ(0u, after.lpsaActions[0].Delay);
    EXPECT_EQ(SC_ACTION_NONE, after.lpsaActions[1].Type);
    EXPECT_EQ(SC_ACTION_NONE, after.lpsaActions[2].Type);
    EXPECT_STREQ(L"\"C:\\tools\\notify.exe\" -v /fail=%1%", after.lpCommand);
    EXPECT_STREQ(L"Bye", after.lpRebootMsg);  // no reboot left: the message stays as it was
}

TEST_F(EditorPages, RecoveryRebootOptionsAndRunFileComeFromTheirDialogs) {
    ServiceEditorState& state = Editing(L"Watch");
    UniqueCoTaskMem stored;
    const HRESULT read = state.service.QueryFailureActions(stored);
    RecoveryPage page(state, read, std::move(stored));
    testsupport::ProcessDialogWatcher options([](HWND window, const testsupport::SeenBox& seen) {
        if (seen.title != L"Restart Computer Options") return;
        EXPECT_EQ(L"2", ItemText(window, IDC_RESTART_MINUTES));
        EXPECT_EQ(L"Bye", ItemText(window, IDC_REBOOT_MESSAGE));
        ::SetDlgItemTextW(window, IDC_RESTART_MINUTES, L"7");
        ::SendDlgItemMessageW(window, IDC_SEND_MESSAGE, BM_CLICK, 0, 0);  // untick: no message
        ::PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    });
    testsupport::ProcessDialogWatcher open([](HWND window, const testsupport::SeenBox& seen) {
        if (seen.title != L"Open") return;
        // The file name field has the focus when the dialog opens.
        GUITHREADINFO focus{};
        focus.cbSize = sizeof focus;
        if (!WaitUntil([&] {
                return ::GetGUIThreadInfo(::GetWindowThreadProcessId(window, nullptr), &focus) && focus.hwndFocus;
            }))
            return;
        ::SendMessageW(focus.hwndFocus, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"C:\\windows\\notepad.exe"));
        ::PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    });
    Run(page, [&](HWND sheet, HWND p) {
        ::SendDlgItemMessageW(p, IDC_RESTART_COMPUTER_OPTIONS, BM_CLICK, 0, 0);
        ::SendDlgItemMessageW(p, IDC_RUN_FILE_BROWSE, BM_CLICK, 0, 0);
        EXPECT_EQ(L"C:\\windows\\notepad.exe", ItemText(p, IDC_RUN_FILE));
        EXPECT_TRUE(::IsWindowEnabled(::GetDlgItem(sheet, 0x3021)));  // Apply: the page changed
        ::PostMessageW(sheet, PSM_PRESSBUTTON, PSBTN_OK, 0);
    });
    const auto seen = options.Stop();
    EXPECT_EQ(1, std::count_if(seen.begin(), seen.end(), [](const testsupport::SeenBox& box) {
                  return box.title == L"Restart Computer Options";
              }));
    const SERVICE_FAILURE_ACTIONSW after = Stored(L"Watch");
    ASSERT_EQ(3u, after.cActions);
    EXPECT_EQ(SC_ACTION_REBOOT, after.lpsaActions[2].Type);
    EXPECT_EQ(420000u, after.lpsaActions[2].Delay);
    EXPECT_TRUE(!after.lpRebootMsg || !*after.lpRebootMsg);
    EXPECT_EQ(L"\"C:\\windows\\notepad.exe\" -q /fail=%1%", std::wstring(after.lpCommand ? after.lpCommand : L""));
    open.Stop();
}

TEST_F(EditorPages, RecoveryReadFailureLocksThePageAndWritesNothing) {
    ServiceEditorState& state = Editing(L"Watch");
    LabAddFault(L"H", "QueryServiceConfig2W", ERROR_ACCESS_DENIED, 1, 1);
    UniqueCoTaskMem stored;
    const HRESULT read = state.service.QueryFailureActions(stored);
    ASSERT_EQ(E_ACCESSDENIED, read);
    RecoveryPage page(state, read, std::move(stored));
    testsupport::ProcessDialogWatcher boxes(testsupport::AnswerBoxes(IDOK, {kCaption}));
    LabResetCallCounts();
    Run(page, [&](HWND sheet, HWND p) {
        for (int id : {IDC_FIRST_FAILURE, IDC_RESET_DAYS, IDC_RESTART_SERVICE_MINUTES, IDC_RUN_FILE,
                       IDC_RESTART_COMPUTER_OPTIONS})
            EXPECT_FALSE(Enabled(p, id)) << id;
        ::PostMessageW(sheet, PSM_PRESSBUTTON, PSBTN_OK, 0);
    });
    std::vector<testsupport::SeenBox> seen = boxes.Stop();
    std::erase_if(seen, [](const testsupport::SeenBox& box) { return box.title != L"Error"; });
    ASSERT_EQ(1u, seen.size());
    // Wine's text of the error ends with its own line break.
    EXPECT_EQ(L"Access denied.\r\n\r\nQuery for service recovery information failed.", seen[0].text);
    EXPECT_EQ(0u, LabCallCount(L"H", "ChangeServiceConfig2W"));
}

// The tree items below `parent` (the roots for null), with "+" for those that
// still offer a branch.
std::vector<std::wstring> Items(HWND tree, HTREEITEM parent = nullptr) {
    std::vector<std::wstring> texts;
    auto item = reinterpret_cast<HTREEITEM>(
        ::SendMessageW(tree, TVM_GETNEXTITEM, parent ? TVGN_CHILD : TVGN_ROOT, reinterpret_cast<LPARAM>(parent)));
    for (; item; item = reinterpret_cast<HTREEITEM>(
                     ::SendMessageW(tree, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(item)))) {
        wchar_t text[128] = {};
        TVITEMW data{};
        data.mask = TVIF_TEXT | TVIF_CHILDREN;
        data.hItem = item;
        data.pszText = text;
        data.cchTextMax = 128;
        ::SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&data));
        texts.push_back(std::wstring(text) + (data.cChildren ? L"+" : L""));
    }
    return texts;
}

HTREEITEM Expand(HWND tree, int index) {
    auto item = reinterpret_cast<HTREEITEM>(::SendMessageW(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0));
    while (index-- > 0)
        item = reinterpret_cast<HTREEITEM>(::SendMessageW(tree, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(item)));
    ::SendMessageW(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(item));
    return item;
}

TEST_F(EditorPages, DependenciesListDirectOnesAndExpandOnDemand) {
    DependenciesPage page(Editing(L"B"));
    Run(page, [&](HWND sheet, HWND p) {
        EXPECT_EQ(L"\"Bravo\" &depends on these services:", ItemText(p, IDC_DEPENDENCIES_LABEL));
        EXPECT_EQ(L"&These services depend on \"Bravo\":", ItemText(p, IDC_DEPENDENTS_LABEL));
        HWND up = ::GetDlgItem(p, IDC_DEPENDENCIES_TREE);
        HWND down = ::GetDlgItem(p, IDC_DEPENDENTS_TREE);
        EXPECT_EQ((std::vector<std::wstring>{L"Charlie+"}), Items(up));
        EXPECT_EQ((std::vector<std::wstring>{L"Alpha+"}), Items(down));  // direct dependents only
        // Charlie depends on nothing: expanding takes its button away.
        Expand(up, 0);
        EXPECT_EQ((std::vector<std::wstring>{L"Charlie"}), Items(up));
        HTREEITEM alpha = Expand(down, 0);
        EXPECT_EQ((std::vector<std::wstring>{L"Top Service+"}), Items(down, alpha));
        ::SendMessageW(down, TVM_EXPAND, TVE_COLLAPSE, reinterpret_cast<LPARAM>(alpha));
        Expand(down, 0);  // filled once
        EXPECT_EQ(1u, Items(down, alpha).size());
        ::PostMessageW(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    });
}

TEST_F(EditorPages, DependenciesWithoutEntriesSayNone) {
    DependenciesPage page(Editing(L"C"));
    Run(page, [&](HWND sheet, HWND p) {
        EXPECT_EQ((std::vector<std::wstring>{L"<No Dependencies>"}), Items(::GetDlgItem(p, IDC_DEPENDENCIES_TREE)));
        EXPECT_EQ((std::vector<std::wstring>{L"Bravo+"}), Items(::GetDlgItem(p, IDC_DEPENDENTS_TREE)));
        ::PostMessageW(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    });
    DependenciesPage top(Editing(L"Top"));
    Run(top, [&](HWND sheet, HWND p) {
        // Load-order groups end the list of services.
        EXPECT_EQ((std::vector<std::wstring>{L"Alpha+"}), Items(::GetDlgItem(p, IDC_DEPENDENCIES_TREE)));
        EXPECT_EQ((std::vector<std::wstring>{L"<No Dependencies>"}), Items(::GetDlgItem(p, IDC_DEPENDENTS_TREE)));
        ::PostMessageW(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    });
}

}  // namespace
