// Identifier forms and conversions, account lookups on lab computers, and
// the name rules with their messages.
#include "common/AccountNames.h"
#include "common/Handles.h"
#include "common/SidValue.h"
#include "lab/LabControl.h"
#include "lab/Sids.h"
#include "tests/services/LabFixture.h"
#include "tests/support/WindowDriver.h"

#include <gtest/gtest.h>

#include <sddl.h>

#include <string>

using namespace vantrel;

namespace {

SidBytes Built(SID_IDENTIFIER_AUTHORITY authority, BYTE count, DWORD s0 = 0, DWORD s1 = 0, DWORD s2 = 0) {
    PSID sid = nullptr;
    EXPECT_TRUE(::AllocateAndInitializeSid(&authority, count, s0, s1, s2, 0, 0, 0, 0, 0, &sid));
    SidBytes out(static_cast<BYTE*>(sid), static_cast<BYTE*>(sid) + ::GetLengthSid(sid));
    ::FreeSid(sid);
    return out;
}

std::wstring Text(SidBytes sid) {
    std::wstring text;
    return SidToText(sid.data(), text) ? text : L"<refused>";
}

std::wstring RoundTrip(const wchar_t* text) {
    SidBytes sid;
    return TextToSid(text, sid) ? Text(sid) : L"<refused>";
}

TEST(SidText, AuthorityIsDecimalUnlessItsHighBytesAreSet) {
    EXPECT_EQ(L"S-1-5-32-545", Text(Built(SECURITY_NT_AUTHORITY, 2, 32, 545)));
    EXPECT_EQ(L"S-1-16777216-7", Text(Built({{0, 0, 1, 0, 0, 0}}, 1, 7)));
    EXPECT_EQ(L"S-1-0x0102000000ff-7", Text(Built({{1, 2, 0, 0, 0, 0xFF}}, 1, 7)));
    // A sub-authority of all ones is left out.
    EXPECT_EQ(L"S-1-5-21-4", Text(Built(SECURITY_NT_AUTHORITY, 3, 21, 0xFFFFFFFF, 4)));
    std::wstring text = L"kept";
    EXPECT_FALSE(SidToText(nullptr, text));
    SidBytes broken = Built(SECURITY_NT_AUTHORITY, 1, 18);
    broken[0] = 7;  // no such revision
    EXPECT_FALSE(SidToText(broken.data(), text));
    EXPECT_EQ(L"kept", text);
}

TEST(SidText, TextToSidRules) {
    SidBytes users;
    ASSERT_TRUE(TextToSid(L"S-1-5-32-545", users));
    EXPECT_EQ(Built(SECURITY_NT_AUTHORITY, 2, 32, 545), users);
    EXPECT_EQ(L"S-1-5-32-545", RoundTrip(L"s-1-5-32-545"));
    EXPECT_EQ(L"S-1-5", RoundTrip(L"S-1-5"));                       // three parts, no sub-authority
    EXPECT_EQ(L"<refused>", RoundTrip(L""));
    EXPECT_EQ(L"<refused>", RoundTrip(L"S-1"));                     // two parts
    EXPECT_EQ(L"<refused>", RoundTrip(L"X-1-5-32-545"));
    EXPECT_EQ(L"<refused>", RoundTrip(L"SID-1-5-32"));
    EXPECT_EQ(L"<refused>", RoundTrip(L"S-1-16-1"));                // authority above 5
    EXPECT_EQ(L"S-1-0-0", RoundTrip(L"S-1-0-0"));
    EXPECT_EQ(L"S-1-5-1-2-3-4-5-6-7-8", RoundTrip(L"S-1-5-1-2-3-4-5-6-7-8"));
    // Split into eleven parts at most: the last one keeps the rest, read up to
    // its first non-digit.
    EXPECT_EQ(L"S-1-5-1-2-3-4-5-6-7-8", RoundTrip(L"S-1-5-1-2-3-4-5-6-7-8-9"));
}

TEST(SidText, HexToBytesCountsOnlyUpperCaseDigits) {
    EXPECT_EQ((SidBytes{0x01, 0xA0, 0x00, 0x9F}), HexToBytes(L"01A0ff9F"));
    EXPECT_EQ((SidBytes{0x10}), HexToBytes(L"1G7"));  // odd length: the last character is dropped
    EXPECT_TRUE(HexToBytes(L"").empty());
}

std::wstring Hex(const SidBytes& bytes) {
    std::wstring out;
    for (BYTE b : bytes) {
        wchar_t two[3];
        swprintf(two, 3, L"%02X", b);
        out += two;
    }
    return out;
}

TEST(SidValueForms, EachFormIsDerivedFromTheOthers) {
    const SidBytes users = Built(SECURITY_NT_AUTHORITY, 2, 32, 545);
    SidValue fromHex;
    fromHex.SetHex(Hex(users) + L"00");  // trailing bytes past the identifier's length are not kept
    EXPECT_FALSE(fromHex.HasBinary());
    EXPECT_STREQ(L"S-1-5-32-545", fromHex.Text());
    ASSERT_TRUE(fromHex.HasBinary());
    EXPECT_EQ(users.size(), static_cast<size_t>(::GetLengthSid(fromHex.Binary())));

    SidValue fromText;
    fromText.SetText(L"S-1-5-18");
    ASSERT_NE(nullptr, fromText.Binary());
    EXPECT_TRUE(::EqualSid(fromText.Binary(), Built(SECURITY_NT_AUTHORITY, 1, 18).data()));
    UniqueBstr copy;
    ASSERT_EQ(S_OK, fromText.CopyText(copy.Put()));
    EXPECT_STREQ(L"S-1-5-18", copy.Get());
    EXPECT_NE(fromText.Text(), copy.Get());

    SidValue fromBinary;
    ASSERT_EQ(S_OK, fromBinary.SetBinary(const_cast<BYTE*>(users.data())));
    EXPECT_STREQ(L"S-1-5-32-545", fromBinary.Text());
    // The hexadecimal form wins over the text when both are asked for later.
    fromBinary.SetHex(Hex(Built(SECURITY_NT_AUTHORITY, 1, 20)));
    EXPECT_STREQ(L"S-1-5-20", fromBinary.Text());

    SidValue bad;
    bad.SetText(L"S-1-99-1");
    EXPECT_EQ(nullptr, bad.Binary());
    EXPECT_STREQ(L"S-1-99-1", bad.Text());  // a given text is kept as given
    bad.SetHex(L"0105");  // shorter than the header claims
    EXPECT_EQ(nullptr, bad.Binary());
    EXPECT_EQ(nullptr, bad.Text());
    EXPECT_EQ(E_FAIL, bad.CopyText(copy.Put()));
    BYTE junk[12] = {9, 9};
    EXPECT_EQ(E_INVALIDARG, bad.SetBinary(junk));
    EXPECT_EQ(E_INVALIDARG, bad.SetBinary(nullptr));
}

TEST(AccountNameRules, LocalRule) {
    EXPECT_FALSE(BreaksLocalNameRule(L"abcdefghijklmnopqrst"));  // 20
    EXPECT_TRUE(BreaksLocalNameRule(L"abcdefghijklmnopqrstu"));  // 21
    EXPECT_TRUE(BreaksLocalNameRule(L""));
    EXPECT_TRUE(BreaksLocalNameRule(L"backup."));
    EXPECT_FALSE(BreaksLocalNameRule(L"back.up and away"));
    EXPECT_TRUE(BreaksLocalNameRule(std::wstring(L"a") + wchar_t(30)));
    EXPECT_FALSE(BreaksLocalNameRule(std::wstring(L"a") + wchar_t(31)));
    for (wchar_t c : std::wstring(L"\"*+,/:;<=>?[\\]|")) EXPECT_TRUE(BreaksLocalNameRule(std::wstring(L"ab") + c)) << static_cast<int>(c);

    const DWORD nameField = 1, otherField = 3;
    EXPECT_TRUE(IsNameRejection(ERROR_INVALID_PARAMETER, nullptr, nameField));
    EXPECT_TRUE(IsNameRejection(2202, &nameField, nameField));
    EXPECT_FALSE(IsNameRejection(ERROR_INVALID_PARAMETER, &otherField, nameField));
    EXPECT_FALSE(IsNameRejection(ERROR_ACCESS_DENIED, nullptr, nameField));
}

TEST(AccountNameRules, MessagesAreExact) {
    EXPECT_EQ(L"The name bad. cannot be used. Names may not end in a period or contain these characters: "
              L"\" \\ / [ ] : | < > + = ; , ? *",
              BadNameMessage(L"bad.", BadNameRule::Local));
    EXPECT_EQ(L"The name ... cannot be used. Names may not consist entirely of periods and or spaces or contain "
              L"these characters: \" \\ / [ ] : | < > + = ; , ? *",
              BadNameMessage(L"...", BadNameRule::Platform));
}

TEST(AccountNameRules, BoxesCarryTheirTitles) {
    testsupport::MessageBoxAnswerer answerer(::GetCurrentThreadId(), IDOK);
    ShowBadNameMessage(nullptr, L"a:b", BadNameRule::Local);
    const DWORD nameField = 1;
    ShowAccountNameFailure(nullptr, L"x*", 2202, &nameField, nameField);
    ShowAccountNameFailure(nullptr, L"x", 0x80040200, nullptr, nameField);
    const auto boxes = answerer.Stop();
    ASSERT_EQ(3u, boxes.size());
    EXPECT_EQ(L"Local Users and Computers", boxes[0].title);
    EXPECT_EQ(BadNameMessage(L"a:b", BadNameRule::Local), boxes[0].text);
    EXPECT_EQ(L"Local Users and Computers", boxes[1].title);
    EXPECT_EQ(BadNameMessage(L"x*", BadNameRule::Platform), boxes[1].text);
    EXPECT_EQ(L"Local Users and Groups", boxes[2].title);
    EXPECT_EQ(L"Error 0x80040200 occurred", boxes[2].text);
}

using AccountLookups = servicetest::LabFixture;

TEST_F(AccountLookups, NamesOfRelativeIdentifiers) {
    std::wstring name;
    ASSERT_EQ(S_OK, AccountNameForRid(L"\\\\FS01", 500, name));
    EXPECT_EQ(L"Administrator", name);
    ASSERT_EQ(S_OK, AccountNameForRid(L"DC01", 501, name));
    EXPECT_EQ(L"Guest", name);
    EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_NONE_MAPPED), AccountNameForRid(L"FS01", 4242, name));
    EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_BAD_NETPATH), AccountNameForRid(L"LAPTOP07", 500, name));
    LabAddFault(L"FS01", "LookupAccountSidW", ERROR_ACCESS_DENIED, 1, 1);
    EXPECT_EQ(E_ACCESSDENIED, AccountNameForRid(L"FS01", 500, name));
    EXPECT_EQ(L"Guest", name);  // left alone on failure
}

// NetBIOS names have up to 15 characters, and a computer's accounts carry
// its name as their domain.
TEST_F(AccountLookups, ComputersWithNamesOfEveryLengthAnswer) {
    ASSERT_EQ(0u, lab::LoadScenarioText(R"({
      "domain": {"name": "D"}, "interactiveUser": "D\\a", "accounts": [{"name": "D\\a", "password": ""}],
      "computers": [{"name": "FIFTEENCHARNAME"}, {"name": "FOURTEENCHARNM"}, {"name": "S"}]
    })"));
    for (const wchar_t* computer : {L"FIFTEENCHARNAME", L"FOURTEENCHARNM", L"S"}) {
        SCOPED_TRACE(computer);
        std::wstring name;
        EXPECT_EQ(S_OK, AccountNameForRid(computer, 500, name));
        EXPECT_EQ(L"Administrator", name);
        EXPECT_EQ(S_OK, AccountNameForRid(computer, 501, name));
        EXPECT_EQ(L"Guest", name);
    }
}

// What a picked directory account's identifier is called before Windows 2000
// names: the target computer resolves it.
TEST_F(AccountLookups, IdentifiersGiveDownlevelNames) {
    SidBytes admins, everyone, stranger;
    ASSERT_TRUE(TextToSid(L"S-1-5-32-544", admins));
    ASSERT_TRUE(TextToSid(L"S-1-1-0", everyone));
    ASSERT_TRUE(TextToSid(L"S-1-5-21-1-2-3-4242", stranger));
    const SidBytes cut(admins.begin(), admins.end() - 1);
    struct Case {
        const wchar_t* server;
        SidBytes sid;
        HRESULT result;
        const wchar_t* name;
    };
    const Case cases[] = {
        {L"FS01", lab::AccountSid(L"LAB\\operator"), S_OK, L"LAB\\operator"},
        {L"FS01", admins, S_OK, L"BUILTIN\\Administrators"},
        {L"FS01", everyone, S_OK, L"Everyone"},
        {L"FS01", stranger, HRESULT_FROM_WIN32(ERROR_NONE_MAPPED), L"kept"},
        {L"LAPTOP07", admins, HRESULT_FROM_WIN32(RPC_S_SERVER_UNAVAILABLE), L"kept"},  // offline
        {L"FS01", cut, E_INVALIDARG, L"kept"},
        {L"FS01", SidBytes{}, E_INVALIDARG, L"kept"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.server << " " << c.name);
        std::wstring name = L"kept";
        EXPECT_EQ(c.result, DownlevelNameOfSid(c.server, c.sid, name));
        EXPECT_EQ(c.name, name);
    }
}

TEST_F(AccountLookups, NameToIdentifierAndTheUsersGroup) {
    SidBytes sid;
    ASSERT_EQ(S_OK, AccountNameToSid(L"FS01", L"BUILTIN\\Users", sid));
    EXPECT_EQ(Built(SECURITY_NT_AUTHORITY, 2, 32, 545), sid);
    ASSERT_EQ(S_OK, AccountNameToSid(nullptr, L"LAB\\helpdesk", sid));
    EXPECT_EQ(0u, Text(sid).rfind(L"S-1-5-21-", 0));
    const SidBytes before = sid;
    EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_NONE_MAPPED), AccountNameToSid(nullptr, L"LAB\\nobody", sid));
    EXPECT_EQ(before, sid);
    LabAddFault(nullptr, "LookupAccountNameW", RPC_S_SERVER_UNAVAILABLE, 2, 1);
    EXPECT_EQ(HRESULT_FROM_WIN32(RPC_S_SERVER_UNAVAILABLE), AccountNameToSid(nullptr, L"LAB\\helpdesk", sid));

    std::wstring users;
    ASSERT_EQ(S_OK, BuiltinUsersGroupName(L"TS01", users));
    EXPECT_EQ(L"Users", users);
    EXPECT_EQ(HRESULT_FROM_WIN32(RPC_S_SERVER_UNAVAILABLE), BuiltinUsersGroupName(L"NOSUCH", users));
}

TEST_F(AccountLookups, TheLocalRuleAppliesToVersionFourServersOnly) {
    ASSERT_EQ(0u, lab::LoadScenarioText(R"({
      "domain": {"name": "D"}, "interactiveUser": "D\\a", "accounts": [{"name": "D\\a", "password": ""}],
      "computers": [{"name": "NEW"}, {"name": "NT4", "os": {"major": 4, "minor": 0, "build": 1381}},
                    {"name": "OLDOFF", "online": false, "os": {"major": 4, "minor": 0, "build": 1381}}]
    })"));
    EXPECT_FALSE(LocalNameRuleApplies(L"NEW"));
    EXPECT_TRUE(LocalNameRuleApplies(L"\\\\NT4"));
    EXPECT_FALSE(LocalNameRuleApplies(L"OLDOFF"));  // no facts, no local check

    // A 21-character name is stopped here for the old server only.
    const std::wstring name = L"abcdefghijklmnopqrstu";
    testsupport::MessageBoxAnswerer answerer(::GetCurrentThreadId(), IDOK);
    EXPECT_FALSE(AcceptAccountName(nullptr, L"NT4", name));
    EXPECT_TRUE(AcceptAccountName(nullptr, L"NEW", name));
    EXPECT_TRUE(AcceptAccountName(nullptr, L"NT4", L"short"));
    const auto boxes = answerer.Stop();
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ(BadNameMessage(name, BadNameRule::Local), boxes[0].text);
}

}  // namespace
