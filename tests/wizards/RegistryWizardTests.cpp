// The Manage Registry Entries Wizard as the component builds it, walked
// through its real sheet and dialogs against lab computers, with the lab
// companion DLL's registry component: both phases, both methods, the pages'
// messages, the result files byte for byte, View Results.
#include "common/ErrorText.h"
#include "lab/LabControl.h"
#include "platform/Registry.h"
#include "resources/ImageIndex.h"
#include "resources/resource.h"
#include "tests/support/TestProcess.h"
#include "tests/support/WindowDriver.h"
#include "tests/wizards/WizardDriver.h"
#include "wizards/OperationWizards.h"
#include "wizards/ResultReport.h"
#include "wizards/registry/RegistryPages.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <algorithm>
#include <cstring>
#include <deque>
#include <fstream>
#include <mutex>
#include <thread>

namespace vantrel {
namespace {

using testsupport::ProcessDialogWatcher;
using testsupport::SeenBox;
using testsupport::WaitForDialog;
using testsupport::WaitUntil;

// GOOD holds every entry; BAD lacks HKLM\SOFTWARE\Vantrel Test's Level value
// and has Owner "nobody"; DENIED refuses the operator; OFFLINE is off.
constexpr char kNetwork[] = R"({
  "domain": { "name": "LAB" },
  "interactiveUser": "LAB\\operator",
  "accounts": [ { "name": "LAB\\operator", "password": "Op3rator!" } ],
  "computers": [
    { "name": "ADMIN01", "local": true, "administrators": ["LAB\\operator"] },
    { "name": "GOOD", "administrators": ["LAB\\operator"], "registry": { "keys": [
      { "path": "HKLM\\SOFTWARE\\Vantrel Test", "values": [
        { "name": "Level", "type": "REG_DWORD", "data": 5 },
        { "name": "Owner", "type": "REG_SZ", "data": "ops" } ] } ] } },
    { "name": "BAD", "administrators": ["LAB\\operator"], "registry": { "keys": [
      { "path": "HKLM\\SOFTWARE\\Vantrel Test", "values": [
        { "name": "Owner", "type": "REG_SZ", "data": "nobody" } ] } ] } },
    { "name": "DENIED", "administrators": [] },
    { "name": "OFFLINE", "online": false, "administrators": ["LAB\\operator"] }
  ]
})";

// Page indexes of the wizard.
enum Page {
    kWelcome, kComputers, kMethod, kEntries, kQuery, kProgress1, kResults, kModify, kProgress2, kCompletion
};

std::wstring ReadResultFile(const wchar_t* computer) {
    std::wstring path;
    if (FAILED(ResultFilePath(computer, path))) return L"<no temporary directory>";
    std::ifstream in(path.c_str(), std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::wstring text(bytes.size() / 2, L'\0');
    std::memcpy(text.data(), bytes.data(), text.size() * 2);
    return text;
}

DWORD ReadDword(const wchar_t* machine, const wchar_t* key, const wchar_t* name) {
    HKEY root = nullptr, opened = nullptr;
    DWORD value = 0, size = sizeof(value), type = 0;
    if (plat::RegConnectRegistryW(machine, HKEY_LOCAL_MACHINE, &root)) return 0xDEAD;
    if (!plat::RegOpenKeyExW(root, key, 0, KEY_READ, &opened)) {
        if (plat::RegQueryValueExW(opened, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size)) value = 0xDEAD;
        plat::RegCloseKey(opened);
    } else {
        value = 0xDEAD;
    }
    plat::RegCloseKey(root);
    return value;
}

// Registers the lab companion DLL in the test prefix, as regsvr32 would: the
// jobs create the registry component by its class.
HRESULT RegisterCompanions() {
    HMODULE module = ::LoadLibraryW(testsupport::BinPath(L"VantrelCompanions.dll").c_str());
    if (!module) return HRESULT_FROM_WIN32(::GetLastError());
    using Entry = HRESULT(STDAPICALLTYPE*)();
    auto registerServer = reinterpret_cast<Entry>(::GetProcAddress(module, "DllRegisterServer"));
    const HRESULT hr = registerServer ? registerServer() : E_FAIL;
    ::FreeLibrary(module);
    return hr;
}

// What the Registry Entry dialog is filled with when it appears.
struct EntryInput {
    int type;  // combo index
    const wchar_t* key;
    const wchar_t* value;
    int action;
    const wchar_t* data;
};

class RegistryWizard : public wizardtest::LabWizardTest {
protected:
    RegistryWizard() : LabWizardTest(kNetwork) {}
    void SetUp() override {
        LabWizardTest::SetUp();
        ASSERT_EQ(S_OK, RegisterCompanions());
    }

    static HWND CurrentPage(HWND sheet) { return wizardtest::CurrentPage(sheet); }
    static int Next(HWND sheet) { return wizardtest::Next(sheet); }
    static void Click(HWND page, int id) {
        ::SendMessageW(page, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(page, id)));
    }
    static std::vector<int> ListImages(HWND list) {
        std::vector<int> images;
        for (int row = 0; row < ListView_GetItemCount(list); ++row) {
            LVITEMW item{};
            item.mask = LVIF_IMAGE;
            item.iItem = row;
            ListView_GetItem(list, &item);
            images.push_back(item.iImage);
        }
        return images;
    }

    // Fills the Registry Entry dialog from the queue; every other box is kept.
    void Handle(HWND window, const SeenBox& seen) {
        if (seen.title != L"Registry Entry" || !::GetDlgItem(window, IDC_REG_TYPE)) return KeepBox(window, seen);
        EntryInput input{};
        {
            std::lock_guard<std::mutex> hold(mutex_);
            if (inputs_.empty()) return;
            input = inputs_.front();
            inputs_.pop_front();
        }
        Choose(window, IDC_REG_TYPE, input.type);
        ::SetDlgItemTextW(window, IDC_REG_KEY, input.key);
        ::SetDlgItemTextW(window, IDC_REG_VALUE, input.value);
        Choose(window, IDC_REG_ACTION, input.action);
        ::SetDlgItemTextW(window, IDC_REG_DATA, input.data);
        ::PostMessageW(window, WM_COMMAND, IDOK, 0);
    }
    // A combo box choice as the user makes it.
    static void Choose(HWND dialog, int id, int index) {
        ::SendDlgItemMessageW(dialog, id, CB_SETCURSEL, index, 0);
        ::SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(::GetDlgItem(dialog, id)));
    }

    std::vector<std::wstring> Run(const wchar_t* computers, const std::function<void(HWND)>& walk) {
        return wizardtest::RunOperation(
            kOperationValidateRegistry, computers, [this](HWND window, const SeenBox& seen) { Handle(window, seen); },
            walk);
    }

    std::deque<EntryInput> inputs_;
    std::vector<std::wstring> results_;
};

using wizardtest::ListRows;
using wizardtest::WaitForPhaseEnd;

std::wstring TreeItemText(HWND tree, HTREEITEM item) {
    wchar_t text[300] = {};
    TVITEMW data{};
    data.mask = TVIF_TEXT;
    data.hItem = item;
    data.pszText = text;
    data.cchTextMax = 300;
    ::SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&data));
    return text;
}

std::wstring FailedLine(const wchar_t* computer, const wchar_t* message, HRESULT code) {
    wchar_t hex[16];
    swprintf(hex, 16, L"0x%08X", static_cast<unsigned>(code));
    return std::wstring(computer) + L" failed: " + message + L", [" + hex + L"] " + ResultCodeText(code);
}

TEST_F(RegistryWizard, IndividualEntriesAreQueriedAndTheSecondPhaseRepairsWhatIsMissing) {
    inputs_ = {
        {0, L"HKLM\\SOFTWARE\\Vantrel Test", L"", 0, L""},
        {1, L"HKLM\\SOFTWARE\\Vantrel Test", L"Level", 1, L"5"},
        {2, L"HKLM\\SOFTWARE\\Vantrel Test", L"Owner", 0, L""},
    };
    std::vector<std::wstring> entryRows;
    std::vector<int> images;
    const auto lines = Run(L"GOOD,BAD,DENIED,OFFLINE", [&](HWND sheet) {
        EXPECT_EQ(kComputers, Next(sheet));
        EXPECT_EQ(kMethod, Next(sheet));
        EXPECT_EQ(kEntries, Next(sheet));
        EXPECT_EQ(kEntries, Next(sheet)) << "an empty list keeps the page";
        HWND page = CurrentPage(sheet);
        EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(page, IDC_REG_EDIT)));
        EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(page, IDC_REG_REMOVE)));
        for (int i = 0; i < 3; ++i) Click(page, IDC_REG_ADD);
        entryRows = ListRows(::GetDlgItem(page, IDC_REG_ENTRY_LIST), 5);
        EXPECT_EQ(kQuery, Next(sheet));
        EXPECT_EQ(kProgress1, Next(sheet));
        WaitForPhaseEnd(sheet);
        EXPECT_EQ(kResults, Next(sheet));
        results_ = ListRows(::GetDlgItem(CurrentPage(sheet), IDC_REG_RESULT_LIST), 2);
        images = ListImages(::GetDlgItem(CurrentPage(sheet), IDC_REG_RESULT_LIST));
        EXPECT_EQ(kModify, Next(sheet));
        ::CheckDlgButton(CurrentPage(sheet), IDC_REG_MODIFY_CHECK, BST_CHECKED);
        EXPECT_EQ(kProgress2, Next(sheet));
        WaitForPhaseEnd(sheet);
        EXPECT_EQ(kCompletion, Next(sheet));
        Finish(sheet);
    });
    ASSERT_EQ(1u, boxes_.size());
    EXPECT_EQ(L"You must include at least one registry entry.", boxes_[0].text);
    EXPECT_EQ(L"Manage Registry Entries", boxes_[0].title);
    EXPECT_EQ((std::vector<std::wstring>{
                  L"HKLM\\SOFTWARE\\Vantrel Test |  | Key |  | Test Existence",
                  L"HKLM\\SOFTWARE\\Vantrel Test | Level | Value (DWORD) | 5 | Test Data",
                  L"HKLM\\SOFTWARE\\Vantrel Test | Owner | Value (String) |  | Test Existence"}),
              entryRows);

    // A query that could not be completed shows the error image.
    ASSERT_EQ(results_.size(), images.size());
    for (size_t i = 0; i < results_.size(); ++i) {
        const bool failed = results_[i].find(L"could not be completed") != std::wstring::npos;
        EXPECT_EQ(failed ? IMAGE_ERROR : IMAGE_COMPUTER, images[i]) << results_[i];
    }
    std::vector<std::wstring> sortedResults = results_;
    std::sort(sortedResults.begin(), sortedResults.end());
    EXPECT_EQ((std::vector<std::wstring>{L"BAD | Not all registry entries and/or data were found.",
                                         L"DENIED | The query could not be completed.",
                                         L"GOOD | All registry entries and/or data were found.",
                                         L"OFFLINE | The query could not be completed."}),
              sortedResults);

    // Phase 1 gives four lines, phase 2 one (BAD, the only one to repair).
    ASSERT_EQ(5u, lines.size());
    std::vector<std::wstring> phase1(lines.begin(), lines.begin() + 4);
    std::sort(phase1.begin(), phase1.end());
    EXPECT_EQ((std::vector<std::wstring>{L"BAD had omissions: Validate Registry",
                                         FailedLine(L"DENIED", L"Validate Registry", E_ACCESSDENIED),
                                         L"GOOD succeeded: Validate Registry",
                                         FailedLine(L"OFFLINE", L"Validate Registry",
                                                    HRESULT_FROM_WIN32(ERROR_BAD_NETPATH))}),
              phase1);
    EXPECT_EQ(L"BAD succeeded: Modify Registry", lines[4]);
    EXPECT_EQ(5u, ReadDword(L"\\\\BAD", L"SOFTWARE\\Vantrel Test", L"Level"));

    const std::wstring header = L"FILE:            Results of the Manage Registry Entries Wizard\r\n"
                                L"VALIDATION MODE: Individual Registry Entry\r\n";
    const std::wstring keyPart = L"Test                : Existence of key\r\n"
                                 L"Entry type          : Key\r\n"
                                 L"Key                 : HKLM\\SOFTWARE\\Vantrel Test\r\n"
                                 L"Result              : The registry key exists.\r\n\r\n";
    const std::wstring ownerPart = L"Test                : Existence of value\r\n"
                                   L"Entry type          : String (REG_SZ)\r\n"
                                   L"Value               : Owner\r\n"
                                   L"Result              : The registry value exists.\r\n\r\n";
    EXPECT_EQ(header + L"COMPUTER:        GOOD\r\n\r\n" + keyPart +
                  L"Test                : Value of data\r\n"
                  L"Entry type          : DWORD (REG_DWORD)\r\n"
                  L"Value               : Level\r\n"
                  L"Specified value     : 5\r\n"
                  L"Result              : The registry value exists and is the specified value.\r\n\r\n" +
                  ownerPart + L"The registry entries comply with your specification.\r\n",
              ReadResultFile(L"GOOD"));
    // The missing value is an answer: BAD's file says so, without the
    // compliance sentence.
    EXPECT_EQ(header + L"COMPUTER:        BAD\r\n\r\n" + keyPart +
                  L"Test                : Value of data\r\n"
                  L"Entry type          : DWORD (REG_DWORD)\r\n"
                  L"Value               : Level\r\n"
                  L"Specified value     : 5\r\n"
                  L"Result              : The registry value does not exist or does not match the specified "
                  L"data.\r\n\r\n" +
                  ownerPart,
              ReadResultFile(L"BAD"));

    const std::wstring expectedStart =
        L"Manage Registry Entries Wizard\r\n\r\nComputers Selected:";
    EXPECT_EQ(0u, summary_.find(expectedStart)) << testing::PrintToString(summary_);
    for (const wchar_t* part :
         {L"\r\n\r\nRegistry validation method:\r\n\tIndividual registry entries.\r\n",
          L"Registry Entries specified:\r\n\tNAME: HKLM\\SOFTWARE\\Vantrel Test; TYPE: Key\r\n\tNAME: Level; TYPE: "
          L"numeric value (DWORD); KEY: HKLM\\SOFTWARE\\Vantrel Test; DATA: 5\r\n\tNAME: Owner; TYPE: string value; "
          L"KEY: HKLM\\SOFTWARE\\Vantrel Test\r\n",
          L"Computers where the validation query could not be executed:\r\n\t",
          L"Results of operation:\r\n\t"}) {
        EXPECT_NE(std::wstring::npos, summary_.find(part)) << testing::PrintToString(part);
    }
    // "Computers Selected:" appears once: the list page gives this wizard's
    // paragraph only.
    EXPECT_EQ(summary_.find(L"Computers Selected:"), summary_.rfind(L"Computers Selected:"));
}

TEST_F(RegistryWizard, ARegistryFileIsComparedAndUncheckingModifySkipsThePhase) {
    wchar_t folder[MAX_PATH];
    ::GetTempPathW(MAX_PATH, folder);
    const std::wstring regFile = std::wstring(folder) + L"vantrel-wizard-test.reg";
    {
        const std::u16string text = u"\xFEFFWindows Registry Editor Version 5.00\r\n\r\n"
                                    u"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vantrel Test]\r\n"
                                    u"\"Owner\"=\"ops\"\r\n"
                                    u"\"Level\"=dword:00000005\r\n";
        std::ofstream out(regFile.c_str(), std::ios::binary);
        out.write(reinterpret_cast<const char*>(text.data()), static_cast<std::streamsize>(text.size() * 2));
    }
    const std::wstring missingFile = std::wstring(folder) + L"vantrel-no-such-file.reg";
    const auto lines = Run(L"GOOD,BAD", [&](HWND sheet) {
        EXPECT_EQ(kComputers, Next(sheet));
        EXPECT_EQ(kMethod, Next(sheet));
        HWND page = CurrentPage(sheet);
        EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(page, IDC_REG_FILE_NAME)));
        EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(page, IDC_REG_FILE_BROWSE)));
        ::CheckRadioButton(page, IDC_REG_INDIVIDUAL, IDC_REG_FILE, IDC_REG_FILE);
        Click(page, IDC_REG_FILE);
        EXPECT_TRUE(::IsWindowEnabled(::GetDlgItem(page, IDC_REG_FILE_NAME)));
        EXPECT_TRUE(::IsWindowEnabled(::GetDlgItem(page, IDC_REG_FILE_BROWSE)));
        EXPECT_EQ(kMethod, Next(sheet)) << "no file name";
        ::SetDlgItemTextW(page, IDC_REG_FILE_NAME, missingFile.c_str());
        EXPECT_EQ(kMethod, Next(sheet)) << "a file that cannot be opened";
        ::SetDlgItemTextW(page, IDC_REG_FILE_NAME, regFile.c_str());
        EXPECT_EQ(kQuery, Next(sheet)) << "the entries page serves individual entries only";
        EXPECT_EQ(kProgress1, Next(sheet));
        WaitForPhaseEnd(sheet);
        EXPECT_EQ(kResults, Next(sheet));
        results_ = ListRows(::GetDlgItem(CurrentPage(sheet), IDC_REG_RESULT_LIST), 2);
        EXPECT_EQ(kModify, Next(sheet));
        EXPECT_EQ(kCompletion, Next(sheet)) << "without Modify registries the phase is skipped";
        Finish(sheet);
    });
    ASSERT_EQ(2u, boxes_.size());
    EXPECT_EQ(L"You must specify a file name.", boxes_[0].text);
    EXPECT_EQ(L"Manage Registry Entries", boxes_[0].title);
    EXPECT_EQ(L"File Error", boxes_[1].title);
    EXPECT_EQ(ResultCodeText(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)), boxes_[1].text.substr(0, boxes_[1].text.find(L"\r\n")));

    std::vector<std::wstring> sortedLines = lines;
    std::sort(sortedLines.begin(), sortedLines.end());
    EXPECT_EQ((std::vector<std::wstring>{L"BAD had omissions: Validate Registry", L"GOOD succeeded: Validate Registry"}),
              sortedLines);
    const std::wstring header = L"FILE:            Results of the Manage Registry Entries Wizard\r\n"
                                L"VALIDATION MODE: Registry File\r\n";
    EXPECT_EQ(header + L"COMPUTER:        GOOD\r\n\r\ncomputer 'GOOD' is compliant with the registry file '" +
                  regFile + L"'\r\n",
              ReadResultFile(L"GOOD"));
    // Only values differ on BAD: the value heading comes without a blank line.
    EXPECT_EQ(header + L"COMPUTER:        BAD\r\n\r\n"
                       L"The registry values in the following list either could not be\r\n"
                       L"found or did not have data matching that specified:\r\n\r\n"
                       L"   HKEY_LOCAL_MACHINE\\SOFTWARE\\Vantrel Test::Owner\r\n"
                       L"   HKEY_LOCAL_MACHINE\\SOFTWARE\\Vantrel Test::Level\r\n",
              ReadResultFile(L"BAD"));
    EXPECT_NE(std::wstring::npos,
              summary_.find(L"Registry validation method:\r\n\tRegistry file (*.reg extension)\r\n\tName:" + regFile));
    EXPECT_EQ(std::wstring::npos, summary_.find(L"Registry Entries specified:"));
    EXPECT_NE(std::wstring::npos, summary_.find(L"\r\n\tThe validation query was executed on all computers."));
    EXPECT_EQ(0xDEADu, ReadDword(L"\\\\BAD", L"SOFTWARE\\Vantrel Test", L"Level")) << "nothing was written";
    ::DeleteFileW(regFile.c_str());
}

// The Registry Entry dialog on its own: the type and action rules, the
// 32-bit message, and Browse without an entry selector.
TEST_F(RegistryWizard, RegistryEntryDialogRules) {
    RegistryEntry entry;
    RegistryEntryDialog dialog(entry, L"GOOD");
    struct Seen {
        bool valueEnabled, actionEnabled, dataEnabled, digits;
        std::wstring value, data;
    };
    std::vector<Seen> states;
    std::vector<SeenBox> boxes;
    std::vector<std::wstring> browsedRows;
    Seen afterBrowse{};
    std::thread driver([&, ui = ::GetCurrentThreadId()] {
        HWND window = WaitForDialog(ui, 10000, L"Registry Entry");
        if (!window) return;
        auto state = [&] {
            wchar_t value[64] = {}, data[64] = {};
            ::GetDlgItemTextW(window, IDC_REG_VALUE, value, 64);
            ::GetDlgItemTextW(window, IDC_REG_DATA, data, 64);
            states.push_back({::IsWindowEnabled(::GetDlgItem(window, IDC_REG_VALUE)) != FALSE,
                              ::IsWindowEnabled(::GetDlgItem(window, IDC_REG_ACTION)) != FALSE,
                              ::IsWindowEnabled(::GetDlgItem(window, IDC_REG_DATA)) != FALSE,
                              (::GetWindowLongW(::GetDlgItem(window, IDC_REG_DATA), GWL_STYLE) & ES_NUMBER) != 0, value,
                              data});
        };
        auto choose = [&](int id, int index) { Choose(window, id, index); };
        state();  // a new entry: a key
        choose(IDC_REG_TYPE, 1);
        state();  // DWORD, test existence
        choose(IDC_REG_ACTION, 1);
        ::SetDlgItemTextW(window, IDC_REG_VALUE, L"Level");
        ::SetDlgItemTextW(window, IDC_REG_DATA, L"123");
        state();  // DWORD, test data
        choose(IDC_REG_TYPE, 2);
        state();  // a new type empties the data
        choose(IDC_REG_TYPE, 0);
        state();  // back to a key: the value goes too

        choose(IDC_REG_TYPE, 1);
        choose(IDC_REG_ACTION, 1);
        ::SetDlgItemTextW(window, IDC_REG_KEY, L"HKLM\\SOFTWARE\\Vantrel Test");
        ::SetDlgItemTextW(window, IDC_REG_VALUE, L"Level");
        testsupport::ProcessDialogWatcher watcher([&](HWND box, const SeenBox& seen) {
            if (box == window) return;
            if (seen.title == L"Select Registry Entry") {
                // Down the tree of GOOD's registry to the key, then its value.
                HWND tree = ::GetDlgItem(box, 201);
                HTREEITEM item = TreeView_GetRoot(tree);
                for (const wchar_t* name : {L"HKEY_LOCAL_MACHINE", L"SOFTWARE", L"Vantrel Test"}) {
                    while (item && TreeItemText(tree, item) != name) item = TreeView_GetNextSibling(tree, item);
                    if (!item) break;
                    TreeView_SelectItem(tree, item);
                    if (std::wstring(name) != L"Vantrel Test") item = TreeView_GetChild(tree, item);
                }
                browsedRows = ListRows(::GetDlgItem(box, 202), 3);
                LVITEMW state{};
                state.stateMask = state.state = LVIS_SELECTED | LVIS_FOCUSED;
                ::SendDlgItemMessageW(box, 202, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&state));
                ::PostMessageW(box, WM_COMMAND, IDOK, 0);
                return;
            }
            boxes.push_back(seen);
            ::PostMessageW(box, WM_COMMAND, IDOK, 0);
        });
        ::SetDlgItemTextW(window, IDC_REG_DATA, L"4294967296");
        ::SendMessageW(window, WM_COMMAND, IDOK, 0);
        WaitUntil([&] { return boxes.size() == 1; }, 3000);
        ::SetDlgItemTextW(window, IDC_REG_DATA, L"99999999999");
        ::SendMessageW(window, WM_COMMAND, IDOK, 0);
        WaitUntil([&] { return boxes.size() == 2; }, 3000);
        // Browse: the entry selector on GOOD's registry; choosing a value
        // sets type, key and value.
        ::SetDlgItemTextW(window, IDC_REG_KEY, L"");
        ::SendMessageW(window, WM_COMMAND, MAKEWPARAM(IDC_REG_KEY_BROWSE, BN_CLICKED),
                       reinterpret_cast<LPARAM>(::GetDlgItem(window, IDC_REG_KEY_BROWSE)));
        afterBrowse = {::IsWindowEnabled(::GetDlgItem(window, IDC_REG_VALUE)) != FALSE, false, false, false,
                       testsupport::ItemText(window, IDC_REG_KEY), testsupport::ItemText(window, IDC_REG_VALUE)};
        choose(IDC_REG_ACTION, 1);
        ::SetDlgItemTextW(window, IDC_REG_DATA, L"4294967295");
        ::PostMessageW(window, WM_COMMAND, IDOK, 0);
        WaitUntil([&] { return !::IsWindow(window); }, 3000);
        watcher.Stop();
    });
    const INT_PTR answer = dialog.RunModal(nullptr);
    driver.join();
    EXPECT_EQ(IDOK, answer);

    ASSERT_EQ(5u, states.size());
    const Seen expected[] = {
        {false, false, false, false, L"", L""}, {true, true, false, true, L"", L""},
        {true, true, true, true, L"Level", L"123"}, {true, true, true, false, L"Level", L""},
        {false, false, false, false, L"", L""},
    };
    for (size_t i = 0; i < states.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(expected[i].valueEnabled, states[i].valueEnabled);
        EXPECT_EQ(expected[i].actionEnabled, states[i].actionEnabled);
        EXPECT_EQ(expected[i].dataEnabled, states[i].dataEnabled);
        EXPECT_EQ(expected[i].digits, states[i].digits);
        EXPECT_EQ(expected[i].value, states[i].value);
        EXPECT_EQ(expected[i].data, states[i].data);
    }
    ASSERT_EQ(2u, boxes.size());
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(L"Registry Entry: Invalid value", boxes[i].title);
        EXPECT_EQ(L"The value entered must be a 32-bit value (maximum 10 digits , not exceeding the value 4294967295)",
                  boxes[i].text);
    }
    EXPECT_EQ((std::vector<std::wstring>{L"Level | REG_DWORD | 0x00000005 (5)", L"Owner | REG_SZ | ops"}),
              browsedRows);
    EXPECT_TRUE(afterBrowse.valueEnabled);
    EXPECT_EQ(L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Vantrel Test", afterBrowse.value);  // the key box
    EXPECT_EQ(L"Level", afterBrowse.data);                                      // the value box
    EXPECT_EQ(RegEntryType::Dword, entry.type);
    EXPECT_EQ(RegAction::TestData, entry.action);
    EXPECT_EQ(4294967295u, entry.number);
    EXPECT_EQ(L"Level", entry.valueName);
    EXPECT_EQ(L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Vantrel Test", entry.key);
}

TEST_F(RegistryWizard, ViewResultsStartsTheEditorOrAsksForAnother) {
    std::wstring path;
    ASSERT_EQ(S_OK, ResultFilePath(L"VIEWED", path));
    {
        std::ofstream out(path.c_str(), std::ios::binary);
        out << "x";
    }
    wchar_t windows[MAX_PATH];
    ::GetSystemWindowsDirectoryW(windows, MAX_PATH);

    std::vector<std::wstring> started;
    ViewResultFile(nullptr, L"VIEWED", [&](const std::wstring& line) {
        started.push_back(line);
        return true;
    });
    EXPECT_EQ((std::vector<std::wstring>{L"\"" + std::wstring(windows) + L"\\notepad.exe\" \"" + path + L"\""}),
              started);

    // An editor that cannot be started: the user is asked, and No ends it.
    started.clear();
    std::vector<SeenBox> boxes;
    {
        ProcessDialogWatcher watcher([&](HWND box, const SeenBox& seen) {
            boxes.push_back(seen);
            ::PostMessageW(box, WM_COMMAND, IDNO, 0);
        });
        ViewResultFile(nullptr, L"VIEWED", [&](const std::wstring& line) {
            started.push_back(line);
            return false;
        });
        watcher.Stop();
    }
    EXPECT_EQ(1u, started.size());
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ(L"Open Editor", boxes[0].title);
    EXPECT_EQ(L"The program could not be opened. Select 'Yes' to browse for\r\nNotepad.exe of another text editor.",
              boxes[0].text);
    ::DeleteFileW(path.c_str());

    // No result file: nothing is started.
    boxes.clear();
    started.clear();
    {
        ProcessDialogWatcher watcher([&](HWND box, const SeenBox& seen) {
            boxes.push_back(seen);
            ::PostMessageW(box, WM_COMMAND, IDOK, 0);
        });
        ViewResultFile(nullptr, L"VIEWED", [&](const std::wstring& line) {
            started.push_back(line);
            return true;
        });
        watcher.Stop();
    }
    EXPECT_TRUE(started.empty());
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ(L"Could not open the validation result information", boxes[0].text);
}

TEST_F(RegistryWizard, JobsWithoutANameOrComponentFailAsTheirStatus) {
    RegistryQueryJob unnamed;
    EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_INVALID_COMPUTERNAME), unnamed.Execute());
    RegistryModifyJob unnamedModify;
    EXPECT_EQ(static_cast<HRESULT>(0x800704BA), unnamedModify.Execute());

    // A result file that cannot be made (a folder stands in its place) is
    // the query's result, before the computer is asked anything.
    std::wstring blocked;
    ASSERT_EQ(S_OK, ResultFilePath(L"BLOCKED", blocked));
    ::CreateDirectoryW(blocked.c_str(), nullptr);
    RegistryQueryJob query;
    query.computerName.Reset(::SysAllocString(L"BLOCKED"));
    EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED), query.Execute());
    EXPECT_EQ(0u, LabCallCount(L"BLOCKED", "RegConnectRegistryW"));
    ::RemoveDirectoryW(blocked.c_str());

    // A computer that refuses the operator: the write's code is the job's.
    RegistryModifyJob import;
    import.computerName.Reset(::SysAllocString(L"DENIED"));
    import.mode = kRegistryModeEntries;
    RegistryEntry entry;
    entry.key = L"HKLM\\SOFTWARE\\X";
    import.entries.push_back(entry);
    EXPECT_EQ(E_ACCESSDENIED, import.Execute());
}

}  // namespace
}  // namespace vantrel

namespace vantrel {
namespace {

// A failure of the registry while an entry is tested (injected into the lab)
// fails the query with that code and puts its text into the result file;
// the other entries are still tested.
TEST_F(RegistryWizard, AFailingEntryFailsTheQueryAndItsTextIsTheResult) {
    const DWORD rule = LabAddFault(L"GOOD", "RegQueryValueExW", ERROR_NOT_ENOUGH_MEMORY, 1, 1);
    RegistryQueryJob job;
    job.computerName.Reset(::SysAllocString(L"GOOD"));
    RegistryEntry level;
    level.key = L"HKLM\\SOFTWARE\\Vantrel Test";
    level.valueName = L"Level";
    level.type = RegEntryType::Dword;
    level.action = RegAction::TestData;
    level.number = 5;
    RegistryEntry key;
    key.key = L"HKLM\\SOFTWARE\\Vantrel Test";
    job.entries = {level, key};
    const HRESULT failure = HRESULT_FROM_WIN32(ERROR_NOT_ENOUGH_MEMORY);
    EXPECT_EQ(failure, job.Execute());
    EXPECT_EQ(1u, LabRuleFired(rule));
    EXPECT_EQ(0, job.compliant);
    EXPECT_EQ(1, job.hadOmissions);
    EXPECT_EQ(QueryOutcome::Failed, OutcomeOf(job.status, job.hadOmissions));
    const std::wstring text = ReadResultFile(L"GOOD");
    EXPECT_NE(std::wstring::npos,
              text.find(L"Specified value     : 5\r\nResult              : " +
                        ErrorTextLine(static_cast<DWORD>(failure)) + L"\r\n\r\n"))
        << testing::PrintToString(text);
    EXPECT_NE(std::wstring::npos, text.find(L"Result              : The registry key exists.\r\n\r\n"));
    EXPECT_EQ(std::wstring::npos, text.find(L"comply with your specification"));
}

// Browse with no entry selector to create: the dialog says so and stays.
TEST_F(RegistryWizard, BrowseWithoutTheEntrySelectorNamesTheComponent) {
    ASSERT_EQ(ERROR_SUCCESS, ::RegDeleteTreeW(HKEY_CLASSES_ROOT, L"CLSID\\{8144ABAF-7C18-4B13-BA63-3444FE604E2F}"));
    RegistryEntry entry;
    RegistryEntryDialog dialog(entry, L"GOOD");
    std::vector<SeenBox> boxes;
    std::mutex lock;
    std::thread driver([&, ui = ::GetCurrentThreadId()] {
        HWND window = WaitForDialog(ui, 10000, L"Registry Entry");
        if (!window) return;
        ProcessDialogWatcher watcher([&](HWND box, const SeenBox& seen) {
            if (box == window) return;
            std::lock_guard<std::mutex> hold(lock);
            boxes.push_back(seen);
            ::PostMessageW(box, WM_COMMAND, IDOK, 0);
        });
        ::SendMessageW(window, WM_COMMAND, MAKEWPARAM(IDC_REG_KEY_BROWSE, BN_CLICKED),
                       reinterpret_cast<LPARAM>(::GetDlgItem(window, IDC_REG_KEY_BROWSE)));
        watcher.Stop();
        ::PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
    });
    EXPECT_EQ(IDCANCEL, dialog.RunModal(nullptr));
    driver.join();
    EXPECT_EQ(S_OK, RegisterCompanions());
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ(L"Registry Entry", boxes[0].title);
    EXPECT_EQ(ComposeErrorMessage(static_cast<DWORD>(REGDB_E_CLASSNOTREG), L"Failed to access the registry component."),
              boxes[0].text);
}

// Before the second phase only the computers whose query succeeded with
// omissions stay checked, whatever the case of their names.
TEST(RegistryModify, OnlyComputersWithOmissionsAreCheckedForTheSecondPhase) {
    SelectionTable table;
    VARIANT names;
    names.vt = VT_BSTR;
    names.bstrVal = ::SysAllocString(L"GOOD,bad,DENIED,SKIPPED");
    ASSERT_EQ(S_OK, table.SetComputers(&names, kRowChecked));
    ::VariantClear(&names);
    table.SetState(3, kRowUnchecked | LVIS_SELECTED);
    GrowableArray<RegistryQueryJob> queried;
    struct Outcome {
        const wchar_t* name;
        HRESULT status;
        BYTE compliant;
    };
    for (const Outcome& o : {Outcome{L"GOOD", S_OK, 1}, Outcome{L"BAD", S_OK, 0}, Outcome{L"DENIED", E_ACCESSDENIED, 0}}) {
        RegistryQueryJob job;
        job.computerName.Reset(::SysAllocString(o.name));
        job.status = o.status;
        job.compliant = o.compliant;
        ASSERT_EQ(S_OK, queried.Append(job));
    }
    MarkComputersToRepair(table, queried);
    EXPECT_EQ(kRowUnchecked, table.State(0));
    EXPECT_EQ(kRowChecked, table.State(1));
    EXPECT_EQ(kRowUnchecked, table.State(2));
    EXPECT_EQ(kRowUnchecked | LVIS_SELECTED, table.State(3)) << "other bits are kept";
    EXPECT_EQ((std::vector<LONG>{1}), table.CollectRows(kRowChecked));
}

}  // namespace
}  // namespace vantrel
