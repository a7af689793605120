// The stored command line of "Run a File" recovery actions.
#include "services/RecoveryCommand.h"

#include <gtest/gtest.h>

using namespace vantrel;

namespace {

std::wstring Compose(const wchar_t* file, const wchar_t* parameters, bool fail) {
    std::wstring command = L"<unchanged>";
    ComposeRecoveryCommand(RecoveryCommand{file, parameters, fail}, command);
    return command;
}

TEST(RecoveryCommandLine, ComposesQuotedFileParametersAndFailCount) {
    EXPECT_EQ(L"\"C:\\tools\\notify.exe\" -q /fail=%1%", Compose(L"C:\\tools\\notify.exe", L"-q", true));
    EXPECT_EQ(L"\"C:\\a.exe\" /fail=%1%", Compose(L"C:\\a.exe", L"", true));
    EXPECT_EQ(L"\"C:\\a.exe\" -x -y", Compose(L"C:\\a.exe", L"-x -y", false));
    EXPECT_EQ(L"\"C:\\a.exe\"", Compose(L"C:\\a.exe", L"", false));
    std::wstring command = L"<unchanged>";
    EXPECT_FALSE(ComposeRecoveryCommand(RecoveryCommand{L"", L"-q", true}, command));
    EXPECT_EQ(L"<unchanged>", command);
}

void ExpectParts(const wchar_t* command, const wchar_t* file, const wchar_t* parameters, bool fail) {
    const RecoveryCommand parts = ParseRecoveryCommand(command);
    EXPECT_EQ(file, parts.file) << command;
    EXPECT_EQ(parameters, parts.parameters) << command;
    EXPECT_EQ(fail, parts.appendFailCount) << command;
}

TEST(RecoveryCommandLine, ParsesWhatItComposes) {
    ExpectParts(L"\"C:\\a.exe\" /fail=%1%", L"C:\\a.exe", L"", true);
    ExpectParts(L"\"C:\\tools\\notify.exe\" -q /fail=%1%", L"C:\\tools\\notify.exe", L"-q", true);
    ExpectParts(L"\"C:\\a.exe\" -x -y", L"C:\\a.exe", L"-x -y", false);
    ExpectParts(L"\"C:\\a.exe\"", L"C:\\a.exe", L"", false);
    ExpectParts(L"", L"", L"", false);
}

TEST(RecoveryCommandLine, ParsesStoredCommandsByPosition) {
    // No closing quote: nothing is filled in.
    ExpectParts(L"\"C:\\a.exe -q /fail=%1%", L"", L"", false);
    // The first character is skipped whatever it is; one character after the
    // closing quote is skipped as the separator.
    ExpectParts(L"C:\\a.exe\" -q", L":\\a.exe", L"-q", false);
    ExpectParts(L"\"a.exe\"-q", L"a.exe", L"q", false);
    // The fail count anywhere in the rest is found; the character before it goes.
    ExpectParts(L"\"a.exe\" -q/fail=%1% -z", L"a.exe", L"-", true);
}

}  // namespace
