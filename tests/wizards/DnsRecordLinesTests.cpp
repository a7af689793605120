// The text rules of the DNS record check, without a platform: lines as a
// text-mode read gives them, the blank-trim and skip rules, record fields,
// type codes, the final-dot rule and the dotted address.
#include "wizards/dns/RecordLines.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vantrel::dns {
namespace {

using Lines = std::vector<std::string>;

TEST(RecordLines, TextModeReadsLikeTheRuntimeLibrary) {
    const std::string longLine(1030, 'x');
    struct Case {
        std::string bytes;
        Lines lines;
    } const cases[] = {
        {"", {}},
        {"a\r\nb\r\n", {"a\n", "b\n"}},
        {"a\nb", {"a\n", "b"}},                  // the last line may lack its end
        {"a\rb\r\n", {"a\rb\n"}},                // a lone CR is a character
        {"a\r\n\x1A" "b\r\n", {"a\n"}},           // Ctrl-Z ends the text
        {"\r\n\r\n", {"\n", "\n"}},
        {longLine + "\r\n", {std::string(1023, 'x'), std::string(7, 'x') + "\n"}},
        {std::string(1023, 'y') + "\n", {std::string(1023, 'y'), "\n"}},  // the end comes as a line of its own
    };
    for (const Case& c : cases) EXPECT_EQ(c.lines, TextModeLines(c.bytes)) << testing::PrintToString(c.bytes);
}

TEST(RecordLines, BlanksAreTrimmedAndEmptyAndCommentLinesSkipped) {
    struct Case {
        std::string line;
        bool kept;
        std::string trimmed;
    } const cases[] = {
        {"  a 600 IN A 1.2.3.4\n", true, "a 600 IN A 1.2.3.4\n"},
        {"a 600 IN A 1.2.3.4  ", true, "a 600 IN A 1.2.3.4"},
        {"a b  \n", true, "a b\n"},  // blanks before the line end go; the line end stays
        {"a b \t \n", true, "a b \t\n"},
        {"\n", false, "\n"},
        {"      \n", false, "\n"},
        {"   ", false, ""},
        {"", false, ""},
        {"; comment\n", false, "; comment\n"},
        {"   ;indented comment", false, ";indented comment"},
        {"\ta\n", true, "\ta\n"},  // a tab is no blank
        {"a;b\n", true, "a;b\n"},
    };
    for (const Case& c : cases) {
        std::string line = c.line;
        EXPECT_EQ(c.kept, TrimRecordLine(line)) << testing::PrintToString(c.line);
        EXPECT_EQ(c.trimmed, line) << testing::PrintToString(c.line);
    }
    EXPECT_EQ((Lines{"x 1 IN A 1.1.1.1\n", "y\n"}), RecordLinesOf("; header\r\n\r\n   x 1 IN A 1.1.1.1\r\n  \r\ny\r\n"));
    EXPECT_TRUE(RecordLinesOf("; a\r\n;b\r\n   ;c\r\n").empty());
}

TEST(RecordLines, FieldsAreSplitAtRunsOfBlanks) {
    struct Case {
        std::wstring line, name, type, data;
    } const cases[] = {
        {L"dc.lab. 600 IN A 10.0.0.1\n", L"dc.lab.", L"A", L"10.0.0.1\n"},
        {L"_ldap._tcp.lab. 600 IN SRV 0 100 389 dc.lab.\n", L"_ldap._tcp.lab.", L"SRV", L"dc.lab.\n"},
        {L"a   600  IN   CNAME    b.\n", L"a", L"CNAME", L"b.\n"},
        {L"a 600 IN", L"a", L"", L"IN"},
        {L"only\n", L"only\n", L"", L"only\n"},
        {L"", L"", L"", L""},
        {L"a\t600 IN A x", L"a\t600", L"x", L"x"},  // tabs do not separate
    };
    for (const Case& c : cases) {
        const RecordFields fields = SplitRecordLine(c.line);
        EXPECT_EQ(c.name, fields.name) << c.line;
        EXPECT_EQ(c.type, fields.type) << c.line;
        EXPECT_EQ(c.data, fields.data) << c.line;
    }
    const std::wstring longName(1500, L'n');
    EXPECT_EQ(kMaxNameChars, SplitRecordLine(longName + L" 600 IN A 1.2.3.4").name.size());
}

TEST(RecordLines, TypeCodesAreExact) {
    struct Case {
        const wchar_t* type;
        uint16_t code;
    } const cases[] = {
        {L"A", kTypeA}, {L"SRV", kTypeSrv}, {L"CNAME", kTypeCname}, {L"a", kTypeAll}, {L"Srv", kTypeAll},
        {L"AAAA", kTypeAll}, {L"TXT", kTypeAll}, {L"", kTypeAll}, {L"A\n", kTypeAll},
    };
    for (const Case& c : cases) EXPECT_EQ(c.code, RecordTypeCode(c.type)) << c.type;
}

TEST(RecordLines, ADotBeforeTheLineEndEndsTheData) {
    struct Case {
        std::wstring data, compared;
    } const cases[] = {
        {L"dc.lab.\n", L"dc.lab"},
        {L"dc.lab.\r", L"dc.lab"},
        {L"dc.lab.", L"dc.lab."},  // no line end: the dot is the last character and stays
        {L"dc.lab\n", L"dc.lab\n"},
        {L".\n", L""},
        {L"\n", L"\n"},
        {L"", L""},
    };
    for (const Case& c : cases) EXPECT_EQ(c.compared, ComparedData(c.data)) << testing::PrintToString(c.data);
}

TEST(RecordLines, DottedAddressesInNetworkOrder) {
    struct Case {
        const wchar_t* text;
        uint32_t value;
    } const cases[] = {
        {L"10.0.0.1", 0x0100000Au},
        {L"10.0.0.1\n", 0x0100000Au},
        {L"192.168.1.200\r\n", 0xC801A8C0u},
        {L"0.0.0.0", 0},
        {L"255.255.255.255", 0xFFFFFFFFu},
        {L"010.0.0.1", 0x0100000Au},
        {L"256.0.0.1", 0},
        {L"1.2.3", 0},
        {L"1.2.3.4.5", 0},
        {L"1..3.4", 0},
        {L"1.2.3.4 ", 0},
        {L"a.b.c.d", 0},
        {L"-1.2.3.4", 0},
        {L"00001.2.3.4", 0},
        {L"", 0},
    };
    for (const Case& c : cases) EXPECT_EQ(c.value, DottedAddressValue(c.text)) << c.text;
}

TEST(RecordLines, TheMadeUpLineReadsBackAsItsAddress) {
    const uint8_t address[4] = {10, 200, 0, 255};
    const std::wstring line = MadeUpAddressLine(L"DESK01", address);
    EXPECT_EQ(L"DESK01 600 IN A 10.200.0.255\r\n", line);
    const RecordFields fields = SplitRecordLine(line);
    EXPECT_EQ(L"DESK01", fields.name);
    EXPECT_EQ(kTypeA, RecordTypeCode(fields.type));
    EXPECT_EQ(0xFF00C80Au, DottedAddressValue(ComparedData(fields.data)));
}

}  // namespace
}  // namespace vantrel::dns
