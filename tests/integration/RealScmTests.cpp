// The shipped Vantrel.dll against Wine's real service control manager: a
// service of ours and a dependent of it, installed in the test prefix with
// sc.exe, controlled through IMultiServiceControl from this process and
// checked with "sc query".
#include "Vantrel_h.h"
#include "tests/support/TestProcess.h"
#include "tests/support/WindowDriver.h"

#include <gtest/gtest.h>

#include <string>

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

}  // namespace
