// The credential walk every worker runs: which keys it asks the store for,
// which account the thread ends up acting as in the lab, and what it writes
// to the activity log when something fails.
#include "credentials/Credentials.h"

#include "Companions_h.h"
#include "ModuleTestSupport.h"
#include "common/ComPtr.h"
#include "common/ErrorText.h"
#include "lab/LabControl.h"

#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <mutex>
#include <sstream>
#include <thread>
#include <vector>

namespace {

using vantrel::AlternateCredentials;
using vantrel::ComPtr;

// Records every message instead of writing a file, so that texts can be
// compared exactly.
class RecordingLog final : public IActivityLog, public IClassFactory {
public:
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        if (iid == IID_IUnknown || iid == IID_IActivityLog) *out = static_cast<IActivityLog*>(this);
        else if (iid == IID_IClassFactory) *out = static_cast<IClassFactory*>(this);
        else return *out = nullptr, E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
        return outer ? CLASS_E_NOAGGREGATION : QueryInterface(iid, out);
    }
    STDMETHODIMP LockServer(BOOL) override { return S_OK; }
    STDMETHODIMP LogMessage(long kind, BSTR text) override {
        std::lock_guard lock(mutex_);
        kinds_.push_back(kind);
        messages_.emplace_back(text ? text : L"");
        return S_OK;
    }

    std::vector<std::wstring> Messages() {
        std::lock_guard lock(mutex_);
        return messages_;
    }
    std::vector<long> Kinds() {
        std::lock_guard lock(mutex_);
        return kinds_;
    }

private:
    std::mutex mutex_;
    std::vector<std::wstring> messages_;
    std::vector<long> kinds_;
};

// The companion store (lab build) registered for this process only, a fresh
// store file, and the recording log.
class Credentials : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(0u, LabReset());
        wchar_t temp[MAX_PATH];
        ::GetTempPathW(MAX_PATH, temp);
        storeFile_ = std::wstring(temp) + L"vantrel-credentials-test-" + std::to_wstring(::GetCurrentProcessId()) + L".dat";
        ::DeleteFileW(storeFile_.c_str());
        ::SetEnvironmentVariableW(L"VANTREL_CREDENTIALS_FILE", storeFile_.c_str());
        companions_ = ::LoadLibraryW(moduletest::BinPath(L"VantrelCompanions.dll").c_str());
        ASSERT_NE(nullptr, companions_);
        auto getClassObject = reinterpret_cast<HRESULT(WINAPI*)(REFCLSID, REFIID, void**)>(
            ::GetProcAddress(companions_, "DllGetClassObject"));
        ASSERT_EQ(S_OK, getClassObject(CLSID_CredentialStore, IID_IClassFactory, storeFactory_.PutVoid()));
        logFactory_ = &log_;
        ASSERT_EQ(S_OK, storeFactory_->CreateInstance(nullptr, IID_ICredentialStore, store_.PutVoid()));
    }
    void TearDown() override {
        store_.Reset();
        storeFactory_.Reset();
        ::DeleteFileW(storeFile_.c_str());
        ::SetEnvironmentVariableW(L"VANTREL_CREDENTIALS_FILE", nullptr);
        EXPECT_EQ(0u, LabOutstanding(LAB_KIND_ANY)) << lab::LeakReport();
        LabReset();
    }

    void Store(const wchar_t* key, long format, const wchar_t* user, const wchar_t* password) {
        vantrel::UniqueBstr k(::SysAllocString(key)), u(::SysAllocString(user)), p(::SysAllocString(password));
        ASSERT_EQ(S_OK, store_->Add(k.Get(), format, u.Get(), p.Get()));
    }

    // Class objects registered by a thread serve its own apartment only: each
    // worker of a test makes the store and the log known to itself.
    class Registration {
    public:
        Registration(IClassFactory* store, IClassFactory* log) {
            ::CoRegisterClassObject(CLSID_CredentialStore, store, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &store_);
            ::CoRegisterClassObject(CLSID_ActivityLog, log, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &log_);
        }
        ~Registration() {
            ::CoRevokeClassObject(store_);
            ::CoRevokeClassObject(log_);
        }

    private:
        DWORD store_ = 0;
        DWORD log_ = 0;
    };

    // Runs the walk on a fresh thread, as a worker would, and returns what
    // that thread acts as afterwards and what the field would show.
    struct Outcome {
        std::wstring identity;
        std::wstring key;
        std::wstring field;
        bool mayAdministerFs01 = false;
    };
    Outcome Recall(const wchar_t* path, long options) {
        Outcome outcome;
        std::thread([&] {
            moduletest::ComApartment apartment;
            Registration registration(storeFactory_.Get(), logFactory_);
            AlternateCredentials credentials;
            vantrel::RecallAlternateCredentials(path, options, credentials);
            outcome.identity = lab::ThreadIdentity();
            outcome.key = credentials.key;
            outcome.field = vantrel::CurrentCredentialsText(credentials);
            outcome.mayAdministerFs01 = LabMayAdminister(L"FS01") != FALSE;
        }).join();
        return outcome;
    }

    moduletest::ComApartment apartment_;
    std::wstring storeFile_;
    HMODULE companions_ = nullptr;
    ComPtr<IClassFactory> storeFactory_;
    RecordingLog log_;
    IClassFactory* logFactory_ = nullptr;  // the recording log, or the companion's
    ComPtr<IClassFactory> companionLog_;
    ComPtr<ICredentialStore> store_;
};

constexpr wchar_t kOperator[] = L"LAB\\operator";
constexpr wchar_t kHelpdesk[] = L"LAB\\helpdesk";
constexpr wchar_t kHelpdeskPassword[] = L"H3lpdesk!";

TEST(SplitAccountName, SplitsAtTheLastBackslash) {
    std::wstring domain, user;
    ASSERT_EQ(S_OK, vantrel::SplitAccountName(L"LAB\\alice", domain, user));
    EXPECT_EQ(L"LAB", domain);
    EXPECT_EQ(L"alice", user);
    ASSERT_EQ(S_OK, vantrel::SplitAccountName(L"a\\b\\c", domain, user));
    EXPECT_EQ(L"a\\b", domain);
    EXPECT_EQ(L"c", user);
    ASSERT_EQ(S_OK, vantrel::SplitAccountName(L"LAB\\", domain, user));
    EXPECT_EQ(L"", user);
    for (const wchar_t* bad : {static_cast<const wchar_t*>(nullptr), L"", L"alice"})
        EXPECT_EQ(E_INVALIDARG, vantrel::SplitAccountName(bad, domain, user));
}

TEST_F(Credentials, WalkFromTheMostSpecificNameToItsParents) {
    Store(L"fs01", 2, kHelpdesk, kHelpdeskPassword);
    Outcome outcome = Recall(L"FS01.lab.local", 0);
    // The bare computer name is not a level of "FS01.lab.local".
    EXPECT_EQ(kOperator, outcome.identity);
    Store(L"lab.local", 2, kHelpdesk, kHelpdeskPassword);
    outcome = Recall(L"FS01.lab.local", 0);
    EXPECT_EQ(kHelpdesk, outcome.identity);
    EXPECT_EQ(L"lab.local", outcome.key);
    EXPECT_TRUE(outcome.mayAdministerFs01);
    EXPECT_EQ(kHelpdesk, outcome.field);
    EXPECT_TRUE(log_.Messages().empty());
}

TEST_F(Credentials, PrefixStaysInFrontOnEveryLevel) {
    Store(L"site:local", 2, kHelpdesk, kHelpdeskPassword);
    EXPECT_EQ(kHelpdesk, Recall(L"site:fs01.lab.local", vantrel::kRecallPrefixedPath).identity);
    EXPECT_EQ(L"site:local", Recall(L"site:fs01.lab.local", vantrel::kRecallPrefixedPath).key);
    // Without the option the prefix is just part of the first name.
    EXPECT_EQ(kOperator, Recall(L"site:fs01.lab.local", 0).identity);
    // With the option but no prefix, nothing is looked up at all.
    Store(L"fs01", 2, kHelpdesk, kHelpdeskPassword);
    EXPECT_EQ(kOperator, Recall(L"fs01", vantrel::kRecallPrefixedPath).identity);
    EXPECT_EQ(kHelpdesk, Recall(L"fs01", 0).identity);
}

TEST_F(Credentials, NothingStoredLeavesTheThreadAsItWasAndLogsNothing) {
    const Outcome outcome = Recall(L"a.b.c", 0);
    EXPECT_EQ(kOperator, outcome.identity);
    EXPECT_FALSE(outcome.mayAdministerFs01);
    EXPECT_EQ(kOperator, outcome.field);
    EXPECT_TRUE(log_.Messages().empty());
    EXPECT_EQ(kOperator, Recall(L"", 0).identity);
    // The field shows the error when the own name cannot be read.
    LabAddFault(nullptr, "GetUserNameExW", ERROR_NO_SUCH_DOMAIN, 1, 0);
    EXPECT_EQ(vantrel::ErrorTextLine(HRESULT_FROM_WIN32(ERROR_NO_SUCH_DOMAIN)), Recall(L"fs01", 0).field);
}

TEST_F(Credentials, NameFormatsDecideUserAndDomain) {
    Store(L"upn", 8, L"helpdesk@lab.local", kHelpdeskPassword);        // no domain at all
    Store(L"canonical", 7, L"lab.local/Users/helpdesk", kHelpdeskPassword);  // translated first
    Store(L"unknown", 0, kHelpdesk, kHelpdeskPassword);                // split like DOMAIN\user
    for (const wchar_t* key : {L"upn", L"canonical", L"unknown"}) EXPECT_EQ(kHelpdesk, Recall(key, 0).identity) << key;
    EXPECT_EQ(1u, LabCallCount(nullptr, "TranslateNameW"));
    EXPECT_TRUE(log_.Messages().empty());
}

TEST_F(Credentials, WrongPasswordIsLoggedAndTheParentLevelIsTried) {
    Store(L"fs01.lab", 2, kHelpdesk, L"wrong");
    Store(L"lab", 2, L"LAB\\Administrator", L"Adm1n!Lab");
    const Outcome outcome = Recall(L"fs01.lab", 0);
    EXPECT_EQ(L"LAB\\Administrator", outcome.identity);
    const std::vector<std::wstring> messages = log_.Messages();
    ASSERT_EQ(1u, messages.size());
    EXPECT_EQ(L"You could not logon as LAB\\helpdesk on the local system to connect to fs01.lab. System error: " +
                  vantrel::ErrorTextLine(HRESULT_FROM_WIN32(ERROR_LOGON_FAILURE)),
              messages[0]);
    EXPECT_EQ(std::vector<long>{1}, log_.Kinds());
}

TEST_F(Credentials, LogonRightFailuresCarryTheirHints) {
    Store(L"fs01", 2, kHelpdesk, kHelpdeskPassword);
    const std::wstring start = L"You could not logon as LAB\\helpdesk on the local system to connect to fs01. System error: ";
    struct Case {
        DWORD error;
        const wchar_t* hint;
    } cases[] = {
        {ERROR_LOGON_TYPE_NOT_GRANTED, L"\r\nThe user account you wish to logon as must have rights to 'Log on locally'."},
        {ERROR_LOGON_NOT_GRANTED, L"\r\nThe user account you wish to logon as must have rights to 'Log on locally'."},
        {ERROR_PRIVILEGE_NOT_HELD,
         L"\r\nIn order to use alternate credentials, the operating system requires the currently logged-in user to "
         L"have rights to 'Act as part of the operating system' on the local machine. Please refer to the online "
         L"help for more information."},
        {ERROR_ACCOUNT_DISABLED, L""},
    };
    for (const Case& c : cases) {
        const DWORD rule = LabAddFault(nullptr, "LogonUserW", c.error, 1, 1);
        EXPECT_EQ(kOperator, Recall(L"fs01", 0).identity);
        LabRemoveRule(rule);
        ASSERT_FALSE(log_.Messages().empty());
        EXPECT_EQ(start + vantrel::ErrorTextLine(HRESULT_FROM_WIN32(c.error)) + c.hint, log_.Messages().back());
    }
}

TEST_F(Credentials, UnimpersonableAccountFallsBackToTheProcess) {
    Store(L"fs01", 2, kHelpdesk, kHelpdeskPassword);
    LabAddFault(nullptr, "ImpersonateLoggedOnUser", ERROR_ACCESS_DENIED, 1, 0);
    Outcome outcome = Recall(L"fs01", 0);
    EXPECT_EQ(kOperator, outcome.identity);
    EXPECT_EQ(kOperator, outcome.field);  // the alternate account was forgotten
    EXPECT_TRUE(log_.Messages().empty());

    LabAddFault(nullptr, "ImpersonateSelf", ERROR_NO_IMPERSONATION_TOKEN, 1, 0);
    outcome = Recall(L"fs01", 0);
    EXPECT_EQ(kOperator, outcome.identity);
    ASSERT_EQ(1u, log_.Messages().size());
    EXPECT_EQ(L"You could not impersonate LAB\\helpdesk on the local system to connect to fs01. System error: " +
                  vantrel::ErrorTextLine(HRESULT_FROM_WIN32(ERROR_NO_IMPERSONATION_TOKEN)),
              log_.Messages()[0]);
}

TEST_F(Credentials, StoreFailureIsLoggedPerLevelAndTheWalkGoesOn) {
    Store(L"lab", 2, kHelpdesk, kHelpdeskPassword);
    // Damage the store file so that every lookup fails.
    store_.Reset();
    {
        std::ofstream damaged(std::string(storeFile_.begin(), storeFile_.end()), std::ios::binary | std::ios::trunc);
        damaged << "not a credentials file";
    }
    EXPECT_EQ(kOperator, Recall(L"fs01.lab", 0).identity);
    const std::vector<std::wstring> messages = log_.Messages();
    ASSERT_EQ(2u, messages.size());
    EXPECT_EQ(0u, messages[0].find(L"No computer credentials were found for fs01.lab. System error: "));
    EXPECT_EQ(0u, messages[1].find(L"No computer credentials were found for lab. System error: "));
}

TEST_F(Credentials, LogonLooksTheAccountUpWhenNoneIsHeld) {
    Store(L"ts01", 2, kHelpdesk, kHelpdeskPassword);
    std::wstring identity;
    HRESULT status = E_FAIL;
    std::thread([&] {
        moduletest::ComApartment apartment;
        Registration registration(storeFactory_.Get(), logFactory_);
        AlternateCredentials credentials;
        credentials.key = L"ts01";
        status = vantrel::LogonAndImpersonate(credentials, L"TS01");
        identity = lab::ThreadIdentity();
        credentials.key = L"nothing-here";
        credentials.Reset();
        // Not found is a failure of the logon, reported with the status 1.
        EXPECT_EQ(S_FALSE, vantrel::LogonAndImpersonate(credentials, L"X"));
    }).join();
    EXPECT_EQ(S_OK, status);
    EXPECT_EQ(kHelpdesk, identity);
    ASSERT_EQ(1u, log_.Messages().size());
    EXPECT_EQ(0u, log_.Messages()[0].find(L"You could not logon as  on the local system to connect to X. System error: "));
}

TEST_F(Credentials, RealLogNeverSeesAPassword) {
    // The companion's own log, not the recording one.
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    const std::wstring logFile = std::wstring(temp) + L"vantrel-activity-test-" + std::to_wstring(::GetCurrentProcessId()) + L".log";
    ::DeleteFileW(logFile.c_str());
    ::SetEnvironmentVariableW(L"VANTREL_ACTIVITY_LOG", logFile.c_str());
    auto getClassObject = reinterpret_cast<HRESULT(WINAPI*)(REFCLSID, REFIID, void**)>(
        ::GetProcAddress(companions_, "DllGetClassObject"));
    ASSERT_EQ(S_OK, getClassObject(CLSID_ActivityLog, IID_IClassFactory, companionLog_.PutVoid()));
    logFactory_ = companionLog_.Get();

    Store(L"fs01.lab", 2, kHelpdesk, L"Wr0ngSecret!");
    Store(L"lab", 2, kHelpdesk, kHelpdeskPassword);
    LabAddFault(nullptr, "LogonUserW", ERROR_LOGON_TYPE_NOT_GRANTED, 2, 1);  // the right password fails once too
    EXPECT_EQ(kOperator, Recall(L"fs01.lab", 0).identity);
    EXPECT_EQ(kHelpdesk, Recall(L"fs01.lab", 0).identity);

    std::ifstream in(std::string(logFile.begin(), logFile.end()), std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    const std::string log = text.str();
    EXPECT_NE(std::string::npos, log.find("You could not logon as LAB\\helpdesk")) << log;
    EXPECT_EQ(std::string::npos, log.find("Wr0ngSecret!"));
    EXPECT_EQ(std::string::npos, log.find("H3lpdesk!"));
    ::SetEnvironmentVariableW(L"VANTREL_ACTIVITY_LOG", nullptr);
    ::DeleteFileW(logFile.c_str());
}

}  // namespace
