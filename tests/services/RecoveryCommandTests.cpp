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

void ExpectParts(const wchar_t* command, const wchar_t* file, const wchar_t* parameters, bool fail) {
    const RecoveryCommand parts = ParseRecoveryCommand(command);
    EXPECT_EQ(file, parts.file) << command;
    EXPECT_EQ(parameters, parts.parameters) << command;
    EXPECT_EQ(fail, parts.appendFailCount) << command;
}

TEST(RecoveryCommandLine, ComposesQuotedFileParametersAndFailCountAndParsesThemBack) {
    const struct { const wchar_t* file; const wchar_t* parameters; bool fail; const wchar_t* command; } cases[] = {
        {L"C:\\tools\\notify.exe", L"-q", true, L"\"C:\\tools\\notify.exe\" -q /fail=%1%"},
        {L"C:\\a.exe", L"", true, L"\"C:\\a.exe\" /fail=%1%"},
        {L"C:\\a.exe", L"-x -y", false, L"\"C:\\a.exe\" -x -y"},
        {L"C:\\a.exe", L"", false, L"\"C:\\a.exe\""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.command, Compose(c.file, c.parameters, c.fail));
        ExpectParts(c.command, c.file, c.parameters, c.fail);
    }
    ExpectParts(L"", L"", L"", false);
    std::wstring command = L"<unchanged>";
    EXPECT_FALSE(ComposeRecoveryCommand(RecoveryCommand{L"", L"-q", true}, command));
    EXPECT_EQ(L"<unchanged>", command);
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
