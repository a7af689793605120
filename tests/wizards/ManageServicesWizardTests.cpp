// The Manage Services Wizard walked through its real sheet against lab
// computers: the option pages' messages and mask, one line per service and
// computer, the log-on right, restarts with dependents, the worker cap,
// cancel during a run and the summary.
#include "Vantrel_h.h"
#include "common/ComPtr.h"
#include "common/PlatHandles.h"
#include "component/WizardComponents.h"
#include "lab/LabControl.h"
#include "common/ErrorText.h"
#include "platform/ServiceControl.h"
#include "resources/resource.h"
#include "tests/wizards/WizardDriver.h"
#include "wizards/selection/ComputerListPage.h"
#include "wizards/selection/ResourceListPage.h"
#include "wizards/services/TvSheetManageServices.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <algorithm>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace vantrel {
namespace {

using testsupport::WaitUntil;

enum PageIndex { kWelcome, kComputers, kServices, kLogOn, kStartup, kProgress, kCompletion };

// Alpha has a dependent, AlphaChild; Beta stands alone and is stopped.
std::string ServiceList() {
    return R"([ { "name": "Alpha", "type": "ownProcess", "state": "running", "startType": "auto", "stopMs": 400, "startMs": 600 },
               { "name": "AlphaChild", "dependencies": ["Alpha"], "state": "running", "stopMs": 200 },
               { "name": "Beta", "state": "stopped", "startType": "demand" } ])";
}

std::string Computer(const std::string& name, bool online = true) {
    return R"({ "name": ")" + name + R"(", "online": )" + (online ? "true" : "false") +
           R"(, "administrators": ["LAB\\operator"], "services": )" + ServiceList() + " }";
}

// ADMIN01 (local), SRV1, SRV2 and the offline OFF1, plus `more` computers
// M000, M001, ...
std::string Network(int more = 0) {
    std::string computers = R"({ "name": "ADMIN01", "local": true, "administrators": ["LAB\\operator"],
                                 "services": )" + ServiceList() + " }";
    computers += "," + Computer("SRV1") + "," + Computer("SRV2") + "," + Computer("OFF1", false);
    for (int i = 0; i < more; ++i) {
        char name[8];
        std::snprintf(name, sizeof name, "M%03d", i);
        computers += "," + Computer(name);
    }
    return R"({ "domain": { "name": "LAB" }, "interactiveUser": "LAB\\operator",
                "accounts": [ { "name": "LAB\\operator", "password": "Op3rator!" },
                              { "name": "LAB\\svc", "password": "Svc!pw1" } ],
                "computers": [ )" + computers + " ] }";
}

std::wstring Names(int more) {
    std::wstring names;
    for (int i = 0; i < more; ++i) {
        wchar_t name[8];
        swprintf(name, 8, L"M%03d", i);
        names += (i ? L"," : L"") + std::wstring(name);
    }
    return names;
}

DWORD State(const wchar_t* computer, const wchar_t* service) {
    UniqueScHandle scm(plat::OpenSCManagerW(computer, nullptr, SC_MANAGER_CONNECT));
    UniqueScHandle handle(plat::OpenServiceW(scm.Get(), service, SERVICE_QUERY_STATUS));
    SERVICE_STATUS status{};
    if (!handle || !plat::QueryServiceStatus(handle.Get(), &status)) return 0;
    return status.dwCurrentState;
}

// The start type and the account of a service.
std::pair<DWORD, std::wstring> Config(const wchar_t* computer, const wchar_t* service) {
    UniqueScHandle scm(plat::OpenSCManagerW(computer, nullptr, SC_MANAGER_CONNECT));
    UniqueScHandle handle(plat::OpenServiceW(scm.Get(), service, SERVICE_QUERY_CONFIG));
    alignas(8) BYTE buffer[8192];
    DWORD needed = 0;
    auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGW*>(buffer);
    if (!handle || !plat::QueryServiceConfigW(handle.Get(), config, sizeof buffer, &needed)) return {0, L""};
    return {config->dwStartType, config->lpServiceStartName ? config->lpServiceStartName : L""};
}

class ManageServicesWizard : public wizardtest::LabWizardTest {
protected:
    ManageServicesWizard() : LabWizardTest(Network()) {}
    void LoadNetwork(int more) { ASSERT_EQ(0u, lab::LoadScenarioText(Network(more).c_str())); }

    static HWND CurrentPage(HWND sheet) { return wizardtest::CurrentPage(sheet); }
    static int CurrentIndex(HWND sheet) { return wizardtest::CurrentIndex(sheet); }
    static int Press(HWND sheet, int button) {
        const int before = CurrentIndex(sheet);
        ::PostMessageW(sheet, PSM_PRESSBUTTON, button, 0);
        WaitUntil([&] { return CurrentIndex(sheet) != before; }, 1500);
        return CurrentIndex(sheet);
    }
    static int Next(HWND sheet) { return Press(sheet, PSBTN_NEXT); }
    static void Click(HWND page, int id) { ::SendMessageW(::GetDlgItem(page, id), BM_CLICK, 0, 0); }
    static bool Checked(HWND page, int id) { return ::IsDlgButtonChecked(page, id) == BST_CHECKED; }
    static bool Enabled(HWND page, int id) { return ::IsWindowEnabled(::GetDlgItem(page, id)) != FALSE; }

    // Checks the services list rows whose text is one of `services`.
    static void CheckServices(HWND page, const std::vector<std::wstring>& services) {
        HWND list = ::GetDlgItem(page, IDC_SELECTION_LIST);
        ListView_SetItemState(list, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
        for (int item = 0; item < ListView_GetItemCount(list); ++item) {
            wchar_t text[256] = L"";
            ListView_GetItemText(list, item, 0, text, 256);
            if (std::find(services.begin(), services.end(), text) != services.end())
                ListView_SetItemState(list, item, LVIS_SELECTED, LVIS_SELECTED);
        }
        ::SendMessageW(page, WM_COMMAND, ID_SELECTION_CHECK, 0);
    }

    // The sheet for `computers`, run while `walk` works it from another
    // thread. Returns the result lines, sorted.
    std::vector<std::wstring> Run(const wchar_t* computers, const std::function<void(HWND)>& walk) {
        VARIANT value;
        value.vt = VT_BSTR;
        value.bstrVal = ::SysAllocString(computers);
        sheet_ = std::make_unique<TvSheetManageServices>(nullptr);
        const HRESULT built = sheet_->Build(&value);
        ::VariantClear(&value);
        EXPECT_EQ(S_OK, built);
        if (FAILED(built)) return {};
        std::vector<std::wstring> lines = wizardtest::RunSheet(*sheet_, KeepBoxes(), walk, 30000);
        std::sort(lines.begin(), lines.end());
        return lines;
    }

    // Welcome and computer list: the services page, with `services` checked.
    void ToOptions(HWND sheet, const std::vector<std::wstring>& services) {
        EXPECT_EQ(kComputers, Next(sheet));
        EXPECT_EQ(kServices, Next(sheet));
        CheckServices(CurrentPage(sheet), services);
        EXPECT_EQ(kLogOn, Next(sheet));
    }

    // From the startup page: runs, waits for the end and keeps the summary.
    void RunAndFinish(HWND sheet, DWORD timeoutMs = 30000) {
        EXPECT_EQ(kProgress, Next(sheet));
        wizardtest::WaitForPhaseEnd(sheet, timeoutMs);
        EXPECT_EQ(kCompletion, Next(sheet));
        Finish(sheet);
    }

    std::unique_ptr<TvSheetManageServices> sheet_;
};

// The option pages in one walk: the log-on page refuses in order and
// rewrites computer accounts; the startup page's dependents rule and its mask
// on leaving.
TEST_F(ManageServicesWizard, OptionPagesRefuseInOrderAndKeepTheirMask) {
    struct Case {
        const wchar_t* account;
        const wchar_t* password;
        const wchar_t* confirm;
        const wchar_t* message;  // null: the page moves on
        const wchar_t* shown;    // the account field afterwards
    };
    const Case cases[] = {
        {L"", L"", L"", L"You must supply a service account name.", L""},
        {L"svc", L"a", L"b", L"You must supply a service account name with the format:\r\n\t'Domain\\AccountName'",
         L"svc"},
        {L"LAB\\svc", L"a", L"b",
         L"The 'password' and 'confirm password' entries do not match\r\nThese entries must be identical.",
         L"LAB\\svc"},
        {L"\\\\SRV1\\local", L"x", L"y",
         L"The 'password' and 'confirm password' entries do not match\r\nThese entries must be identical.",
         L".\\local"},
        {L"LAB\\svc", L"Svc!pw1", L"Svc!pw1", nullptr, L"LAB\\svc"},
    };
    std::vector<std::wstring> shown;
    std::vector<int> after;
    bool interactWithAccount = true, interactWithSystem = false, accountWithSystem = true;
    LRESULT initialSelection = 0;
    std::vector<bool> dependentsEnabled;
    bool clearedWithBoth = false;
    DWORD maskAfterBack = 0;
    Run(L"SRV1", [&](HWND sheet) {
        ToOptions(sheet, {L"Beta"});
        HWND page = CurrentPage(sheet);
        EXPECT_FALSE(Checked(page, IDC_SVCWIZ_LOCAL_SYSTEM));
        EXPECT_FALSE(Checked(page, IDC_SVCWIZ_THIS_ACCOUNT));
        Click(page, IDC_SVCWIZ_LOCAL_SYSTEM);
        interactWithSystem = Enabled(page, IDC_SVCWIZ_INTERACT);
        accountWithSystem = Enabled(page, IDC_SVCWIZ_ACCOUNT);
        Click(page, IDC_SVCWIZ_THIS_ACCOUNT);
        interactWithAccount = Enabled(page, IDC_SVCWIZ_INTERACT);
        for (const Case& c : cases) {
            ::SetDlgItemTextW(page, IDC_SVCWIZ_ACCOUNT, c.account);
            ::SetDlgItemTextW(page, IDC_SVCWIZ_PASSWORD, c.password);
            ::SetDlgItemTextW(page, IDC_SVCWIZ_CONFIRM, c.confirm);
            after.push_back(Next(sheet));
            shown.push_back(testsupport::ItemText(page, IDC_SVCWIZ_ACCOUNT));
        }
        // The last case was accepted: the startup page.
        page = CurrentPage(sheet);
        initialSelection = ::SendDlgItemMessageW(page, IDC_SVCWIZ_STARTUP_TYPE, CB_GETCURSEL, 0, 0);
        dependentsEnabled.push_back(Enabled(page, IDC_SVCWIZ_DEPENDENTS));
        Click(page, IDC_SVCWIZ_STOP);
        dependentsEnabled.push_back(Enabled(page, IDC_SVCWIZ_DEPENDENTS));
        Click(page, IDC_SVCWIZ_DEPENDENTS);
        Click(page, IDC_SVCWIZ_STOP);  // both clear: the box is cleared and disabled
        dependentsEnabled.push_back(Enabled(page, IDC_SVCWIZ_DEPENDENTS));
        clearedWithBoth = !Checked(page, IDC_SVCWIZ_DEPENDENTS);
        Click(page, IDC_SVCWIZ_START);
        dependentsEnabled.push_back(Enabled(page, IDC_SVCWIZ_DEPENDENTS));
        Click(page, IDC_SVCWIZ_DEPENDENTS);
        ::SendDlgItemMessageW(page, IDC_SVCWIZ_STARTUP_TYPE, CB_SETCURSEL, 1, 0);  // Manual
        EXPECT_EQ(kLogOn, Press(sheet, PSBTN_BACK));
        maskAfterBack = sheet_->Options().startup.mask;
    });
    EXPECT_TRUE(interactWithSystem);
    EXPECT_FALSE(accountWithSystem);
    EXPECT_FALSE(interactWithAccount);
    size_t box = 0;
    ASSERT_EQ(std::size(cases), after.size());
    for (size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        EXPECT_EQ(c.shown, shown[i]) << i;
        if (!c.message) {
            EXPECT_EQ(kStartup, after[i]);
            continue;
        }
        EXPECT_EQ(kLogOn, after[i]) << i;
        ASSERT_LT(box, boxes_.size());
        EXPECT_EQ(L"Error", boxes_[box].title);
        EXPECT_EQ(c.message, boxes_[box].text);
        ++box;
    }
    EXPECT_EQ(box, boxes_.size());
    const LogOnOptions& logOn = sheet_->Options().logOn;
    EXPECT_EQ(LogOnChoice::ThisAccount, logOn.values.choice);
    EXPECT_EQ(L"LAB\\svc", logOn.values.account);
    EXPECT_TRUE(logOn.Changed());

    EXPECT_EQ(CB_ERR, initialSelection);
    EXPECT_EQ((std::vector<bool>{false, true, false, true}), dependentsEnabled);
    EXPECT_TRUE(clearedWithBoth);
    EXPECT_EQ(static_cast<DWORD>(StartupOptions::kStartType | StartupOptions::kStart | StartupOptions::kDependents),
              maskAfterBack);
    EXPECT_EQ(L"Manual", sheet_->Options().startup.values.startType);
}


TEST_F(ManageServicesWizard, WithoutOptionsEveryServiceSucceedsUnchanged) {
    const auto lines = Run(L"SRV1,SRV2", [&](HWND sheet) {
        ToOptions(sheet, {L"Alpha", L"Beta"});
        EXPECT_EQ(kStartup, Next(sheet));
        RunAndFinish(sheet);
    });
    EXPECT_TRUE(boxes_.empty());
    ASSERT_EQ(4u, lines.size());
    EXPECT_EQ(L"Succeeded: all modifications for Alpha.", lines[0]);
    EXPECT_EQ(L"Succeeded: all modifications for Alpha.", lines[1]);
    EXPECT_EQ(L"Succeeded: all modifications for Beta.", lines[2]);
    EXPECT_EQ(L"Succeeded: all modifications for Beta.", lines[3]);
    EXPECT_EQ(0u, LabCallCount(L"SRV1", "ChangeServiceConfigW"));
    EXPECT_EQ(0u, LabCallCount(L"SRV1", "ControlService"));
    EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), State(L"\\\\SRV1", L"Alpha"));
    EXPECT_EQ(0, sheet_->FailedComputers());
    // The summary: the selections, the options, then the lines.
    const std::wstring expectedSummary =
        L"\r\nComputers Selected:\r\n\tSRV1\r\n\tSRV2\r\n"
        L"Services Selected:\r\n\tAlpha\r\n\tBeta\r\n"
        L"\"Log on as\" changes to services:\r\n\tNo \"Log on as\" changes.\r\n\r\n"
        L"\"Startup\" changes to services:\r\n\tNo \"Startup\" changes.\r\n\r\n"
        L"Results of operation:\r\n\t";
    EXPECT_EQ(0u, summary_.find(expectedSummary)) << testing::PrintToString(summary_);
}

TEST_F(ManageServicesWizard, RestartWithDependentsAndAFailedStartupTypeChange) {
    LabSetVirtualClock(TRUE);
    // SRV2 refuses every configuration change; its services restart all the same.
    LabAddFault(L"SRV2", "ChangeServiceConfigW", ERROR_ACCESS_DENIED, 0, 0);
    const auto lines = Run(L"SRV1,SRV2,OFF1", [&](HWND sheet) {
        ToOptions(sheet, {L"Alpha"});
        EXPECT_EQ(kStartup, Next(sheet));
        HWND page = CurrentPage(sheet);
        ::SendDlgItemMessageW(page, IDC_SVCWIZ_STARTUP_TYPE, CB_SETCURSEL, 1, 0);  // Manual
        Click(page, IDC_SVCWIZ_STOP);
        Click(page, IDC_SVCWIZ_START);
        Click(page, IDC_SVCWIZ_DEPENDENTS);
        RunAndFinish(sheet);
    });
    EXPECT_TRUE(boxes_.empty());
    ASSERT_EQ(3u, lines.size());
    const HRESULT offline = HRESULT_FROM_WIN32(RPC_S_SERVER_UNAVAILABLE);
    wchar_t offlineLine[512];
    swprintf(offlineLine, 512, L"Failed: OFF1. [0x%08X]: %ls. Error connecting to SCM.", static_cast<unsigned>(offline),
             ErrorTextLine(static_cast<DWORD>(offline)).c_str());
    EXPECT_EQ(ServiceFailureLine(L"Startup type change", L"Alpha", true, HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED)),
              lines[0]);
    EXPECT_EQ(offlineLine, lines[1]);
    EXPECT_EQ(L"Succeeded: all modifications for Alpha.", lines[2]);
    // Both computers restarted Alpha and started its dependent again.
    for (const wchar_t* computer : {L"\\\\SRV1", L"\\\\SRV2"}) {
        EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), State(computer, L"Alpha")) << computer;
        EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), State(computer, L"AlphaChild")) << computer;
        EXPECT_GE(LabCallCount(computer, "ControlService"), 2u) << "the dependent was stopped first: " << computer;
    }
    EXPECT_EQ(static_cast<DWORD>(SERVICE_DEMAND_START), Config(L"\\\\SRV1", L"Alpha").first);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_AUTO_START), Config(L"\\\\SRV2", L"Alpha").first);
    EXPECT_EQ(2, sheet_->FailedComputers()) << testing::PrintToString(lines);
    EXPECT_NE(std::wstring::npos,
              summary_.find(L"\"Startup\" changes to services:\r\n\tStartup type: Manual\r\n\tStop service: yes \r\n"
                            L"\tStart service: yes \r\n\tApply control operation to dependent services: yes \r\n"));
}

TEST_F(ManageServicesWizard, LogOnRightRefusedGivesOneLineAndNoServiceLines) {
    LabAddFault(L"SRV2", "LsaAddAccountRights", ERROR_ACCESS_DENIED, 0, 0);
    const auto lines = Run(L"SRV1,SRV2", [&](HWND sheet) {
        ToOptions(sheet, {L"Alpha", L"Beta"});
        HWND page = CurrentPage(sheet);
        Click(page, IDC_SVCWIZ_THIS_ACCOUNT);
        ::SetDlgItemTextW(page, IDC_SVCWIZ_ACCOUNT, L"LAB\\svc");
        ::SetDlgItemTextW(page, IDC_SVCWIZ_PASSWORD, L"Svc!pw1");
        ::SetDlgItemTextW(page, IDC_SVCWIZ_CONFIRM, L"Svc!pw1");
        EXPECT_EQ(kStartup, Next(sheet));
        Click(CurrentPage(sheet), IDC_SVCWIZ_START);
        RunAndFinish(sheet);
    });
    ASSERT_EQ(3u, lines.size());
    const std::wstring refused = lines[0];
    EXPECT_EQ(0u, refused.find(L"Failed: The log on as a service rights could not be granted to 'LAB\\svc' on the "
                               L"computer 'SRV2'. [0x80070005]: "))
        << testing::PrintToString(refused);
    EXPECT_EQ(L"Succeeded: all modifications for Alpha.", lines[1]);
    EXPECT_EQ(L"Succeeded: all modifications for Beta.", lines[2]);
    // SRV1's services run as the account now (and Beta could start as it: the
    // right was granted); SRV2's were not touched.
    EXPECT_EQ(L"LAB\\svc", Config(L"\\\\SRV1", L"Beta").second);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), State(L"\\\\SRV1", L"Beta"));
    EXPECT_EQ(0u, LabCallCount(L"SRV2", "OpenServiceW"));
    EXPECT_EQ(L"LocalSystem", Config(L"\\\\SRV2", L"Beta").second);
    EXPECT_EQ(1, sheet_->FailedComputers());
    EXPECT_NE(std::wstring::npos, summary_.find(L"\"Log on as\" changes to services:\r\n\tAccount name: LAB\\svc\r\n"));
}

TEST_F(ManageServicesWizard, NeverMoreThan63WorkersForAHundredComputers) {
    LoadNetwork(100);
    const std::wstring computers = Names(100);
    const auto lines = Run(computers.c_str(), [&](HWND sheet) {
        EXPECT_EQ(kComputers, Next(sheet));
        EXPECT_EQ(kServices, Next(sheet));
        CheckServices(CurrentPage(sheet), {L"Beta"});
        // Every call takes a while, so that the workers overlap.
        LabAddLatency(nullptr, nullptr, 40);
        LabResetPeakConcurrentCallers();
        EXPECT_EQ(kLogOn, Next(sheet));
        EXPECT_EQ(kStartup, Next(sheet));
        RunAndFinish(sheet, 60000);
    });
    EXPECT_EQ(100u, lines.size());
    EXPECT_EQ(100, std::count(lines.begin(), lines.end(), L"Succeeded: all modifications for Beta."));
    EXPECT_LE(sheet_->PeakWorkers(), 63);
    EXPECT_GE(sheet_->PeakWorkers(), 32) << "the workers ran side by side";
    EXPECT_LE(LabPeakConcurrentCallers(), 63u);
    EXPECT_GE(LabPeakConcurrentCallers(), 32u);
}

TEST_F(ManageServicesWizard, CancelDuringARunStopsLaunchingAndEndsTheWorkers) {
    LoadNetwork(100);
    const std::wstring computers = Names(100);
    bool closed = false, stillOpen = false;
    const auto lines = Run(computers.c_str(), [&](HWND sheet) {
        ToOptions(sheet, {L"Alpha", L"Beta"});
        EXPECT_EQ(kStartup, Next(sheet));
        LabAddLatency(nullptr, nullptr, 300);
        LabResetCallCounts();
        EXPECT_EQ(kProgress, Next(sheet));
        // Cancel once the workers are connecting.
        EXPECT_TRUE(WaitUntil([] { return LabCallCount(nullptr, "OpenSCManagerW") >= 10; }, 20000));
        // The user's click on Cancel.
        ::PostMessageW(sheet, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                       reinterpret_cast<LPARAM>(::GetDlgItem(sheet, IDCANCEL)));
        ::Sleep(200);
        stillOpen = ::IsWindow(sheet) != FALSE;
        closed = WaitUntil([&] { return !::IsWindow(sheet); }, 30000);
    });
    EXPECT_TRUE(stillOpen) << "the running workers are waited for";
    EXPECT_TRUE(closed) << "the wizard closes once the master thread has ended";
    EXPECT_LT(std::count(lines.begin(), lines.end(), L"Succeeded: all modifications for Beta."), 100);
    EXPECT_GE(std::count_if(lines.begin(), lines.end(), [](const std::wstring& l) { return l.rfind(L"Cancelled: M", 0) == 0; }),
              1);
    EXPECT_GT(sheet_->FailedComputers(), 0);
}

TEST_F(ManageServicesWizard, SourceComputerWithoutServicesStillMovesOn) {
    int page = -1;
    LONG rows = -1;
    Run(L"OFF1,SRV1", [&](HWND sheet) {
        EXPECT_EQ(kComputers, Next(sheet));
        page = Next(sheet);
        rows = sheet_->Services()->Table().Empty() ? 0 : sheet_->Services()->Table().RowCount();
    });
    EXPECT_EQ(kServices, page);
    EXPECT_EQ(0, rows);
    ASSERT_EQ(2u, boxes_.size());
    EXPECT_NE(std::wstring::npos, boxes_[0].text.find(L"Failed to create SCM")) << testing::PrintToString(boxes_[0].text);
    EXPECT_EQ(L"Error", boxes_[1].title);
    const HRESULT offline = HRESULT_FROM_WIN32(RPC_S_SERVER_UNAVAILABLE);
    EXPECT_EQ(ComposeErrorMessage(static_cast<DWORD>(offline), L"The service list could not be generated."),
              boxes_[1].text);
}

TEST(MngSvcsWizardComponent, ComputersOnlyAfterCreate) {
    ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    {
        ComPtr<IMngSvcsWizard> wizard;
        ASSERT_EQ(S_OK, MngSvcsWizard::Create(nullptr, IID_IMngSvcsWizard, wizard.PutVoid()));
        VARIANT computers;
        computers.vt = VT_BSTR;
        computers.bstrVal = ::SysAllocString(L"SRV1,SRV2");
        long configuration = 7;
        EXPECT_EQ(E_HANDLE, wizard->put_Computers(&computers));
        EXPECT_EQ(E_HANDLE, wizard->get_Configuration(&configuration));
        EXPECT_EQ(E_HANDLE, wizard->put_Services(&computers));
        EXPECT_EQ(E_HANDLE, wizard->Start());
        ASSERT_EQ(S_OK, wizard->Create(0));
        EXPECT_EQ(S_OK, wizard->put_Computers(&computers));
        EXPECT_EQ(S_OK, wizard->get_Configuration(&configuration));
        EXPECT_EQ(7, configuration) << "nothing is written";
        EXPECT_EQ(S_OK, wizard->put_Configuration(3));
        EXPECT_EQ(S_OK, wizard->put_Services(&computers));
        ::VariantClear(&computers);
        computers.vt = VT_BSTR;
        computers.bstrVal = ::SysAllocString(L"");
        EXPECT_EQ(E_INVALIDARG, wizard->put_Computers(&computers)) << "the computer list's answer";
        ::VariantClear(&computers);
    }
    ::CoUninitialize();
}

}  // namespace
}  // namespace vantrel
