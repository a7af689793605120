// Error texts against the real message tables of the platform the tests run
// on (Wine), plus a stand-in network-message table to exercise the module path.
#include "common/ErrorText.h"
#include "common/Handles.h"
#include "tests/support/WindowDriver.h"

#include <gtest/gtest.h>

#include <string>

using namespace vantrel;

namespace {

std::wstring SystemText(DWORD id) {
    wchar_t* raw = nullptr;
    const DWORD n = ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                     nullptr, id, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<wchar_t*>(&raw), 0, nullptr);
    UniqueLocal owner(raw);
    return n ? std::wstring(raw, n) : std::wstring();
}

std::wstring Format(DWORD code, bool cut, DWORD* result) {
    UniqueBstr text;
    *result = FormatErrorText(code, text.Put(), cut);
    return text ? std::wstring(text.Get(), ::SysStringLen(text.Get())) : std::wstring(L"<none>");
}

}  // namespace

TEST(ErrorTextTable, SelectsTheTableThatExplainsTheCode) {
    EXPECT_EQ(MessageTable::ActiveDs, MessageTableFor(0x80005000));  // facility 0, 0x5000 range
    EXPECT_EQ(MessageTable::ActiveDs, MessageTableFor(0x00005012));
    EXPECT_EQ(MessageTable::System, MessageTableFor(0x80004005));    // facility 0, not 0x5000
    EXPECT_EQ(MessageTable::System, MessageTableFor(5));
    EXPECT_EQ(MessageTable::System, MessageTableFor(2118));          // a bare network error is facility 0
    EXPECT_EQ(MessageTable::None, MessageTableFor(0x80040200));      // interface-defined
    EXPECT_EQ(MessageTable::NetMsg, MessageTableFor(0x80070846));
    EXPECT_EQ(MessageTable::NetMsg, MessageTableFor(0x80070835));    // 2101, first
    EXPECT_EQ(MessageTable::NetMsg, MessageTableFor(0x80070BB6));    // 2998, last
    EXPECT_EQ(MessageTable::System, MessageTableFor(0x80070834));    // 2100
    EXPECT_EQ(MessageTable::System, MessageTableFor(0x80070BB7));    // 2999
    EXPECT_EQ(MessageTable::NetMsg, MessageTableFor(0x80080846));    // facility 8
    EXPECT_EQ(MessageTable::NetMsg, MessageTableFor(0x80180846));    // facility 24
    EXPECT_EQ(MessageTable::System, MessageTableFor(0x80090846));    // facility 9
    EXPECT_EQ(MessageTable::System, MessageTableFor(0x80070005));
}

TEST(ErrorTextFormat, PlatformErrorsComeFromTheSystemTableAndCutTheirLineBreak) {
    DWORD result = 99;
    const std::wstring full = Format(0x80070005, false, &result);
    ASSERT_EQ(0u, result);
    EXPECT_EQ(SystemText(5), full);
    EXPECT_EQ(L"Access denied.\r\n", full);  // Wine's text

    const std::wstring cut = Format(0x80070005, true, &result);
    ASSERT_EQ(0u, result);
    EXPECT_EQ(std::wstring::npos, cut.find(L'\r'));
    EXPECT_EQ(full.substr(0, full.find(L'\r')), cut);

    // A plain platform error works alike.
    const std::wstring text = Format(ERROR_FILE_NOT_FOUND, false, &result);
    ASSERT_EQ(0u, result);
    EXPECT_EQ(SystemText(ERROR_FILE_NOT_FOUND), text);
}

TEST(ErrorTextFormat, RefusesNullOutInterfaceAndUnknownCodesWithoutWritingText) {
    EXPECT_EQ(static_cast<DWORD>(E_POINTER), FormatErrorText(5, nullptr, false));
    BSTR untouched = reinterpret_cast<BSTR>(0x1234);
    EXPECT_EQ(1812u, FormatErrorText(0x80040200, &untouched, false));
    EXPECT_EQ(reinterpret_cast<BSTR>(0x1234), untouched);
    EXPECT_EQ(static_cast<DWORD>(ERROR_MR_MID_NOT_FOUND), FormatErrorText(0x8007FFF0, &untouched, true));
    EXPECT_EQ(reinterpret_cast<BSTR>(0x1234), untouched);
}

// Facts of Wine 8's tables, which the texts shown under Wine follow from.
// netmsg.dll does not exist, so the system table answers network codes, and
// it has no text for them either.
TEST(ErrorTextWine, NetworkCodeWithoutNetmsgIsNotFound) {
    ASSERT_EQ(nullptr, ::LoadLibraryW(L"netmsg.dll"));
    EXPECT_TRUE(SystemText(0x80070846).empty());
    DWORD result = 0;
    EXPECT_EQ(L"<none>", Format(0x80070846, false, &result));
    EXPECT_EQ(static_cast<DWORD>(ERROR_MR_MID_NOT_FOUND), result);
    EXPECT_EQ(L"Error 0x80070846 occurred\r\nCould not close the session.",
              ComposeErrorMessage(0x80070846, L"Could not close the session."));
}

// ActiveDS.dll loads but has no message table at all: formatting from it fails
// with 1813 rather than "message not found", so the system is not asked and
// 1813 is the result.
TEST(ErrorTextWine, DirectoryCodeFailsInActiveDsWithoutRetry) {
    DWORD result = 0;
    Format(0x80005000, false, &result);
    EXPECT_EQ(static_cast<DWORD>(ERROR_RESOURCE_TYPE_NOT_FOUND), result);
    EXPECT_EQ(L"Error 0x80005000 occurred", ComposeErrorMessage(0x80005000, nullptr));
}

class ErrorTextNetmsgFixture : public ::testing::Test {
protected:
    // Puts the stand-in netmsg.dll on the search path (bin/fixtures).
    void SetUp() override {
        wchar_t exe[MAX_PATH];
        ::GetModuleFileNameW(nullptr, exe, MAX_PATH);
        std::wstring dir(exe);
        dir = dir.substr(0, dir.find_last_of(L"\\/")) + L"\\fixtures";
        ASSERT_TRUE(::SetDllDirectoryW(dir.c_str()));
    }
    void TearDown() override { ::SetDllDirectoryW(nullptr); }
};

TEST_F(ErrorTextNetmsgFixture, NetworkCodeComesFromTheModuleThenTheSystem) {
    DWORD result = 99;
    EXPECT_EQ(L"Fixture: the server is not configured for transactions.\r\n", Format(0x80070846, false, &result));
    EXPECT_EQ(0u, result);
    EXPECT_EQ(L"Fixture: the server is not configured for transactions.", Format(0x80070846, true, &result));

    // Not in the module: the system table is asked next, and its miss is
    // reported as "not found".
    Format(0x80070847, false, &result);
    EXPECT_EQ(static_cast<DWORD>(ERROR_MR_MID_NOT_FOUND), result);
}

TEST(ErrorTextMessage, JoinsPlatformTextAndContextInThatOrder) {
    const std::wstring access = SystemText(0x80070005);
    EXPECT_EQ(access + L"\r\nThe service could not be stopped.", ComposeErrorMessage(0x80070005, L"The service could not be stopped."));
    EXPECT_EQ(access, ComposeErrorMessage(0x80070005, nullptr));
    EXPECT_EQ(L"Error 0x80040200 occurred\r\nCould not open.", ComposeErrorMessage(0x80040200, L"Could not open."));
    EXPECT_EQ(L"Error 0x8007FFF0 occurred", ComposeErrorMessage(0x8007FFF0, nullptr));
    EXPECT_EQ(L"Error 0x0000ABCD occurred", FallbackErrorText(0xABCD));
}

TEST(ErrorTextMessage, ShowsABoxWithTitleTextAndOwner) {
    testsupport::MessageBoxAnswerer answerer(::GetCurrentThreadId(), IDCANCEL);
    const int result = ShowErrorMessage(0x80040200, L"Error", L"Failed to create the Manage Services Wizard.", nullptr,
                                        MB_ICONERROR | MB_OKCANCEL);
    const auto boxes = answerer.Stop();
    EXPECT_EQ(IDCANCEL, result);
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ(L"Error", boxes[0].title);
    EXPECT_EQ(L"Error 0x80040200 occurred\r\nFailed to create the Manage Services Wizard.", boxes[0].text);
}

TEST(ErrorTextRecord, AppendsThePlatformTextOnlyWhenAsked) {
    const std::wstring access = SystemText(0x80070005);
    ASSERT_GE(access.size(), 3u);
    EXPECT_EQ(L"Connecting->" + access.substr(0, access.size() - 2), ErrorRecord(L"Connecting", 0x80070005, true).Text());
    EXPECT_EQ(0x80070005, ErrorRecord(L"Connecting", 0x80070005, true).Code());
    EXPECT_EQ(L"Connecting", ErrorRecord(L"Connecting", 0x80070005, false).Text());
    EXPECT_EQ(L"Connecting", ErrorRecord(L"Connecting", E_FAIL, true).Text());
    EXPECT_EQ(L"Connecting", ErrorRecord(L"Connecting", S_OK, true).Text());
    EXPECT_EQ(L"Connecting-> error code was: 0x8004dead", ErrorRecord(L"Connecting", static_cast<HRESULT>(0x8004DEAD), true).Text());
}
