// The texts of the Manage Registry Entries Wizard: result file pieces, the
// summary paragraphs, the query status and the Registry Entry dialog's rules.
#include "wizards/registry/RegistryReport.h"

#include <gtest/gtest.h>

namespace vantrel {
namespace {

RegistryEntry KeyEntry(const wchar_t* key) {
    RegistryEntry e;
    e.key = key;
    return e;
}
RegistryEntry DwordEntry(const wchar_t* key, const wchar_t* name, RegAction action, DWORD number) {
    RegistryEntry e;
    e.key = key;
    e.valueName = name;
    e.type = RegEntryType::Dword;
    e.action = action;
    e.number = number;
    return e;
}
RegistryEntry StringEntry(const wchar_t* key, const wchar_t* name, RegAction action, const wchar_t* text) {
    RegistryEntry e;
    e.key = key;
    e.valueName = name;
    e.type = RegEntryType::String;
    e.action = action;
    e.text = text;
    return e;
}

std::wstring Joined(const std::vector<std::wstring>& pieces) {
    std::wstring all;
    for (const auto& p : pieces) all += p;
    return all;
}

TEST(RegistryReport, EntryLinesForEveryKindOfEntryAndAnswer) {
    const HRESULT notFound = HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
    const HRESULT denied = E_ACCESSDENIED;
    struct Case {
        const char* name;
        RegistryEntry entry;
        EntryAnswer answer;
        std::wstring expected;
    };
    const Case cases[] = {
        {"key exists", KeyEntry(L"HKLM\\SOFTWARE\\A"), {S_OK, true, L""},
         L"Test                : Existence of key\r\n"
         L"Entry type          : Key\r\n"
         L"Key                 : HKLM\\SOFTWARE\\A\r\n"
         L"Result              : The registry key exists.\r\n\r\n"},
        {"key missing", KeyEntry(L"HKLM\\SOFTWARE\\A"), {notFound, false, L""},
         L"Test                : Existence of key\r\n"
         L"Entry type          : Key\r\n"
         L"Key                 : HKLM\\SOFTWARE\\A\r\n"
         L"Result              : The registry key does not exist.\r\n\r\n"},
        {"value exists", DwordEntry(L"HKLM\\A", L"Level", RegAction::TestExistence, 0), {S_OK, true, L""},
         L"Test                : Existence of value\r\n"
         L"Entry type          : DWORD (REG_DWORD)\r\n"
         L"Value               : Level\r\n"
         L"Result              : The registry value exists.\r\n\r\n"},
        {"value missing by answer", StringEntry(L"HKLM\\A", L"Owner", RegAction::TestExistence, L""),
         {S_OK, false, L""},
         L"Test                : Existence of value\r\n"
         L"Entry type          : String (REG_SZ)\r\n"
         L"Value               : Owner\r\n"
         L"Result              : The registry value does not exist.\r\n\r\n"},
        {"dword data", DwordEntry(L"HKLM\\A", L"Level", RegAction::TestData, 4294967295u), {S_OK, true, L""},
         L"Test                : Value of data\r\n"
         L"Entry type          : DWORD (REG_DWORD)\r\n"
         L"Value               : Level\r\n"
         L"Specified value     : 4294967295\r\n"
         L"Result              : The registry value exists and is the specified value.\r\n\r\n"},
        {"string data differs", StringEntry(L"HKLM\\A", L"Owner", RegAction::TestData, L"ops"), {S_OK, false, L""},
         L"Test                : Value of data\r\n"
         L"Entry type          : String (REG_SZ)\r\n"
         L"Value               : Owner\r\n"
         L"Specified value     : ops\r\n"
         L"Result              : The registry value does not exist or does not match the specified data.\r\n\r\n"},
        {"failure shows its text", KeyEntry(L"HKLM\\B"), {denied, false, L"Access is denied."},
         L"Test                : Existence of key\r\n"
         L"Entry type          : Key\r\n"
         L"Key                 : HKLM\\B\r\n"
         L"Result              : Access is denied.\r\n\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.expected, Joined(EntryReport(c.entry, c.answer)));
    }
}

TEST(RegistryReport, NotFoundIsANegativeAnswerAndOnlyOtherCodesFail) {
    struct Case {
        EntryAnswer answer;
        bool negative;
        bool fails;
    };
    const Case cases[] = {
        {{S_OK, true, L""}, false, false},
        {{S_OK, false, L""}, true, false},
        {{HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), false, L""}, true, false},
        {{E_ACCESSDENIED, false, L""}, true, true},
        {{HRESULT_FROM_WIN32(ERROR_BAD_NETPATH), true, L""}, true, true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.negative, AnswerIsNegative(c.answer)) << std::hex << c.answer.code;
        EXPECT_EQ(c.fails, AnswerFails(c.answer)) << std::hex << c.answer.code;
    }
}

TEST(RegistryReport, FileComparisonListsKeysThenValues) {
    const std::wstring header =
        L"FILE:            Results of the Manage Registry Entries Wizard\r\n"
        L"VALIDATION MODE: Registry File\r\n"
        L"COMPUTER:        PC1\r\n\r\n";
    const std::wstring keysHeading = L"The registry keys in the following list could not be found:\r\n\r\n";
    const std::wstring valuesHeading =
        L"The registry values in the following list either could not be\r\n"
        L"found or did not have data matching that specified:\r\n\r\n";
    struct Case {
        const char* name;
        std::vector<std::wstring> missing;
        std::wstring body;
    };
    const Case cases[] = {
        {"compliant", {}, L"computer 'PC1' is compliant with the registry file 'C:\\x.reg'\r\n"},
        {"keys only", {L"HKLM\\A", L"HKLM\\B"}, keysHeading + L"   HKLM\\A\r\n   HKLM\\B\r\n"},
        {"values only: no blank line before", {L"HKLM\\A::v", L"HKLM\\A::"},
         valuesHeading + L"   HKLM\\A::v\r\n   HKLM\\A::\r\n"},
        {"both, keys first", {L"HKLM\\A::v", L"HKLM\\B"},
         keysHeading + L"   HKLM\\B\r\n" + L"\r\n" + valuesHeading + L"   HKLM\\A::v\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(header + c.body, Joined(FileComparisonReport(L"PC1", L"C:\\x.reg", c.missing)));
    }
    EXPECT_EQ(L"FILE:            Results of the Manage Registry Entries Wizard\r\n"
              L"VALIDATION MODE: Individual Registry Entry\r\n"
              L"COMPUTER:        PC1\r\n\r\n",
              IndividualHeader(L"PC1"));
}

TEST(RegistryReport, PiecesAreCutAtTheirLimitAndLabelsPadded) {
    EXPECT_EQ(L"A                   : b\r\n", ReportLine(L"A", L"b"));
    EXPECT_EQ(L"Exactly twenty chars: b\r\n", ReportLine(L"Exactly twenty chars", L"b"));
    EXPECT_EQ(L"A label longer than twenty: b\r\n", ReportLine(L"A label longer than twenty", L"b"));
    const std::wstring longKey(20000, L'k');
    const std::wstring line = ReportLine(L"Key", longKey);
    EXPECT_EQ(kMaxPieceChars, line.size());
    EXPECT_EQ(L"Key                 : kkk", line.substr(0, 25));
    EXPECT_EQ(kMaxPieceChars, FileComparisonReport(L"PC", L"f", {longKey})[2].size());
}

TEST(RegistryReport, SummaryParagraphs) {
    EXPECT_EQ(L"Manage Registry Entries Wizard\r\n\r\nComputers Selected:\r\n\tA\r\n\tB\r\n",
              ComputersSummary({L"A", L"B"}));
    EXPECT_EQ(L"Registry validation method:\r\n\tIndividual registry entries.", MethodSummary(false, L"x"));
    EXPECT_EQ(L"Registry validation method:\r\n\tRegistry file (*.reg extension)\r\n\tName:C:\\a.reg",
              MethodSummary(true, L"C:\\a.reg"));
    EXPECT_EQ(L"Registry Entries specified:"
              L"\r\n\tNAME: HKLM\\K; TYPE: Key"
              L"\r\n\tNAME: Owner; TYPE: string value; KEY: HKLM\\K; DATA: ops"
              L"\r\n\tNAME: Level; TYPE: numeric value (DWORD); KEY: HKLM\\K",
              EntriesSummary({KeyEntry(L"HKLM\\K"), StringEntry(L"HKLM\\K", L"Owner", RegAction::TestData, L"ops"),
                              DwordEntry(L"HKLM\\K", L"Level", RegAction::TestExistence, 7)}));
    EXPECT_EQ(L"Computers where the validation query could not be executed:\r\n\tThe validation query was executed "
              L"on all computers.",
              ResultsSummary({}));
    EXPECT_EQ(L"Computers where the validation query could not be executed:\r\n\tX\r\n\tY", ResultsSummary({L"X", L"Y"}));
}

TEST(RegistryReport, QueryStatusFollowsStatusAndOmissions) {
    struct Case {
        HRESULT status;
        LONG omissions;
        const wchar_t* text;
    };
    const Case cases[] = {
        {S_OK, 0, L"All registry entries and/or data were found."},
        {S_OK, 1, L"Not all registry entries and/or data were found."},
        {S_FALSE, 0, L"The query could not be completed."},
        {E_ACCESSDENIED, 1, L"The query could not be completed."},
    };
    for (const Case& c : cases) EXPECT_STREQ(c.text, QueryStatusText(OutcomeOf(c.status, c.omissions)));
}

TEST(RegistryReport, DwordTextIsAnUnsigned32BitDecimal) {
    struct Case {
        const wchar_t* text;
        bool ok;
        DWORD value;
    };
    const Case cases[] = {
        {L"0", true, 0},          {L"42", true, 42},          {L"4294967295", true, 4294967295u},
        {L"0000000001", true, 1}, {L"4294967296", false, 0},  {L"99999999999", false, 0},
        {L"00000000001", false, 0}, {L"", false, 0},          {L"-1", false, 0},
        {L"12a", false, 0},       {L" 1", false, 0},          {L"0x10", false, 0},
    };
    for (const Case& c : cases) {
        DWORD value = 12345;
        EXPECT_EQ(c.ok, ParseDwordText(c.text, value)) << c.text;
        if (c.ok) EXPECT_EQ(c.value, value) << c.text;
    }
}

TEST(RegistryReport, FieldRulesOfTheEntryDialog) {
    struct Case {
        RegEntryType type;
        RegAction action;
        EntryFieldRules rules;
    };
    const Case cases[] = {
        {RegEntryType::Key, RegAction::TestData, {false, 255, false, false, false, 0x7FFFFFFE}},
        {RegEntryType::Key, RegAction::TestExistence, {false, 255, false, false, false, 0x7FFFFFFE}},
        {RegEntryType::Dword, RegAction::TestExistence, {true, 16383, true, false, true, 10}},
        {RegEntryType::Dword, RegAction::TestData, {true, 16383, true, true, true, 10}},
        {RegEntryType::String, RegAction::TestExistence, {true, 16383, true, false, false, 0x7FFFFFFE}},
        {RegEntryType::String, RegAction::TestData, {true, 16383, true, true, false, 0x7FFFFFFE}},
    };
    for (const Case& c : cases) {
        const EntryFieldRules r = FieldRules(c.type, c.action);
        SCOPED_TRACE(static_cast<int>(c.type) * 10 + static_cast<int>(c.action));
        EXPECT_EQ(c.rules.valueEnabled, r.valueEnabled);
        EXPECT_EQ(c.rules.valueLimit, r.valueLimit);
        EXPECT_EQ(c.rules.actionEnabled, r.actionEnabled);
        EXPECT_EQ(c.rules.dataEnabled, r.dataEnabled);
        EXPECT_EQ(c.rules.digitsOnly, r.digitsOnly);
        EXPECT_EQ(c.rules.dataLimit, r.dataLimit);
    }
}

}  // namespace
}  // namespace vantrel
