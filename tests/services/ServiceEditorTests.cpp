// The service's property sheet driven through its windows against the lab:
// what the General and Log On pages show, what Apply writes, and what the
// user is told when a write fails.
#include "common/ComObject.h"
#include "common/ErrorText.h"
#include "component/WizardComponents.h"
#include "lab/LabControl.h"
#include "lab/families/ObjectPicker.h"
#include "resources/EditorIds.h"
#include "services/editor/ServiceEditorSheet.h"
#include "tests/support/WindowDriver.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <thread>

using namespace vantrel;
using namespace testsupport;

namespace {

// SRV1 runs the services the pages are tried on; NT4 is a platform whose
// shared service processes run only as the local system.
constexpr char kScenario[] = R"({
  "domain": { "name": "LAB" }, "interactiveUser": "LAB\\operator",
  "accounts": [ { "name": "LAB\\operator", "password": "Op3rator!" },
                { "name": "LAB\\svcagent", "password": "Ag3nt!" },
                { "name": "SRV1\\svcuser", "password": "S3rvice!" } ],
  "computers": [
    { "name": "SRV1", "local": true, "administrators": ["LAB\\operator"], "services": [
      { "name": "Printer", "displayName": "Printing", "type": "ownProcess", "interactive": true,
        "startType": "auto", "binaryPath": "C:\\print.exe", "description": "Prints." },
      { "name": "Agent", "type": "ownProcess", "account": "LAB\\svcagent", "description": "Collects." },
      { "name": "Sync", "type": "ownProcess", "startType": "auto", "acceptPause": true },
      { "name": "Held", "type": "ownProcess", "state": "paused", "acceptPause": true },
      { "name": "Drv", "type": "kernelDriver", "startType": "boot" } ] },
    { "name": "NT4", "administrators": ["LAB\\operator"], "os": { "major": 4, "minor": 0, "build": 1381 },
      "services": [ { "name": "Shared" } ] } ] })";

const std::wstring kYesNoTail =
    L"\r\nSelect 'Yes' to edit the value or 'No' to ignore this error and complete the remainder of the service "
    L"modifications.";

struct Config {
    std::wstring displayName, description, account;
    DWORD startType = 0, type = 0;
};

Config Read(const wchar_t* computer, const wchar_t* service) {
    ComPtr<ServiceControlManager> scm;
    ServiceControlManager::Connect(computer, scm);
    EXPECT_EQ(S_OK, scm->Open(L"ServicesActive"));
    ServiceRef ref(service, scm.Get());
    UniqueCoTaskMem block;
    Config c;
    if (FAILED(ref.QueryConfig(block))) return c;
    const auto* q = static_cast<const QUERY_SERVICE_CONFIGW*>(block.Get());
    c = {q->lpDisplayName, L"", q->lpServiceStartName ? q->lpServiceStartName : L"", q->dwStartType, q->dwServiceType};
    ref.GetDescription(c.description);
    return c;
}

bool Enabled(HWND page, int id) { return ::IsWindowEnabled(::GetDlgItem(page, id)) != FALSE; }
bool Checked(HWND page, int id) { return ::SendDlgItemMessageW(page, id, BM_GETCHECK, 0, 0) == BST_CHECKED; }
void Click(HWND page, int id) { ::SendDlgItemMessageW(page, id, BM_CLICK, 0, 0); }
void Type(HWND page, int id, const wchar_t* text) { ::SetDlgItemTextW(page, id, text); }
void Apply(HWND sheet) {
    ::SendMessageW(sheet, PSM_PRESSBUTTON, PSBTN_APPLYNOW, 0);
    ::SendMessageW(sheet, WM_NULL, 0, 0);  // let what the press posted run
}
HWND ShowPage(HWND sheet, int index) {
    ::SendMessageW(sheet, PSM_SETCURSEL, static_cast<WPARAM>(index), 0);
    return reinterpret_cast<HWND>(::SendMessageW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
}
std::wstring Row(HWND list, int item) {
    wchar_t name[80] = {}, state[40] = {};
    ListView_GetItemText(list, item, 0, name, 80);
    ListView_GetItemText(list, item, 1, state, 40);
    return std::wstring(name) + L"|" + state;
}

class ServiceEditorTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(0u, LabReset());
        LabSetVirtualClock(TRUE);
        ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        wchar_t error[256] = {};
        ASSERT_EQ(0u, LabLoadScenarioText(kScenario, L"editor", error, 256)) << error;
    }
    void TearDown() override {
        // A control job lets go of its handles just after it reported.
        WaitUntil([] { return lab::LeakReport() == L"clean"; });
        EXPECT_EQ(L"clean", lab::LeakReport());
        LabReset();
        ::CoUninitialize();
    }

    // Runs the sheet on this thread while `script` works it from another;
    // message boxes are answered by `answer` (IDYES/IDNO for the Yes/No
    // ones, OK for the rest) and kept in `boxes`.
    void Edit(const wchar_t* computer, const wchar_t* service, const std::function<void(HWND sheet)>& script,
              int answer = IDNO) {
        ServiceEditorSheet editor(nullptr, computer, service);
        ASSERT_EQ(S_OK, editor.Load());
        const std::wstring caption = std::wstring(service) + L" (" + computer + L")";
        ProcessDialogWatcher watcher([&](HWND box, const SeenBox& seen) {
            if (seen.title != L"Error" && seen.title != L"Warning") return;
            const bool yesNo = seen.text.find(L"Select 'Yes'") != std::wstring::npos;
            ::PostMessageW(box, WM_COMMAND, yesNo ? answer : IDOK, 0);
        });
        std::atomic<bool> found{false};
        std::thread driver([&, ui = ::GetCurrentThreadId()] {
            HWND sheet = WaitForDialog(ui, 10000, caption.c_str());
            if (!sheet) return;
            found = true;
            script(sheet);
            ::PostMessageW(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
        });
        editor.Run();
        driver.join();
        boxes.clear();
        for (const SeenBox& b : watcher.Stop())
            if (b.title == L"Error" || b.title == L"Warning") boxes.push_back(b.text);
        EXPECT_TRUE(found);
    }

    std::wstring All() const {
        std::wstring all;
        for (const std::wstring& b : boxes) all += L"[" + b + L"] ";
        return all;
    }

    std::vector<std::wstring> boxes;
};

// --- General ----------------------------------------------------------------

TEST_F(ServiceEditorTest, GeneralShowsTheConfigurationAndTheStatusBlockOfEachState) {
    Edit(L"SRV1", L"Printer", [](HWND sheet) {
        HWND page = ShowPage(sheet, 0);
        EXPECT_EQ(L"Printer", ItemText(page, IDC_GEN_SERVICE_NAME));
        EXPECT_EQ(L"Printing", ItemText(page, IDC_GEN_DISPLAY_NAME));
        EXPECT_EQ(L"Prints.", ItemText(page, IDC_GEN_DESCRIPTION));
        EXPECT_EQ(L"C:\\print.exe", ItemText(page, IDC_GEN_PATH));
        EXPECT_EQ(L"Automatic", ItemText(page, IDC_GEN_STARTUP_TYPE));
    });
    struct Expect {
        const wchar_t* service;
        const wchar_t* status;
        bool start, stop, pause, resume, parameters;
    };
    for (const Expect& e : {Expect{L"Printer", L"Started", false, true, false, false, false},
                            Expect{L"Agent", L"Stopped", true, false, false, false, true},
                            Expect{L"Sync", L"Started", false, true, true, false, false},
                            Expect{L"Held", L"Paused", false, false, false, true, false}}) {
        Edit(L"SRV1", e.service, [&](HWND sheet) {
            HWND page = ShowPage(sheet, 0);
            EXPECT_EQ(e.status, ItemText(page, IDC_GEN_STATUS)) << e.service;
            const bool seen[] = {Enabled(page, IDC_GEN_START), Enabled(page, IDC_GEN_STOP), Enabled(page, IDC_GEN_PAUSE),
                                 Enabled(page, IDC_GEN_RESUME), Enabled(page, IDC_GEN_PARAMETERS)};
            const bool wanted[] = {e.start, e.stop, e.pause, e.resume, e.parameters};
            for (int i = 0; i < 5; ++i) EXPECT_EQ(wanted[i], seen[i]) << e.service << " control " << i;
        });
    }
    EXPECT_TRUE(boxes.empty()) << All();
}

TEST_F(ServiceEditorTest, StartPassesTheParametersSplitAtEveryBlankAndTheStatusFollows) {
    Edit(L"SRV1", L"Agent", [](HWND sheet) {
        HWND page = ShowPage(sheet, 0);
        Type(page, IDC_GEN_PARAMETERS, L"-a  -b");
        Click(page, IDC_GEN_START);
        EXPECT_TRUE(WaitUntil([&] { return ItemText(page, IDC_GEN_STATUS) == L"Started"; }, 10000));
        EXPECT_TRUE(Enabled(page, IDC_GEN_STOP));
        EXPECT_FALSE(Enabled(page, IDC_GEN_PARAMETERS));
    });
    EXPECT_EQ(L"-a\n\n-b\n", lab::ServiceStartArguments(L"SRV1", L"Agent"));
    EXPECT_TRUE(boxes.empty()) << All();
}

TEST_F(ServiceEditorTest, ClosingTheSheetLetsARunningStartFinish) {
    LabAddLatency(L"SRV1", "StartServiceW", 300);
    Edit(L"SRV1", L"Agent", [](HWND sheet) {
        HWND page = ShowPage(sheet, 0);
        Type(page, IDC_GEN_PARAMETERS, L"late");
        Click(page, IDC_GEN_START);
    });  // cancelled while the job is still in the call
    EXPECT_TRUE(WaitUntil([] { return lab::ServiceStartArguments(L"SRV1", L"Agent") == L"late\n"; }, 10000));
    EXPECT_TRUE(boxes.empty()) << All();
}

TEST_F(ServiceEditorTest, ApplyWritesNamesAndABootDriverBecomesAutomatic) {
    Edit(L"SRV1", L"Drv", [](HWND sheet) {
        HWND page = ShowPage(sheet, 0);
        EXPECT_EQ(CB_ERR, ::SendDlgItemMessageW(page, IDC_GEN_STARTUP_TYPE, CB_GETCURSEL, 0, 0));
        Type(page, IDC_GEN_DISPLAY_NAME, L"Driver");
        Type(page, IDC_GEN_DESCRIPTION, L"Drives.");
        Apply(sheet);
    });
    const Config c = Read(L"SRV1", L"Drv");
    EXPECT_EQ(L"Driver", c.displayName);
    EXPECT_EQ(L"Drives.", c.description);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_AUTO_START), c.startType);
}

TEST_F(ServiceEditorTest, AFailedStepAsksYesToEditOrNoToGoOn) {
    const wchar_t* newName = L"Renamed";
    auto edit = [&newName](HWND sheet) {
        HWND page = ShowPage(sheet, 0);
        Type(page, IDC_GEN_DISPLAY_NAME, newName);
        Type(page, IDC_GEN_DESCRIPTION, L"New text.");
        ::SendDlgItemMessageW(page, IDC_GEN_STARTUP_TYPE, CB_SETCURSEL, 2, 0);
        ::SendMessageW(page, WM_COMMAND, MAKEWPARAM(IDC_GEN_STARTUP_TYPE, CBN_SELCHANGE), 0);
        Apply(sheet);
    };
    auto denied = [](const wchar_t* sentence) { return ComposeErrorMessage(0x80070005, (sentence + kYesNoTail).c_str()); };
    // Yes on the display name: nothing further is written.
    LabAddFault(L"SRV1", "ChangeServiceConfigW", ERROR_ACCESS_DENIED, 1, 1);
    Edit(L"SRV1", L"Printer", edit, IDYES);
    ASSERT_EQ(1u, boxes.size()) << All();
    EXPECT_EQ(denied(L"The service display name could not be modified."), boxes[0]);
    Config c = Read(L"SRV1", L"Printer");
    EXPECT_EQ(L"Prints.", c.description);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_AUTO_START), c.startType);

    // No on the description: the startup type is still written.
    LabClearRules();
    LabAddFault(L"SRV1", "ChangeServiceConfig2W", ERROR_ACCESS_DENIED, 1, 1);
    Edit(L"SRV1", L"Printer", edit, IDNO);
    ASSERT_EQ(1u, boxes.size()) << All();
    EXPECT_EQ(denied(L"The service description could not be modified."), boxes[0]);
    c = Read(L"SRV1", L"Printer");
    EXPECT_EQ(L"Renamed", c.displayName);
    EXPECT_EQ(L"Prints.", c.description);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_DISABLED), c.startType);

    LabClearRules();
    LabAddFault(L"SRV1", "ChangeServiceConfigW", ERROR_ACCESS_DENIED, 2, 1);
    newName = L"Agent renamed";  // display names are unique
    Edit(L"SRV1", L"Agent", edit, IDNO);
    ASSERT_EQ(1u, boxes.size()) << All();
    EXPECT_EQ(denied(L"The service startup type could not be modified."), boxes[0]);
    EXPECT_EQ(L"New text.", Read(L"SRV1", L"Agent").description);
}

TEST_F(ServiceEditorTest, WithoutDescriptionsTheFieldIsOffAndNeverWritten) {
    LabAddFault(L"SRV1", "QueryServiceConfig2W", ERROR_CALL_NOT_IMPLEMENTED, 1, 0);
    Edit(L"SRV1", L"Printer", [](HWND sheet) {
        HWND page = ShowPage(sheet, 0);
        EXPECT_FALSE(Enabled(page, IDC_GEN_DESCRIPTION));
        EXPECT_FALSE(Enabled(page, IDC_GEN_DESCRIPTION_LABEL));
        Type(page, IDC_GEN_DISPLAY_NAME, L"Renamed");
        Apply(sheet);
    });
    EXPECT_EQ(0u, LabCallCount(L"SRV1", "ChangeServiceConfig2W"));
    EXPECT_EQ(L"Renamed", Read(L"SRV1", L"Printer").displayName);
}

// --- Log On -------------------------------------------------------------------

TEST_F(ServiceEditorTest, LogOnOpensOnTheConfiguredAccount) {
    Edit(L"SRV1", L"Printer", [](HWND sheet) {
        HWND page = ShowPage(sheet, 1);
        EXPECT_TRUE(Checked(page, IDC_LOGON_LOCAL_SYSTEM));
        EXPECT_TRUE(Enabled(page, IDC_LOGON_INTERACT) && Checked(page, IDC_LOGON_INTERACT));
        for (int id : {IDC_LOGON_ACCOUNT, IDC_LOGON_BROWSE, IDC_LOGON_PASSWORD, IDC_LOGON_CONFIRM})
            EXPECT_FALSE(Enabled(page, id)) << id;
    });
    Edit(L"SRV1", L"Agent", [](HWND sheet) {
        HWND page = ShowPage(sheet, 1);
        EXPECT_TRUE(Checked(page, IDC_LOGON_THIS_ACCOUNT));
        EXPECT_FALSE(Enabled(page, IDC_LOGON_INTERACT));
        EXPECT_EQ(L"LAB\\svcagent", ItemText(page, IDC_LOGON_ACCOUNT));
        EXPECT_EQ(L"ZRTVBXQWMNPLKC", ItemText(page, IDC_LOGON_PASSWORD));
        EXPECT_EQ(L"mxqtrvbnwplzcd", ItemText(page, IDC_LOGON_CONFIRM));
    });
    Edit(L"NT4", L"Shared", [](HWND sheet) {
        HWND page = ShowPage(sheet, 1);
        for (int id : {IDC_LOGON_LOCAL_SYSTEM, IDC_LOGON_THIS_ACCOUNT, IDC_LOGON_INTERACT, IDC_LOGON_ACCOUNT})
            EXPECT_FALSE(Enabled(page, id)) << id;
    });
    EXPECT_TRUE(boxes.empty()) << All();
}

TEST_F(ServiceEditorTest, AccountsAreCheckedThenWrittenAndLocalSystemComesBack) {
    Edit(L"SRV1", L"Agent", [](HWND sheet) {
        HWND page = ShowPage(sheet, 1);
        Type(page, IDC_LOGON_ACCOUNT, L"");
        Apply(sheet);  // "Invalid account name."
        Type(page, IDC_LOGON_ACCOUNT, L"LAB\\operator");
        Apply(sheet);  // the placeholders are no password for a new account
        Type(page, IDC_LOGON_PASSWORD, L"12345");
        Type(page, IDC_LOGON_CONFIRM, L"123456");
        Apply(sheet);
    });
    EXPECT_EQ((std::vector<std::wstring>{L"Invalid account name.", L"Please enter a valid password.",
                                         L"Password mismatch."}),
              boxes);
    EXPECT_EQ(L"LAB\\svcagent", Read(L"SRV1", L"Agent").account);

    Edit(L"SRV1", L"Printer", [](HWND sheet) {
        HWND page = ShowPage(sheet, 1);
        Click(page, IDC_LOGON_THIS_ACCOUNT);
        Type(page, IDC_LOGON_ACCOUNT, L"\\\\SRV1\\svcuser");
        Type(page, IDC_LOGON_PASSWORD, L"S3rvice!");
        Type(page, IDC_LOGON_CONFIRM, L"S3rvice!");
        Apply(sheet);
        EXPECT_EQ(L".\\svcuser", ItemText(page, IDC_LOGON_ACCOUNT));
    });
    Config c = Read(L"SRV1", L"Printer");
    EXPECT_EQ(L".\\svcuser", c.account);
    EXPECT_EQ(0u, c.type & SERVICE_INTERACTIVE_PROCESS);
    EXPECT_TRUE(boxes.empty()) << All();

    Edit(L"SRV1", L"Printer", [](HWND sheet) {
        HWND page = ShowPage(sheet, 1);
        Click(page, IDC_LOGON_LOCAL_SYSTEM);
        EXPECT_EQ(L"", ItemText(page, IDC_LOGON_ACCOUNT));
        Click(page, IDC_LOGON_INTERACT);
        Apply(sheet);
    });
    c = Read(L"SRV1", L"Printer");
    EXPECT_EQ(L"LocalSystem", c.account);
    EXPECT_NE(0u, c.type & SERVICE_INTERACTIVE_PROCESS);
}

TEST_F(ServiceEditorTest, BrowseFillsTheAccountWithThePickedUsersDownlevelName) {
    Edit(L"SRV1", L"Agent", [](HWND sheet) {
        HWND page = ShowPage(sheet, 1);
        // Posted: the picker is modal on the sheet's thread.
        ::PostMessageW(page, WM_COMMAND, MAKEWPARAM(IDC_LOGON_BROWSE, BN_CLICKED),
                       reinterpret_cast<LPARAM>(::GetDlgItem(page, IDC_LOGON_BROWSE)));
        HWND picker = WaitForDialog(::GetWindowThreadProcessId(sheet, nullptr), 10000, lab::kPickerCaption);
        ASSERT_TRUE(picker);
        HWND list = ::GetDlgItem(picker, lab::kPickerListId);
        LVFINDINFOW find{};
        find.flags = LVFI_STRING;
        find.psz = L"operator";
        const int item = static_cast<int>(::SendMessageW(list, LVM_FINDITEMW, static_cast<WPARAM>(-1),
                                                         reinterpret_cast<LPARAM>(&find)));
        ASSERT_GE(item, 0);
        LVITEMW state{};
        state.stateMask = state.state = LVIS_SELECTED;
        ::SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&state));
        ::SendMessageW(picker, WM_COMMAND, IDOK, 0);
        EXPECT_TRUE(WaitUntil([page] { return ItemText(page, IDC_LOGON_ACCOUNT) == L"LAB\\operator"; }))
            << ItemText(page, IDC_LOGON_ACCOUNT);
    });
    EXPECT_TRUE(boxes.empty()) << All();
}

TEST_F(ServiceEditorTest, AFailedAccountWriteAsksAndYesStaysOnThePage) {
    LabAddFault(L"SRV1", "ChangeServiceConfigW", ERROR_ACCESS_DENIED, 1, 1);
    Edit(L"SRV1", L"Agent", [](HWND sheet) {
        HWND page = ShowPage(sheet, 1);
        Type(page, IDC_LOGON_ACCOUNT, L"LAB\\operator");
        Type(page, IDC_LOGON_PASSWORD, L"Op3rator!");
        Type(page, IDC_LOGON_CONFIRM, L"Op3rator!");
        Apply(sheet);
        EXPECT_EQ(page, ShowPage(sheet, 1));
        Apply(sheet);  // still changed: the second try goes through
    }, IDYES);
    ASSERT_EQ(1u, boxes.size()) << All();
    EXPECT_EQ(ComposeErrorMessage(0x80070005, (L"The service log on account could not be modified." + kYesNoTail).c_str()),
              boxes[0]);
    EXPECT_EQ(L"LAB\\operator", Read(L"SRV1", L"Agent").account);
}

TEST_F(ServiceEditorTest, HardwareProfilesFlipAndApplyWritesEveryProfile) {
    LabReset();  // the built-in network: ADMIN01 has two profiles, Spooler disabled in the second
    LabSetVirtualClock(TRUE);
    Edit(L"ADMIN01", L"Spooler", [](HWND sheet) {
        HWND list = ::GetDlgItem(ShowPage(sheet, 1), IDC_LOGON_PROFILES);
        HWND page = ::GetParent(list);
        ASSERT_EQ(2, ListView_GetItemCount(list));
        EXPECT_EQ(L"Profile 1|Enabled", Row(list, 0));
        EXPECT_EQ(L"Maintenance|Disabled", Row(list, 1));
        ListView_SetItemState(list, 1, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        EXPECT_TRUE(Enabled(page, IDC_LOGON_ENABLE));
        EXPECT_FALSE(Enabled(page, IDC_LOGON_DISABLE));
        Click(page, IDC_LOGON_ENABLE);
        EXPECT_EQ(L"Maintenance|Enabled", Row(list, 1));
        ListView_SetItemState(list, 0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        Click(page, IDC_LOGON_DISABLE);
        EXPECT_EQ(L"Profile 1|Disabled", Row(list, 0));
        Apply(sheet);
    });
    EXPECT_TRUE(boxes.empty()) << All();
    std::vector<HardwareProfile> profiles;
    ASSERT_EQ(S_OK, EnumHardwareProfiles(L"ADMIN01", L"Spooler", profiles));
    ASSERT_EQ(2u, profiles.size());
    EXPECT_FALSE(profiles[0].enabled);
    EXPECT_TRUE(profiles[1].enabled);

    LabAddFault(L"ADMIN01", "RegConnectRegistryW", ERROR_BAD_NETPATH, 1, 0);
    Edit(L"ADMIN01", L"Spooler", [](HWND sheet) { ShowPage(sheet, 1); });
    ASSERT_EQ(1u, boxes.size()) << All();
    EXPECT_EQ(ComposeErrorMessage(HRESULT_FROM_WIN32(ERROR_BAD_NETPATH), L"The hardware profiles could not be enumerated"),
              boxes[0]);
}

TEST_F(ServiceEditorTest, RecoveryIsOfferedOnlyWherePlatformsKeepFailureActions) {
    auto pages = [] {
        ServiceEditorSheet editor(nullptr, L"SRV1", L"Printer");
        EXPECT_EQ(S_OK, editor.Load());
        return editor.Sheet().PageCount();
    };
    EXPECT_EQ(4u, pages());
    LabAddFault(L"SRV1", "QueryServiceConfig2W", ERROR_CALL_NOT_IMPLEMENTED, 1, 0);
    EXPECT_EQ(3u, pages());
    LabClearRules();
    LabAddFault(L"SRV1", "QueryServiceConfig2W", ERROR_ACCESS_DENIED, 1, 0);
    EXPECT_EQ(4u, pages());
}

// --- The component ------------------------------------------------------------

TEST_F(ServiceEditorTest, ComponentBuildsTheSheetOnlyForAServiceItCanOpen) {
    ComPtr<IServiceEditor> editor;
    ASSERT_EQ(S_OK, CreateComObject<vantrel::ServiceEditor>(nullptr, IID_IServiceEditor, editor.PutVoid()));
    UniqueBstr name(::SysAllocString(L"Nothing"));
    editor->put_Service(name.Get());
    EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_SERVICE_DOES_NOT_EXIST), editor->Create(0));
    EXPECT_EQ(E_HANDLE, editor->Start());

    name.Reset(::SysAllocString(L"Agent"));
    editor->put_Service(name.Get());
    ASSERT_EQ(S_OK, editor->Create(0));
    std::thread closer([ui = ::GetCurrentThreadId()] {
        HWND sheet = WaitForDialog(ui, 10000, L"Agent");  // no computer: the service alone
        if (sheet) ::PostMessageW(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    });
    EXPECT_EQ(S_OK, editor->Start());
    closer.join();
    editor.Reset();
}

}  // namespace
