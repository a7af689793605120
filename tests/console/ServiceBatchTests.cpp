// The console's service batch: which rows it keeps, what it says, how it
// drives the module's batch interface, and the key names it reads from a
// computer's service control manager (the lab's).
#include "console/ServiceBatch.h"

#include "console/ConsoleIds.h"
#include "lab/LabControl.h"
#include "platform/ServiceControl.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using console::BatchEntry;
using console::ServiceBatchList;

TEST(ServiceBatchList, KeepsOneRowPerServiceAndComputerAndCountsComputers) {
    struct Case {
        const wchar_t* computer;
        const wchar_t* service;
        bool added;
    };
    const Case cases[] = {
        {L"ADMIN01", L"Spooler", true},     {L"\\\\admin01", L"SPOOLER", false}, {L"ADMIN01", L"SyncEngine", true},
        {L"PRINT01", L"Spooler", true},     {L"", L"Spooler", false},            {L"FS01", L"", false},
        {L"\\\\PRINT01", L"Spooler", false},
    };
    ServiceBatchList batch;
    EXPECT_EQ(L"The batch is empty. Select services on the Services tab and choose Add Selected Services to Batch "
              L"(Ctrl+B).",
              batch.Summary());
    for (const Case& c : cases)
        EXPECT_EQ(c.added, batch.Add(BatchEntry{c.computer, c.service, L""})) << c.computer << L" " << c.service;
    ASSERT_EQ(3u, batch.Entries().size());
    EXPECT_EQ(2u, batch.ComputerCount());
    EXPECT_EQ(L"3 services on 2 computers", batch.Summary());

    batch.Remove(0);
    batch.Remove(7);  // past the end: nothing
    EXPECT_EQ(L"ADMIN01", batch.Entries()[0].computer);
    EXPECT_EQ(L"SyncEngine", batch.Entries()[0].service);
    batch.Remove(1);
    EXPECT_EQ(L"1 service on 1 computer", batch.Summary());
}

// Records what the batch asks of the module's interface.
class RecordingControl final : public IMultiServiceControl {
public:
    std::vector<std::wstring> calls;
    HRESULT failAdd = S_OK;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** out) override { return *out = nullptr, E_NOINTERFACE; }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE AddService(BSTR computer, BSTR service) override {
        calls.push_back(std::wstring(L"AddService ") + computer + L" " + service);
        return failAdd;
    }
    HRESULT STDMETHODCALLTYPE Control(long owner, long command, long flags) override {
        calls.push_back(L"Control " + std::to_wstring(owner) + L" " + std::to_wstring(command) + L" " +
                        std::to_wstring(flags));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Clear() override {
        calls.push_back(L"Clear");
        return S_OK;
    }
};

TEST(ServiceBatchList, RebuildsTheModulesBatchBeforeEachCommand) {
    ServiceBatchList batch;
    batch.Add({L"ADMIN01", L"Spooler", L"Print Spooler"});
    batch.Add({L"PRINT01", L"Spooler", L"Print Spooler"});
    batch.Add({L"ADMIN01", L"SyncEngine", L"File Sync Engine"});
    const HWND owner = reinterpret_cast<HWND>(static_cast<LONG_PTR>(0x1234));

    RecordingControl control;
    ASSERT_EQ(S_OK, batch.Run(control, owner, SCMD_RESTART, true));
    ASSERT_EQ(S_OK, batch.Run(control, owner, SCMD_STOP, false));
    const std::vector<std::wstring> expected = {
        L"Clear", L"AddService ADMIN01 Spooler", L"AddService PRINT01 Spooler", L"AddService ADMIN01 SyncEngine",
        L"Control 4660 16 1",
        L"Clear", L"AddService ADMIN01 Spooler", L"AddService PRINT01 Spooler", L"AddService ADMIN01 SyncEngine",
        L"Control 4660 1 2",
    };
    EXPECT_EQ(expected, control.calls);

    RecordingControl refusing;
    refusing.failAdd = E_OUTOFMEMORY;
    EXPECT_EQ(E_OUTOFMEMORY, batch.Run(refusing, owner, SCMD_START, true));
    EXPECT_EQ((std::vector<std::wstring>{L"Clear", L"AddService ADMIN01 Spooler"}), refusing.calls)
        << "nothing runs after a failed add";
}

TEST(ServiceBatchList, CommandsAndOutcomeTexts) {
    struct Case {
        const wchar_t* verb;
        int button;
        long command;
    };
    const Case cases[] = {{L"start", IDC_BATCH_START, SCMD_START},     {L"Stop", IDC_BATCH_STOP, SCMD_STOP},
                          {L"PAUSE", IDC_BATCH_PAUSE, SCMD_PAUSE},     {L"Resume", IDC_BATCH_RESUME, SCMD_CONTINUE},
                          {L"Restart", IDC_BATCH_RESTART, SCMD_RESTART}};
    for (const Case& c : cases) {
        const console::BatchCommand* found = console::FindBatchCommand(c.verb);
        ASSERT_NE(nullptr, found) << c.verb;
        EXPECT_EQ(c.button, found->buttonId);
        EXPECT_EQ(c.command, found->command);
    }
    EXPECT_EQ(nullptr, console::FindBatchCommand(L"Continue"));

    ServiceBatchList batch;
    batch.Add({L"ADMIN01", L"Spooler", L"Print Spooler"});
    EXPECT_EQ(L"Restart done for 1 service on 1 computer.", console::RunOutcomeText(L"Restart", batch, true, S_OK));
    EXPECT_EQ(L"Stop started for 1 service on 1 computer; each computer's progress dialog follows it.",
              console::RunOutcomeText(L"Stop", batch, false, S_OK));
    const std::wstring failed = console::RunOutcomeText(L"Start", batch, true, E_OUTOFMEMORY);
    EXPECT_EQ(0u, failed.find(L"Start was not completed: ")) << failed;
    EXPECT_GT(failed.size(), std::wstring(L"Start was not completed: ").size());
}

class ServiceKeyNames : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(0u, LabReset()); }
    void TearDown() override {
        EXPECT_EQ(0u, LabOutstanding(LAB_KIND_ANY)) << "every connection is closed";
        LabReset();
    }
};

TEST_F(ServiceKeyNames, DisplayNamesResolveOnTheComputerTheyAreShownFor) {
    struct Case {
        const wchar_t* computer;
        const wchar_t* displayName;
        HRESULT result;
        const wchar_t* keyName;
    };
    const Case cases[] = {
        {L"ADMIN01", L"Print Spooler", S_OK, L"Spooler"},
        {L"\\\\ADMIN01", L"print SPOOLER", S_OK, L"Spooler"},
        {L"ADMIN01", L"File Sync Engine", S_OK, L"SyncEngine"},
        {L"PRINT01", L"File Sync Engine", HRESULT_FROM_WIN32(ERROR_SERVICE_DOES_NOT_EXIST), L""},
        {L"ADMIN01", L"Spooler", HRESULT_FROM_WIN32(ERROR_SERVICE_DOES_NOT_EXIST), L""},  // a key name is not a display name
        {L"ADMIN01", L"", HRESULT_FROM_WIN32(ERROR_INVALID_NAME), L""},
        {L"NOSUCHHOST", L"Print Spooler", HRESULT_FROM_WIN32(RPC_S_SERVER_UNAVAILABLE), L""},
    };
    for (const Case& c : cases) {
        std::wstring key = L"left over";
        EXPECT_EQ(c.result, console::ServiceKeyName(c.computer, c.displayName, key)) << c.computer << L" " << c.displayName;
        EXPECT_EQ(c.keyName, key);
    }
    ASSERT_EQ(0u, LabSetComputerOnline(L"ADMIN01", FALSE));
    std::wstring key;
    EXPECT_TRUE(FAILED(console::ServiceKeyName(L"ADMIN01", L"Print Spooler", key))) << "an offline computer";
}

TEST_F(ServiceKeyNames, TheLabAnswersTheCountWithoutTheTerminator) {
    SC_HANDLE scm = plat::OpenSCManagerW(L"ADMIN01", nullptr, SC_MANAGER_CONNECT);
    ASSERT_NE(nullptr, scm);
    wchar_t name[8] = L"xxxxxxx";
    DWORD chars = 7;  // "Spooler" needs 8 with its terminator
    EXPECT_FALSE(plat::GetServiceKeyNameW(scm, L"Print Spooler", name, &chars));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER), ::GetLastError());
    EXPECT_EQ(7u, chars);
    EXPECT_EQ(L'\0', name[0]) << "a buffer too small holds the empty string";
    chars = 8;
    ASSERT_TRUE(plat::GetServiceKeyNameW(scm, L"Print Spooler", name, &chars));
    EXPECT_EQ(7u, chars);
    EXPECT_STREQ(L"Spooler", name);
    EXPECT_FALSE(plat::GetServiceKeyNameW(scm, L"Print Spooler", name, nullptr));
    EXPECT_EQ(static_cast<DWORD>(RPC_X_NULL_REF_POINTER), ::GetLastError());
    EXPECT_TRUE(plat::CloseServiceHandle(scm));
    EXPECT_FALSE(plat::GetServiceKeyNameW(scm, L"Print Spooler", name, &chars));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), ::GetLastError());
}

}  // namespace
