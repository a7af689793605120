// vantrel-credentials.exe as a child process: entries it stores are found
// here and the other way round, its answers and exit codes, and writers in
// several processes at once.
#include "tests/companions/CompanionTestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <thread>

using namespace companiontest;
using vantrel::ComPtr;

namespace {

struct ToolRun {
    DWORD code;
    std::string output;  // standard output and error
};

ToolRun Tool(const std::vector<std::wstring>& arguments, const std::string& input = "") {
    ChildProcess child(ToolCommand(arguments), input);
    EXPECT_TRUE(child.Started()) << "vantrel-credentials.exe did not start";
    const DWORD code = child.Finish();
    return {code, child.Output()};
}

class CompanionTool : public ::testing::Test {
protected:
    ComApartment apartment_;
    ScratchFolder folder_;
    CompanionModule module_;
    ComPtr<ICredentialStore> store_ = module_.Store();

    void SetUp() override { ASSERT_TRUE(store_); }
};

TEST_F(CompanionTool, WhatTheToolAddsIsFoundHere) {
    // UTF-8 on the pipe, ended as a Windows console would end it.
    const ToolRun run = Tool({L"add", L"Lab:Server1.corp", L"sam", L"CORP\\admin"}, Utf8(L"p\u00E4ss w\u00F6rd") + "\r\n");
    EXPECT_EQ(0u, run.code) << run.output;
    EXPECT_EQ(std::string::npos, run.output.find("w\xC3\xB6rd"));

    const Found found = Lookup(store_.Get(), L"lab:server1.CORP");
    EXPECT_EQ(S_OK, found.hr);
    EXPECT_EQ(2, found.format);
    EXPECT_EQ(L"CORP\\admin", found.user);
    EXPECT_EQ(L"p\u00E4ss w\u00F6rd", found.password);

    // Only the first line is the password; a number names the format too.
    EXPECT_EQ(0u, Tool({L"add", L"server2", L"8", L"admin@corp", L"--password-stdin"}, "one\nsecond line\n").code);
    const Found second = Lookup(store_.Get(), L"server2");
    EXPECT_EQ(8, second.format);
    EXPECT_EQ(L"one", second.password);
}

TEST_F(CompanionTool, WhatIsAddedHereTheToolShowsListsWithoutPasswordsAndRemoves) {
    ASSERT_EQ(S_OK, Add(store_.Get(), L"b.corp", 2, L"CORP\\bee", L"Bee-Secret-1"));
    ASSERT_EQ(S_OK, Add(store_.Get(), L"A.corp", 8, L"ay@corp", L"Ay-Secret-2"));

    const ToolRun list = Tool({L"list"});
    EXPECT_EQ(0u, list.code);
    EXPECT_EQ("A.corp\t8\tay@corp\r\nb.corp\t2\tCORP\\bee\r\n", list.output);

    const ToolRun show = Tool({L"show", L"B.CORP"});
    EXPECT_EQ(0u, show.code) << show.output;
    EXPECT_NE(std::string::npos, show.output.find("\t2\tCORP\\bee"));
    for (const ToolRun& run : {list, show})
        for (const char* secret : {"Bee-Secret-1", "Ay-Secret-2"}) EXPECT_EQ(std::string::npos, run.output.find(secret));

    const ToolRun missing = Tool({L"show", L"c.corp"});
    EXPECT_EQ(3u, missing.code);
    EXPECT_NE(std::string::npos, missing.output.find("no credentials are stored for c.corp"));

    // Remove takes the entry away, and says when there was none.
    EXPECT_EQ(0u, Tool({L"remove", L"B.CORP"}).code);
    EXPECT_EQ(S_FALSE, Lookup(store_.Get(), L"b.corp").hr);
    EXPECT_EQ(3u, Tool({L"remove", L"b.corp"}).code);
}

TEST_F(CompanionTool, BadUsageIsExplainedAndChangesNothing) {
    const std::vector<std::vector<std::wstring>> wrong = {
        {},
        {L"frobnicate"},
        {L"add", L"server1", L"2"},
        {L"add", L"server1", L"domain", L"CORP\\admin"},
        {L"add", L"server1", L"-1", L"CORP\\admin"},
        {L"add", L"", L"2", L"CORP\\admin"},
        {L"add", L"server1", L"2", L"CORP\\admin", L"--password=pw"},
        {L"list", L"extra"},
        {L"remove"},
    };
    for (const auto& arguments : wrong) {
        const ToolRun run = Tool(arguments, "pw\n");
        EXPECT_EQ(2u, run.code) << ToolCommand(arguments).c_str();
        EXPECT_NE(std::string::npos, run.output.find("Usage:"));
    }
    EXPECT_TRUE(folder_.Files().empty());
    EXPECT_EQ(0u, Tool({L"help"}).code);
}

TEST_F(CompanionTool, FailuresSayWhatFailedAndWhy) {
    // No password at all (standard input closed at once) stores nothing.
    const ToolRun silent = Tool({L"add", L"server1", L"2", L"CORP\\admin"});
    EXPECT_EQ(1u, silent.code);
    EXPECT_NE(std::string::npos, silent.output.find("No password"));
    EXPECT_EQ(S_FALSE, Lookup(store_.Get(), L"server1").hr);

    const std::vector<BYTE> damaged = {'n', 'o', 't', ' ', 'a', ' ', 's', 't', 'o', 'r', 'e'};
    WriteBytes(folder_.CredentialsFile(), damaged);
    const ToolRun list = Tool({L"list"});
    EXPECT_EQ(1u, list.code);
    EXPECT_NE(std::string::npos, list.output.find("could not list the credentials"));
    EXPECT_NE(std::string::npos, list.output.find("0x8007000D"));
    EXPECT_EQ(1u, Tool({L"add", L"server1", L"2", L"CORP\\admin"}, "pw\n").code);
    EXPECT_EQ(damaged, ReadBytes(folder_.CredentialsFile()));
}

TEST_F(CompanionTool, WritersInSeveralProcessesAndThreadsLoseNothing) {
    constexpr int kProcesses = 6;
    constexpr int kThreads = 4;
    constexpr int kEach = 8;
    // Children first: they take a while to start, and then run alongside.
    std::vector<std::unique_ptr<ChildProcess>> children;
    for (int p = 0; p < kProcesses; ++p) {
        const std::wstring name = L"p" + std::to_wstring(p);
        children.push_back(std::make_unique<ChildProcess>(
            ToolCommand({L"add", name + L".corp", L"2", L"CORP\\" + name}), Utf8(L"pw-" + name) + "\n"));
    }
    ComPtr<ICredentialStore> shared = module_.Store();
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&, t] {
            ComApartment mta(COINIT_MULTITHREADED);
            // Some threads share one object, the others create their own.
            ComPtr<ICredentialStore> store = t % 2 ? shared : module_.Store();
            for (int i = 0; i < kEach; ++i) {
                const std::wstring name = L"t" + std::to_wstring(t) + L"-" + std::to_wstring(i);
                EXPECT_EQ(S_OK, Add(store.Get(), name + L".corp", 2, L"CORP\\" + name, L"pw-" + name));
            }
        });
    for (auto& thread : threads) thread.join();
    for (auto& child : children) EXPECT_EQ(0u, child->Finish()) << child->Output();

    long count = 0;
    ASSERT_EQ(S_OK, store_->GetCount(&count));
    EXPECT_EQ(kProcesses + kThreads * kEach, count);
    std::vector<std::wstring> names;
    for (int p = 0; p < kProcesses; ++p) names.push_back(L"p" + std::to_wstring(p));
    for (int t = 0; t < kThreads; ++t)
        for (int i = 0; i < kEach; ++i) names.push_back(L"t" + std::to_wstring(t) + L"-" + std::to_wstring(i));
    for (const std::wstring& name : names)
        EXPECT_EQ(L"pw-" + name, Lookup(store_.Get(), name + L".corp").password) << name.c_str();
}

}  // namespace
