// Scenario files: what a valid one gives, and how an invalid one is reported.
#include "LabTest.h"

#include <windows.h>

#include <vector>

namespace {

using labtest::LabTest;
using labtest::NetBuffer;
using labtest::Reached;
using labtest::ServerInfo;

// Lines 1-5 are fixed, so the computers given start on line 6.
std::string Scenario(const std::string& computers) {
    return "{\n"
           "  \"domain\": {\"name\": \"CORP\"},\n"
           "  \"interactiveUser\": \"CORP\\\\ann\",\n"
           "  \"accounts\": [{\"name\": \"CORP\\\\ann\", \"password\": \"pw\"},"
           " {\"name\": \"CORP\\\\bob\", \"password\": \"pw\", \"groups\": [\"CORP\\\\Domain Admins\"]}],\n"
           "  \"computers\": [\n" +
           computers + "  ]\n}\n";
}

class LabScenario : public LabTest {};

void WriteText(const std::wstring& path, const std::string& text) {
    const HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    DWORD written = 0;
    ::WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    ::CloseHandle(file);
    ASSERT_EQ(text.size(), written);
}

struct BadCase {
    const char* what;
    std::string text;
    const wchar_t* message;
};

void ExpectRejected(const std::vector<BadCase>& cases) {
    for (const BadCase& c : cases) {
        SCOPED_TRACE(c.what);
        std::wstring error;
        EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_DATA), lab::LoadScenarioText(c.text, &error, L"t.json"));
        EXPECT_EQ(std::wstring(c.message), error);
    }
}

TEST_F(LabScenario, OmittedFieldsTakeTheirDefaults) {
    ASSERT_EQ(0u, lab::LoadScenarioText(Scenario("    {\"name\": \"alpha\"}, {\"name\": \"beta\"}\n")));
    EXPECT_EQ(L"ALPHA", lab::LocalComputerName());  // the first one, when none is marked local
    EXPECT_EQ(L"BETA", Reached(L"beta.corp.local"));

    NetBuffer info;
    ASSERT_EQ(0u, ServerInfo(L"beta", 101, info));
    const auto& si = info.As<SERVER_INFO_101>();
    EXPECT_EQ(500u, si.sv101_platform_id);
    EXPECT_EQ(10u, si.sv101_version_major);
    EXPECT_EQ(static_cast<DWORD>(SV_TYPE_WORKSTATION | SV_TYPE_SERVER | SV_TYPE_NT), si.sv101_type);

    // Administrators default to the domain's Domain Admins.
    EXPECT_FALSE(LabMayAdminister(L"beta"));
    lab::ScopedIdentity bob(L"CORP\\bob");
    EXPECT_TRUE(LabMayAdminister(L"beta"));
}

TEST_F(LabScenario, ComputerErrorsNameLineAndField) {
    ExpectRejected({
        {"wrong type", Scenario("    {\"name\": \"A\"},\n    {\"name\": \"B\",\n"
                                "     \"os\": {\"major\": 10, \"minor\": 0, \"build\": \"x\"}}\n"),
         L"t.json:8: computers[1].os.build: expected a number"},
        {"unknown field", Scenario("    {\"name\": \"A\",\n     \"colour\": \"red\"}\n"),
         L"t.json:7: computers[0].colour: unknown field"},
        {"duplicate field", Scenario("    {\"name\": \"A\",\n     \"name\": \"B\"}\n"),
         L"t.json:7: computers[0].name: duplicate field (first given on line 6)"},
        {"missing field", Scenario("    {\"comment\": \"no name\"}\n"),
         L"t.json:6: computers[0].name: required field is missing"},
        {"out of range", Scenario("    {\"name\": \"A\", \"os\": {\"major\": 16, \"minor\": 0, \"build\": 1}}\n"),
         L"t.json:6: computers[0].os.major: expected a whole number from 0 to 15"},
        {"fraction", Scenario("    {\"name\": \"A\", \"latencyMs\": 1.5}\n"),
         L"t.json:6: computers[0].latencyMs: expected a whole number from 0 to 600000"},
        {"role", Scenario("    {\"name\": \"A\",\n \"os\": {\"major\": 6, \"minor\": 1, \"build\": 1, \"role\": \"dc\"}}\n"),
         L"t.json:7: computers[0].os.role: expected \"workstation\", \"server\" or \"domainController\""},
        {"server type", Scenario("    {\"name\": \"A\", \"os\": {\"major\": 6, \"minor\": 1, \"build\": 1, "
                                 "\"serverType\": \"0x12G4\"}}\n"),
         L"t.json:6: computers[0].os.serverType: expected a number or a hex string like \"0x00009003\""},
        {"list item", Scenario("    {\"name\": \"A\",\n     \"administrators\": [\"CORP\\\\ann\", 5]}\n"),
         L"t.json:7: computers[0].administrators[1]: expected a string"},
        {"object expected", Scenario("    {\"name\": \"A\", \"os\": 5}\n"),
         L"t.json:6: computers[0].os: expected an object"},
        {"address", Scenario("    {\"name\": \"A\", \"ip\": \"10.0.0.256\"}\n"),
         L"t.json:6: computers[0].ip: expected an IPv4 address like 10.0.0.5"},
        {"bad name", Scenario("    {\"name\": \"TOO-LONG-FOR-NETBIOS\"}\n"),
         L"t.json:6: computers[0].name: expected a computer name of 1 to 15 characters without spaces or "
         L"\\/:*?\"<>|.,;=+[]"},
    });
}

TEST_F(LabScenario, NamesAreUniqueAcrossNameDnsNameAndAddress) {
    ExpectRejected({
        {"same name", Scenario("    {\"name\": \"A\"},\n    {\"name\": \"a\"}\n"),
         L"t.json:7: computers[1].name: \"A\" is already used by computers[0]"},
        {"dns name of another", Scenario("    {\"name\": \"A\"},\n    {\"name\": \"B\", \"dnsName\": \"A.corp.local\"}\n"),
         L"t.json:7: computers[1].dnsName: \"a.corp.local\" is already used by computers[0]"},
        {"same address", Scenario("    {\"name\": \"A\", \"ip\": \"10.1.1.1\"},\n"
                                  "    {\"name\": \"B\",\n     \"ip\": \"10.1.1.1\"}\n"),
         L"t.json:8: computers[1].ip: \"10.1.1.1\" is already used by computers[0]"},
        {"two local", Scenario("    {\"name\": \"A\", \"local\": true},\n    {\"name\": \"B\", \"local\": true}\n"),
         L"t.json:7: computers[1].local: only one computer can be local (computers[0] is)"},
    });
}

TEST_F(LabScenario, DocumentErrorsNameLineAndField) {
    ExpectRejected({
        {"trailing comma", Scenario("    {\"name\": \"A\",}\n"),
         L"t.json:6: syntax error: expected a field name in double quotes"},
        {"unterminated", "{\n  \"domain\": {\"name\": \"CORP\"\n",
         L"t.json:3: syntax error: expected ',' or '}'"},
        {"bad escape", "{\n  \"interactiveUser\": \"CORP\\ann\"\n}\n",
         L"t.json:2: syntax error: unknown escape '\\a' (a backslash is written \\\\)"},
        {"not an object", "[1, 2]", L"t.json:1: expected an object"},
        {"missing domain", "{\n \"interactiveUser\": \"x\"\n}", L"t.json:1: domain: required field is missing"},
        {"unknown user",
         "{\n\"domain\": {\"name\": \"CORP\"},\n\"interactiveUser\": \"CORP\\\\zed\",\n"
         "\"accounts\": [{\"name\": \"CORP\\\\ann\", \"password\": \"\"}],\n\"computers\": [{\"name\": \"A\"}]\n}",
         L"t.json:3: interactiveUser: no account named \"CORP\\zed\" in accounts"},
        {"account name",
         "{\n\"domain\": {\"name\": \"CORP\"},\n\"interactiveUser\": \"ann\",\n"
         "\"accounts\": [{\"name\": \"ann\", \"password\": \"\"}],\n\"computers\": [{\"name\": \"A\"}]\n}",
         L"t.json:4: accounts[0].name: expected DOMAIN\\user"},
        {"no computers",
         "{\n\"domain\": {\"name\": \"CORP\"},\n\"interactiveUser\": \"CORP\\\\ann\",\n"
         "\"accounts\": [{\"name\": \"CORP\\\\ann\", \"password\": \"\"}],\n\"computers\": []\n}",
         L"t.json:5: computers: a network needs at least one computer"},
    });
}

TEST_F(LabScenario, FilesAreNamedInTheirErrors) {
    wchar_t dir[MAX_PATH];
    ASSERT_NE(0u, ::GetTempPathW(MAX_PATH, dir));
    const std::wstring path = std::wstring(dir) + L"lab-scenario-" + std::to_wstring(::GetCurrentProcessId()) + L".json";

    std::wstring error;
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), lab::LoadScenarioFile(path, &error));
    EXPECT_EQ(path + L": cannot read the file (error 2)", error);

    const std::string bad = Scenario("    {\"name\": \"A\",\n     \"online\": \"yes\"}\n");
    WriteText(path, bad);
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_DATA), lab::LoadScenarioFile(path, &error));
    EXPECT_EQ(path + L":7: computers[0].online: expected true or false", error);
    // A refused scenario leaves the network as it was.
    EXPECT_EQ(7u, LabComputerCount());
    EXPECT_EQ(L"FS01", Reached(L"FS01"));

    WriteText(path, Scenario("    {\"name\": \"A\"}\n"));
    EXPECT_EQ(0u, lab::LoadScenarioFile(path, &error));
    EXPECT_EQ(L"A", lab::LocalComputerName());
    ::DeleteFileW(path.c_str());
}

TEST_F(LabScenario, GeneratedNetworksAreLargeAndRepeatable) {
    ASSERT_EQ(0u, LabGenerateNetwork(3000, 7));
    EXPECT_EQ(3000u, LabComputerCount());
    EXPECT_EQ(L"ADMIN01", lab::LocalComputerName());

    auto offline = [] {
        std::vector<DWORD> result;
        for (DWORD i = 0; i < LabComputerCount(); ++i) {
            const std::wstring name = lab::ComputerName(i);
            if (ServerInfo(name.c_str(), 100) == ERROR_BAD_NETPATH) result.push_back(i);
        }
        return result;
    };
    const std::vector<DWORD> first = offline();
    EXPECT_FALSE(first.empty());
    EXPECT_LT(first.size(), 3000u / 5);
    ASSERT_EQ(0u, LabGenerateNetwork(3000, 7));
    EXPECT_EQ(first, offline());
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), LabGenerateNetwork(0, 7));
}

TEST_F(LabScenario, ShapedNetworksHaveTheirSharesOfOfflineSlowAndHangingComputers) {
    ASSERT_EQ(0u, LabGenerateNetwork(101, 3));
    ASSERT_EQ(0u, LabShapeNetwork(3, 10, 20, 100, 5, 400));
    size_t offline = 0, slow = 0, hanging = 0, quick = 0;
    std::vector<std::wstring> offlineNames;
    for (DWORD i = 0; i < LabComputerCount(); ++i) {
        const std::wstring name = lab::ComputerName(i);
        const ULONGLONG start = ::GetTickCount64();
        const DWORD answer = ServerInfo(name.c_str(), 100);
        const ULONGLONG took = ::GetTickCount64() - start;
        if (answer == ERROR_BAD_NETPATH) {
            ++offline;
            offlineNames.push_back(name);
        } else if (took >= 300) {
            ++hanging;
        } else if (took >= 60) {
            ++slow;
        } else {
            ++quick;
        }
    }
    // Of the 100 computers besides the local one: 10 offline, 5 hanging,
    // 20 slow, the rest (and the local one) answering at once.
    EXPECT_EQ(10u, offline);
    EXPECT_EQ(5u, hanging);
    EXPECT_EQ(20u, slow);
    EXPECT_EQ(66u, quick);
    // The same seed shapes the same computers.
    LabClearRules();
    ASSERT_EQ(0u, LabShapeNetwork(3, 10, 0, 0, 0, 0));
    for (const std::wstring& name : offlineNames) EXPECT_EQ(static_cast<DWORD>(ERROR_BAD_NETPATH), ServerInfo(name.c_str(), 100));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), LabShapeNetwork(3, 60, 30, 1, 20, 1));
}

}  // namespace
