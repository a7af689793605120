// NetServerGetInfo and NetWkstaGetInfo as Windows answers them.
#include "LabTest.h"

namespace {

using labtest::LabTest;
using labtest::NetBuffer;
using labtest::ServerInfo;

class LabNetServer : public LabTest {};

// The strings must live in the one block NetApiBufferFree releases.
template <typename T>
void ExpectInside(const NetBuffer& buffer, const wchar_t* text) {
    const auto* begin = buffer.Get() + sizeof(T);
    const auto* at = reinterpret_cast<const BYTE*>(text);
    EXPECT_GE(at, begin);
    EXPECT_LT(at, begin + 512);
}

TEST_F(LabNetServer, Level101DescribesTheComputer) {
    NetBuffer out;
    ASSERT_EQ(0u, ServerInfo(L"\\\\FS01", 101, out));
    const auto& info = out.As<SERVER_INFO_101>();
    EXPECT_EQ(static_cast<DWORD>(PLATFORM_ID_NT), info.sv101_platform_id);
    EXPECT_STREQ(L"FS01", info.sv101_name);
    EXPECT_EQ(10u, info.sv101_version_major & MAJOR_VERSION_MASK);
    EXPECT_EQ(0u, info.sv101_version_minor);
    EXPECT_EQ(static_cast<DWORD>(SV_TYPE_WORKSTATION | SV_TYPE_SERVER | SV_TYPE_NT | SV_TYPE_SERVER_NT),
              info.sv101_type);
    EXPECT_STREQ(L"File server", info.sv101_comment);
    ExpectInside<SERVER_INFO_101>(out, info.sv101_name);
    ExpectInside<SERVER_INFO_101>(out, info.sv101_comment);
}

TEST_F(LabNetServer, ServerLevels100And102AndWorkstationLevel100) {
    NetBuffer small, full;
    ASSERT_EQ(0u, ServerInfo(nullptr, 100, small));
    EXPECT_EQ(static_cast<DWORD>(PLATFORM_ID_NT), small.As<SERVER_INFO_100>().sv100_platform_id);
    EXPECT_STREQ(L"ADMIN01", small.As<SERVER_INFO_100>().sv100_name);

    ASSERT_EQ(0u, ServerInfo(nullptr, 102, full));
    const auto& info = full.As<SERVER_INFO_102>();
    EXPECT_STREQ(L"ADMIN01", info.sv102_name);
    EXPECT_STREQ(L"Administration workstation", info.sv102_comment);
    EXPECT_EQ(static_cast<DWORD>(SV_TYPE_WORKSTATION | SV_TYPE_SERVER | SV_TYPE_NT), info.sv102_type);
    EXPECT_EQ(static_cast<DWORD>(SV_VISIBLE), info.sv102_hidden);
    ASSERT_NE(nullptr, info.sv102_userpath);
    ExpectInside<SERVER_INFO_102>(full, info.sv102_userpath);

    NetBuffer wksta;
    ASSERT_EQ(0u, plat::NetWkstaGetInfo(const_cast<LMSTR>(L"dc01.lab.local"), 100, wksta.Put()));
    const auto& w = wksta.As<WKSTA_INFO_100>();
    EXPECT_EQ(static_cast<DWORD>(PLATFORM_ID_NT), w.wki100_platform_id);
    EXPECT_STREQ(L"DC01", w.wki100_computername);
    EXPECT_STREQ(L"LAB", w.wki100_langroup);
    EXPECT_EQ(10u, w.wki100_ver_major);
    ExpectInside<WKSTA_INFO_100>(wksta, w.wki100_langroup);
}

TEST_F(LabNetServer, OtherLevelsAndMissingOutputAreRejected) {
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_LEVEL), ServerInfo(L"FS01", 503));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_LEVEL), ServerInfo(L"FS01", 0));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), plat::NetServerGetInfo(nullptr, 101, nullptr));
    NetBuffer out;
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_LEVEL), plat::NetWkstaGetInfo(nullptr, 101, out.Put()));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), plat::NetWkstaGetInfo(nullptr, 100, nullptr));
    // Unreachable beats level and access.
    EXPECT_EQ(static_cast<DWORD>(ERROR_BAD_NETPATH), ServerInfo(L"LAPTOP07", 102));
    EXPECT_EQ(static_cast<DWORD>(ERROR_BAD_NETPATH), ServerInfo(L"LAPTOP07", 999));
}

TEST_F(LabNetServer, OlderSystemsReportTheirVersion) {
    ASSERT_EQ(0u, lab::LoadScenarioText(R"({
      "domain": {"name": "OLD"},
      "interactiveUser": "OLD\\root",
      "accounts": [{"name": "OLD\\root", "password": ""}],
      "computers": [{"name": "NT4", "domain": "WORKGROUP",
                     "os": {"major": 4, "minor": 0, "build": 1381, "platformId": 500, "serverType": "0x00008003"}}]
    })"));
    NetBuffer server, wksta;
    ASSERT_EQ(0u, ServerInfo(L"NT4", 101, server));
    EXPECT_EQ(4u, server.As<SERVER_INFO_101>().sv101_version_major);
    EXPECT_EQ(0x8003u, server.As<SERVER_INFO_101>().sv101_type);
    EXPECT_STREQ(L"", server.As<SERVER_INFO_101>().sv101_comment);
    ASSERT_EQ(0u, plat::NetWkstaGetInfo(nullptr, 100, wksta.Put()));
    EXPECT_STREQ(L"WORKGROUP", wksta.As<WKSTA_INFO_100>().wki100_langroup);
}

}  // namespace
