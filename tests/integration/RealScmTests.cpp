// The shipped Vantrel.dll against Wine's real service control manager: a
// service of ours and a dependent of it, installed in the test prefix with
// sc.exe, controlled through IMultiServiceControl from this process and
// checked with "sc query".
#include "Vantrel_h.h"
#include "tests/support/TestProcess.h"
#include "tests/support/WindowDriver.h"
#include "tests/support/WizardWalk.h"

#include <gtest/gtest.h>

#include <commctrl.h>
#include <prsht.h>

#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace {

using namespace testsupport;

// Runs a program of the prefix with `args` and returns what it printed.
std::string RunProgram(const wchar_t* program, const std::wstring& args) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE read = nullptr, write = nullptr;
    if (!::CreatePipe(&read, &write, &inherit, 0)) return {};
    ::SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW si{sizeof si};
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = write;
    si.hStdError = write;
    PROCESS_INFORMATION pi{};
    std::wstring line = std::wstring(program) + L" " + args;
    std::string out;
    if (::CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr, &si, &pi)) {
        ::CloseHandle(write);
        write = nullptr;
        char buffer[4096];
        DWORD got = 0;
        while (::ReadFile(read, buffer, sizeof buffer, &got, nullptr) && got) out.append(buffer, got);
        ::WaitForSingleObject(pi.hProcess, 30000);
        ::CloseHandle(pi.hThread);
        ::CloseHandle(pi.hProcess);
    }
    if (write) ::CloseHandle(write);
    ::CloseHandle(read);
    return out;
}

std::string Sc(const std::wstring& args) { return RunProgram(L"sc.exe", args); }

bool StateIs(const wchar_t* service, const char* state) {
    return Sc(std::wstring(L"query ") + service).find(state) != std::string::npos;
}

constexpr wchar_t kService[] = L"VtlTestSvc";
constexpr wchar_t kDependent[] = L"VtlTestDep";

class RealScm : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        Remove();
        const std::wstring bin = L"\"\\\"" + BinPath(L"vantrel_test_service.exe") + L"\\\" --delay-ms 750\"";
        Sc(std::wstring(L"create ") + kService + L" binPath= " + bin + L" start= demand DisplayName= \"Vantrel Test Service\"");
        Sc(std::wstring(L"create ") + kDependent + L" binPath= " + bin + L" start= demand depend= " + kService +
           L" DisplayName= \"Vantrel Test Dependent\"");
    }
    static void TearDownTestSuite() { Remove(); }
    static void Remove() {
        for (const wchar_t* s : {kDependent, kService}) {
            Sc(std::wstring(L"stop ") + s);
            Sc(std::wstring(L"delete ") + s);
        }
    }

    void SetUp() override {
        ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        module_ = ::LoadLibraryW(BinPath(L"win32\\Vantrel.dll").c_str());
        ASSERT_NE(nullptr, module_);
        auto get = reinterpret_cast<HRESULT(WINAPI*)(REFCLSID, REFIID, void**)>(
            ::GetProcAddress(module_, "DllGetClassObject"));
        IClassFactory* factory = nullptr;
        ASSERT_EQ(S_OK, get(CLSID_ComputerResMgmtUI, IID_IClassFactory, reinterpret_cast<void**>(&factory)));
        ASSERT_EQ(S_OK, factory->CreateInstance(nullptr, IID_IMultiServiceControl, reinterpret_cast<void**>(&batch_)));
        factory->Release();
    }
    void TearDown() override {
        if (batch_) batch_->Release();
        if (module_) ::FreeLibrary(module_);
        ::CoUninitialize();
    }

    // One job for the services, in order.
    HRESULT Run(std::initializer_list<const wchar_t*> services, long command) {
        batch_->Clear();
        for (const wchar_t* service : services) {
            BSTR computer = ::SysAllocString(L"localhost");  // Wine's manager answers for any name
            BSTR name = ::SysAllocString(service);
            batch_->AddService(computer, name);
            ::SysFreeString(computer);
            ::SysFreeString(name);
        }
        return batch_->Control(0, command, SCF_SYNCHRONOUS);
    }
    HRESULT Run(const wchar_t* service, long command) { return Run({service}, command); }

    HMODULE module_ = nullptr;
    IMultiServiceControl* batch_ = nullptr;
};

// Wine's EnumDependentServicesW reports no dependents (the dependents walk
// is covered against the lab), so here one job handles both services in the
// order given.
TEST_F(RealScm, EveryCommandThroughTheBatchAndOneJobForBothInOrder) {
    ProcessDialogWatcher watcher(AnswerBoxes(IDOK, {L"Service Control"}));
    EXPECT_TRUE(StateIs(kService, "STOPPED"));
    ASSERT_EQ(S_OK, Run({kService, kDependent}, SCMD_START));
    EXPECT_TRUE(StateIs(kService, "RUNNING"));
    EXPECT_TRUE(StateIs(kDependent, "RUNNING"));
    ASSERT_EQ(S_OK, Run(kService, SCMD_PAUSE));
    EXPECT_TRUE(StateIs(kService, "PAUSED"));
    ASSERT_EQ(S_OK, Run(kService, SCMD_CONTINUE));
    EXPECT_TRUE(StateIs(kService, "RUNNING"));
    ASSERT_EQ(S_OK, Run(kDependent, SCMD_RESTART));
    EXPECT_TRUE(StateIs(kDependent, "RUNNING"));
    ASSERT_EQ(S_OK, Run({kDependent, kService}, SCMD_STOP));
    EXPECT_TRUE(StateIs(kService, "STOPPED"));
    EXPECT_TRUE(StateIs(kDependent, "STOPPED"));
    for (const SeenBox& b : watcher.Stop()) EXPECT_NE(L"Error", b.title) << b.text;
}

// The Manage Services Wizard of the shipped module on the local computer:
// the options of one run, walked through the real sheet, the services
// checked by display name on the list of the source computer (this one).
struct ServicesRun {
    const wchar_t* account;  // null: Local System
    const wchar_t* password;
    const wchar_t* startup;  // the combo's text
};

void NextPage(HWND sheet) { Next(sheet, 10000); }

HWND ChildWithText(HWND page, const wchar_t* text) {
    for (HWND child = ::GetWindow(page, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        std::wstring shown;
        for (wchar_t c : WindowText(child))
            if (c != L'&') shown += c;
        if (shown == text) return child;
    }
    return nullptr;
}

// The run's summary (empty when the wizard did not get that far).
std::wstring RunServicesWizard(HMODULE module, const ServicesRun& run, std::wstring& trace) {
    auto get = reinterpret_cast<HRESULT(WINAPI*)(REFCLSID, REFIID, void**)>(::GetProcAddress(module, "DllGetClassObject"));
    IClassFactory* factory = nullptr;
    if (get(CLSID_MngSvcsWizard, IID_IClassFactory, reinterpret_cast<void**>(&factory)) != S_OK) return {};
    IMngSvcsWizard* wizard = nullptr;
    factory->CreateInstance(nullptr, IID_IMngSvcsWizard, reinterpret_cast<void**>(&wizard));
    factory->Release();
    if (!wizard) return {};
    wchar_t name[MAX_COMPUTERNAME_LENGTH + 1];
    DWORD length = MAX_COMPUTERNAME_LENGTH + 1;
    ::GetComputerNameW(name, &length);
    VARIANT computers;
    computers.vt = VT_BSTR;
    computers.bstrVal = ::SysAllocString(name);
    std::wstring summary;
    if (wizard->Create(0) == S_OK && wizard->put_Computers(&computers) == S_OK) {
        std::thread driver([&, ui = ::GetCurrentThreadId()] {
            HWND sheet = WaitForDialog(ui, 20000);
            if (!sheet) return;
            NextPage(sheet);  // computers
            NextPage(sheet);  // services of this computer
            trace += L"services page: " + WindowText(sheet) + L"; ";
            HWND list = ::FindWindowExW(CurrentPage(sheet), nullptr, WC_LISTVIEWW, nullptr);
            const int count = static_cast<int>(::SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
            for (int item = 0; item < count; ++item) {
                wchar_t text[256] = L"";
                LVITEMW request{};
                request.pszText = text;
                request.cchTextMax = 256;
                ::SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&request));
                LVITEMW state{};
                state.stateMask = LVIS_SELECTED;
                state.state = std::wstring(text).rfind(L"Vantrel Test ", 0) == 0 ? LVIS_SELECTED : 0;
                ::SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&state));
            }
            ::SendMessageW(CurrentPage(sheet), WM_COMMAND, 32784, 0);  // Check
            NextPage(sheet);  // log on
            HWND page = CurrentPage(sheet);
            if (run.account) {
                ::SendMessageW(ChildWithText(page, L"This account:"), BM_CLICK, 0, 0);
                std::vector<HWND> edits;
                for (HWND child = ::GetWindow(page, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
                    wchar_t kind[16] = L"";
                    ::GetClassNameW(child, kind, 16);
                    if (_wcsicmp(kind, L"Edit") == 0) edits.push_back(child);
                }
                if (edits.size() == 3) {
                    ::SetWindowTextW(edits[0], run.account);
                    ::SetWindowTextW(edits[1], run.password);
                    ::SetWindowTextW(edits[2], run.password);
                }
            } else {
                ::SendMessageW(ChildWithText(page, L"Local System Account"), BM_CLICK, 0, 0);
            }
            NextPage(sheet);  // startup
            page = CurrentPage(sheet);
            HWND combo = ::FindWindowExW(page, nullptr, WC_COMBOBOXW, nullptr);
            ::SendMessageW(combo, CB_SETCURSEL,
                           ::SendMessageW(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                          reinterpret_cast<LPARAM>(run.startup)),
                           0);
            for (const wchar_t* box : {L"Stop each selected service", L"Start each selected service",
                                       L"Apply the selected control operation to all dependent services."})
                ::SendMessageW(ChildWithText(page, box), BM_CLICK, 0, 0);
            trace += L"startup page: " + WindowText(sheet) + L"; ";
            NextPage(sheet);  // the run
            ::Sleep(200);
            const bool ended = WaitUntil([&] { return ::IsWindowEnabled(::GetDlgItem(sheet, 0x3024)) != FALSE; }, 120000);
            trace += ended ? L"run ended; " : L"run did not end; ";
            if (!ended)
                for (HWND child = ::GetWindow(CurrentPage(sheet), GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
                    trace += WindowText(child) + L" | ";
            NextPage(sheet);
            for (HWND child = ::GetWindow(CurrentPage(sheet), GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
                const LONG style = ::GetWindowLongW(child, GWL_STYLE);
                if ((style & ES_MULTILINE) && (style & ES_READONLY)) summary = WindowText(child);
            }
            ::PostMessageW(sheet, PSM_PRESSBUTTON, PSBTN_FINISH, 0);
            if (!WaitUntil([&] { return !::IsWindow(sheet); }, 3000)) ::PostMessageW(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
        });
        wizard->Start();
        driver.join();
    }
    ::VariantClear(&computers);
    wizard->Release();
    return summary;
}

// The start type and account of a service, read through advapi32: Wine's
// sc.exe has no "qc" (it prints nothing), so its configuration is read the
// way "sc qc" reads it on Windows.
std::pair<DWORD, std::wstring> ServiceConfig(const wchar_t* service) {
    SC_HANDLE scm = ::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
    SC_HANDLE handle = scm ? ::OpenServiceW(scm, service, SERVICE_QUERY_CONFIG) : nullptr;
    alignas(8) BYTE buffer[8192];
    DWORD needed = 0;
    auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGW*>(buffer);
    std::pair<DWORD, std::wstring> result{0, L""};
    if (handle && ::QueryServiceConfigW(handle, config, sizeof buffer, &needed))
        result = {config->dwStartType, config->lpServiceStartName ? config->lpServiceStartName : L""};
    if (handle) ::CloseServiceHandle(handle);
    if (scm) ::CloseServiceHandle(scm);
    return result;
}

// Wine's LookupAccountNameW knows the prefix's own user (".\NAME"), and its
// LsaAddAccountRights succeeds without effect; its manager keeps the account
// and start type it is given and starts our service under any account.
// EnumDependentServicesW lists no dependents there, so both services are
// checked in the run, the dependent after the service.
TEST_F(RealScm, ManageServicesWizardChangesAccountStartupAndRestarts) {
    // Boxes are answered; the wizard (a dialog holding its pages) is not,
    // whatever its title shows meanwhile.
    ProcessDialogWatcher watcher([](HWND window, const SeenBox&) {
        if (::FindWindowExW(window, nullptr, L"#32770", nullptr)) return;
        ::PostMessageW(window, WM_COMMAND, IDOK, 0);
    });
    ASSERT_EQ(S_OK, Run({kService, kDependent}, SCMD_START));
    wchar_t user[256];
    DWORD length = 256;
    ASSERT_TRUE(::GetUserNameW(user, &length));
    const std::wstring account = std::wstring(L".\\") + user;

    std::wstring trace;
    std::wstring summary = RunServicesWizard(module_, {account.c_str(), L"pw", L"Automatic"}, trace);
    for (const wchar_t* service : {kService, kDependent}) {
        const auto config = ServiceConfig(service);
        EXPECT_EQ(static_cast<DWORD>(SERVICE_AUTO_START), config.first) << service;
        EXPECT_EQ(account, config.second) << service;
        EXPECT_TRUE(StateIs(service, "RUNNING")) << Sc(std::wstring(L"query ") + service);
    }
    EXPECT_NE(std::wstring::npos, summary.find(L"\tSucceeded: all modifications for VtlTestSvc."))
        << testing::PrintToString(summary) << testing::PrintToString(trace);
    EXPECT_NE(std::wstring::npos, summary.find(L"\tSucceeded: all modifications for VtlTestDep."));

    trace.clear();
    summary = RunServicesWizard(module_, {nullptr, nullptr, L"Manual"}, trace);
    for (const wchar_t* service : {kService, kDependent}) {
        const auto config = ServiceConfig(service);
        EXPECT_EQ(static_cast<DWORD>(SERVICE_DEMAND_START), config.first) << service;
        EXPECT_EQ(L"LocalSystem", config.second) << service;
        EXPECT_TRUE(StateIs(service, "RUNNING"));
    }
    EXPECT_NE(std::wstring::npos, summary.find(L"\tSucceeded: all modifications for VtlTestSvc."))
        << testing::PrintToString(summary) << testing::PrintToString(trace);
    ASSERT_EQ(S_OK, Run({kDependent, kService}, SCMD_STOP));
    EXPECT_TRUE(StateIs(kService, "STOPPED"));
    EXPECT_TRUE(StateIs(kDependent, "STOPPED"));
    for (const SeenBox& b : watcher.Stop())
        if (b.title == L"Error") ADD_FAILURE() << testing::PrintToString(b.text);
}

}  // namespace
