// The Manage Services Wizard's decisions without windows: the log-on checks
// and changed flag, the startup mask, the summary paragraphs and the result
// lines. The pages' enabling rules and messages are checked through the
// wizard itself.
#include "common/ErrorText.h"
#include "resources/SvcWizardIds.h"
#include "wizards/services/ServiceOptionPages.h"
#include "wizards/services/ServiceOptions.h"

#include <gtest/gtest.h>

namespace vantrel {
namespace {

TEST(LogOnChecks, RewriteThenAccountThenPasswords) {
    struct Case {
        LogOnChoice choice;
        const wchar_t* account;
        const wchar_t* password;
        const wchar_t* confirm;
        LogOnVerdict verdict;
        const wchar_t* accountAfter;
    };
    const Case cases[] = {
        {LogOnChoice::None, L"", L"", L"x", LogOnVerdict::Accept, L""},
        {LogOnChoice::LocalSystem, L"nobody", L"a", L"b", LogOnVerdict::Accept, L"nobody"},
        {LogOnChoice::ThisAccount, L"", L"", L"", LogOnVerdict::NeedAccount, L""},
        {LogOnChoice::ThisAccount, L"ann", L"pw", L"pw", LogOnVerdict::NeedDomain, L"ann"},
        // the domain check comes before the passwords
        {LogOnChoice::ThisAccount, L"ann", L"pw", L"other", LogOnVerdict::NeedDomain, L"ann"},
        {LogOnChoice::ThisAccount, L"LAB\\ann", L"pw", L"pW", LogOnVerdict::PasswordMismatch, L"LAB\\ann"},
        {LogOnChoice::ThisAccount, L"LAB\\ann", L"pw", L"pw", LogOnVerdict::Accept, L"LAB\\ann"},
        {LogOnChoice::ThisAccount, L"\\\\FS01\\svc-backup", L"", L"", LogOnVerdict::Accept, L".\\svc-backup"},
        // the rewritten name keeps its backslash, so only the passwords can refuse it
        {LogOnChoice::ThisAccount, L"\\\\HOST\\a\\b", L"1", L"2", LogOnVerdict::PasswordMismatch, L".\\b"},
        {LogOnChoice::ThisAccount, L".\\local", L"", L"", LogOnVerdict::Accept, L".\\local"},
    };
    for (const Case& c : cases) {
        LogOnValues values{c.choice, false, c.account, c.password};
        EXPECT_EQ(c.verdict, CheckLogOn(values, c.confirm)) << c.account;
        EXPECT_EQ(c.accountAfter, values.account);
    }
}

TEST(LogOnChecks, ChangedFlagAgainstTheValuesFirstShown) {
    const LogOnValues shown{LogOnChoice::ThisAccount, false, L"LAB\\ann", L"pw"};
    struct Case {
        LogOnValues now;
        DWORD changed;
    };
    const Case cases[] = {
        {shown, 0},
        {{LogOnChoice::ThisAccount, false, L"lab\\ANN", L"pw"}, 0},  // the account without regard to case
        {{LogOnChoice::ThisAccount, false, L"LAB\\ann", L"PW"}, 1},  // the password exactly
        {{LogOnChoice::ThisAccount, false, L"LAB\\bob", L"pw"}, 1},
        {{LogOnChoice::LocalSystem, false, L"LAB\\ann", L"pw"}, 1},
        {{LogOnChoice::ThisAccount, true, L"LAB\\ann", L"pw"}, 1},
    };
    for (const Case& c : cases) {
        LogOnOptions options;
        options.entered = shown;
        StoreLogOn(options, c.now);
        EXPECT_EQ(c.changed, options.changed) << c.now.account;
        EXPECT_EQ(c.now.account, options.values.account);
    }
}

TEST(StartupChoices, MaskRebuiltFromTheBoxes) {
    struct Case {
        StartupValues now;
        StartupValues entered;
        DWORD mask;
    };
    const Case cases[] = {
        {{}, {}, 0},
        {{L"Manual", false, false, false}, {}, 1},
        {{L"manual", false, false, false}, {L"Manual", false, false, false}, 0},  // the same type in other case
        {{L"Disabled", false, false, false}, {L"Manual", false, false, false}, 1},
        {{L"", true, false, false}, {}, 4},
        {{L"", false, true, false}, {}, 2},
        {{L"", true, true, true}, {}, 2 | 4 | 8},
        {{L"Automatic", true, true, true}, {L"", true, true, true}, 1 | 2 | 4 | 8},  // entered boxes do not matter
    };
    for (const Case& c : cases) EXPECT_EQ(c.mask, StartupMask(c.now, c.entered)) << c.now.startType;
}

TEST(StartupChoices, StartTypeTexts) {
    EXPECT_EQ(2u, StartTypeForText(L"Automatic"));
    EXPECT_EQ(3u, StartTypeForText(L"MANUAL"));
    EXPECT_EQ(4u, StartTypeForText(L"disabled"));
    EXPECT_EQ(0u, StartTypeForText(L""));
    EXPECT_EQ(0u, StartTypeForText(L"Boot"));
}

ManageServicesOptions Options(LogOnValues logOn, DWORD changed, StartupValues startup) {
    ManageServicesOptions options;
    options.logOn.values = logOn;
    options.logOn.changed = changed;
    options.startup.values = startup;
    options.startup.mask = StartupMask(startup, {});
    return options;
}

TEST(ManageServicesSummaryText, CharacterForCharacter) {
    struct Case {
        ManageServicesOptions options;
        const wchar_t* text;
    };
    const Case cases[] = {
        {Options({}, 0, {}),
         L"\"Log on as\" changes to services:\r\n\tNo \"Log on as\" changes.\r\n\r\n"
         L"\"Startup\" changes to services:\r\n\tNo \"Startup\" changes.\r\n"},
        {Options({LogOnChoice::LocalSystem, true, L"", L""}, 1, {L"Manual", false, false, false}),
         L"\"Log on as\" changes to services:\r\n\tAccount name: Local System Account\r\n"
         L"\tAllow service to interact with desktop: yes\r\n"
         L"\"Startup\" changes to services:\r\n\tStartup type: Manual\r\n"},
        {Options({LogOnChoice::LocalSystem, false, L"", L""}, 1, {L"", true, false, false}),
         L"\"Log on as\" changes to services:\r\n\tAccount name: Local System Account\r\n"
         L"\tAllow service to interact with desktop: no\r\n"
         L"\"Startup\" changes to services:\r\n\tStop service: yes \r\n"},
        {Options({LogOnChoice::ThisAccount, false, L"LAB\\svc", L"pw"}, 1, {L"Automatic", true, true, true}),
         L"\"Log on as\" changes to services:\r\n\tAccount name: LAB\\svc\r\n"
         L"\"Startup\" changes to services:\r\n\tStartup type: Automatic\r\n\tStop service: yes \r\n"
         L"\tStart service: yes \r\n\tApply control operation to dependent services: yes \r\n"},
        // a choice that changed nothing is no change
        {Options({LogOnChoice::ThisAccount, false, L"LAB\\svc", L"pw"}, 0, {L"", false, true, false}),
         L"\"Log on as\" changes to services:\r\n\tNo \"Log on as\" changes.\r\n\r\n"
         L"\"Startup\" changes to services:\r\n\tStart service: yes \r\n"},
    };
    for (const Case& c : cases) EXPECT_EQ(c.text, ManageServicesSummary(c.options));
}

TEST(ManageServicesSummaryText, NoAnswersOfTheMaskBits) {
    // Bits whose box is clear (a mask kept from an earlier pass) answer "no";
    // the dependents line then ends without a line break.
    ManageServicesOptions options = Options({}, 0, {L"", false, true, false});
    options.startup.mask = 2 | 4 | 8;
    EXPECT_EQ(L"\"Log on as\" changes to services:\r\n\tNo \"Log on as\" changes.\r\n\r\n"
              L"\"Startup\" changes to services:\r\n\tStop service: no \r\n\tStart service: yes \r\n"
              L"\tApply control operation to dependent services: no",
              ManageServicesSummary(options));
}

TEST(ManageServicesLines, FailureAndSuccessTexts) {
    EXPECT_EQ(L"Succeeded: all modifications for Spooler.", ServiceSuccessLine(L"Spooler"));
    // The platform's text of the code follows (Wine's differs from Windows').
    const HRESULT missing = HRESULT_FROM_WIN32(ERROR_SERVICE_DOES_NOT_EXIST);
    EXPECT_EQ(L"Failed: \"Stop service\" for Spooler. [0x80070424]: " + ErrorTextLine(static_cast<DWORD>(missing)),
              ServiceFailureLine(L"Stop service", L"Spooler", false, missing));
    const HRESULT disabled = HRESULT_FROM_WIN32(ERROR_SERVICE_DISABLED);
    EXPECT_EQ(L"Failed: \"Start service\" for Spooler or one of it dependent services failed. [0x80070422]: " +
                  ErrorTextLine(static_cast<DWORD>(disabled)),
              ServiceFailureLine(L"Start service", L"Spooler", true, disabled));
    EXPECT_FALSE(ErrorTextLine(static_cast<DWORD>(disabled)).empty());
}

TEST(ManageServicesLines, CutAt4095Characters) {
    const std::wstring name(5000, L'n');
    const std::wstring line = ServiceSuccessLine(name);
    EXPECT_EQ(4095u, line.size());
    EXPECT_EQ(L"Succeeded: all modifications for nnn", line.substr(0, 36));
    EXPECT_EQ(std::wstring(4095 - 33, L'n'), line.substr(33));
    EXPECT_EQ(L"Cancelled: WS1", FormatResultLine(L"Cancelled: %ls", L"WS1"));
}

}  // namespace
}  // namespace vantrel
