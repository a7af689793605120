// The registry file reader: both formats, every data form the editor
// writes, and the line a malformed file is refused at.
#include "companions/RegFile.h"
#include "tests/companions/CompanionTestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace vantrel::regfile;

namespace {

std::vector<uint8_t> Unicode(std::u16string_view text) { return companiontest::Utf16Bytes(text, true); }
std::vector<uint8_t> Ansi(std::string_view text) { return std::vector<uint8_t>(text.begin(), text.end()); }

std::vector<uint8_t> Utf16Data(std::u16string_view text) { return companiontest::Utf16Bytes(text); }

bool ReadBytes(const std::vector<uint8_t>& bytes, File& file, Error& error) {
    return Read(bytes.data(), bytes.size(), DecodeLatin1, file, error);
}

TEST(RegFile, ReadsEveryValueFormOfTheUnicodeEditor) {
    const std::u16string text =
        u"Windows Registry Editor Version 5.00\r\n"
        u"\r\n"
        u"; exported\r\n"
        u"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vantrel Test]\r\n"
        u"@=\"default\"\r\n"
        u"\"Path\"=\"C:\\\\Program Files\\\\\\\"x\\\"\"\r\n"
        u"\"Count\"=dword:0000002a\r\n"
        u"\"Blob\"=hex:01,a0,FF\r\n"
        u"\"None\"=hex(0):\r\n"
        u"\"Expand\"=hex(2):25,00,53,00,00,00\r\n"
        u"\"Multi\"=hex(7):61,00,00,00,\\\r\n"
        u"  62,00,00,00,00,00\r\n"
        u"\"Big\"=hex(b):01,00,00,00,00,00,00,80\r\n"
        u"\"Gone\"=-\r\n"
        u"\r\n"
        u"[-HKLM\\SOFTWARE\\Old]\r\n";
    File file;
    Error error;
    ASSERT_TRUE(ReadBytes(Unicode(text), file, error)) << Describe(error);
    EXPECT_TRUE(file.unicode);
    ASSERT_EQ(2u, file.keys.size());
    const Key& key = file.keys[0];
    EXPECT_EQ(u"HKEY_LOCAL_MACHINE\\SOFTWARE\\Vantrel Test", key.path);
    EXPECT_EQ(4u, key.line);
    ASSERT_EQ(9u, key.values.size());

    struct Expected {
        std::u16string name;
        uint32_t type;
        std::vector<uint8_t> data;
        bool remove;
    };
    const Expected expected[] = {
        {u"", kTypeString, Utf16Data(std::u16string(u"default") + u'\0'), false},
        {u"Path", kTypeString, Utf16Data(std::u16string(u"C:\\Program Files\\\"x\"") + u'\0'), false},
        {u"Count", kTypeDword, {0x2a, 0, 0, 0}, false},
        {u"Blob", kTypeBinary, {0x01, 0xa0, 0xff}, false},
        {u"None", kTypeNone, {}, false},
        {u"Expand", kTypeExpandString, {0x25, 0, 0x53, 0, 0, 0}, false},
        {u"Multi", kTypeMultiString, {0x61, 0, 0, 0, 0x62, 0, 0, 0, 0, 0}, false},
        {u"Big", kTypeQword, {1, 0, 0, 0, 0, 0, 0, 0x80}, false},
        {u"Gone", kTypeNone, {}, true},
    };
    for (size_t i = 0; i < std::size(expected); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(expected[i].name, key.values[i].name);
        EXPECT_EQ(expected[i].remove, key.values[i].remove);
        if (!expected[i].remove) {
            EXPECT_EQ(expected[i].type, key.values[i].type);
            EXPECT_EQ(expected[i].data, key.values[i].data);
        }
    }
    EXPECT_EQ(11u, key.values[6].line);  // a continued value keeps its first line
    EXPECT_TRUE(file.keys[1].remove);
    EXPECT_EQ(u"HKLM\\SOFTWARE\\Old", file.keys[1].path);
    EXPECT_EQ(16u, file.keys[1].line);
}

TEST(RegFile, ReadsCodePageFilesWithLineFeedsAndWidensTheirStrings) {
    const std::string text =
        "REGEDIT4\n"
        "\n"
        "[HKEY_USERS\\.DEFAULT\\Caf\xE9]\n"
        "\"Name\"=\"\xE9t\xE9\"\n"
        "\"Expand\"=hex(2):25,53,25,00\n"
        "\"Multi\"=hex(7):61,00,62,00,00\n";
    // A decoder of our own shows that code-page text goes through it.
    int calls = 0;
    const AnsiDecoder decoder = [&calls](std::string_view bytes, std::u16string& out) {
        ++calls;
        return DecodeLatin1(bytes, out);
    };
    const std::vector<uint8_t> bytes = Ansi(text);
    File file;
    Error error;
    ASSERT_TRUE(Read(bytes.data(), bytes.size(), decoder, file, error)) << Describe(error);
    EXPECT_FALSE(file.unicode);
    EXPECT_EQ(3, calls);  // the file, and each of the two byte strings
    ASSERT_EQ(1u, file.keys.size());
    EXPECT_EQ(u"HKEY_USERS\\.DEFAULT\\Caf\u00E9", file.keys[0].path);
    const auto& values = file.keys[0].values;
    ASSERT_EQ(3u, values.size());
    EXPECT_EQ(Utf16Data(std::u16string(u"\u00E9t\u00E9") + u'\0'), values[0].data);
    EXPECT_EQ(Utf16Data(std::u16string(u"%S%") + u'\0'), values[1].data);
    EXPECT_EQ(Utf16Data(std::u16string(u"a\0b\0\0", 5)), values[2].data);
}

TEST(RegFile, RefusesMalformedFilesNamingTheLine) {
    struct Case {
        const char* name;
        std::string text;  // after the header line
        size_t line;
        const char* what;
    };
    const Case cases[] = {
        {"value before a key", "\"a\"=\"b\"\n", 2, "before the first key"},
        {"unclosed key", "[HKLM\\X\n", 2, "must end with ']'"},
        {"unknown root", "[HKEY_NOWHERE\\X]\n", 2, "root key"},
        {"empty key", "[]\n", 2, "no name"},
        {"unclosed string", "[HKLM\\X]\n\"a\"=\"b\n", 3, "closing"},
        {"text after string", "[HKLM\\X]\n\"a\"=\"b\" c\n", 3, "after the closing"},
        {"dword too long", "[HKLM\\X]\n\"a\"=dword:123456789\n", 3, "dword"},
        {"dword not hex", "[HKLM\\X]\n\"a\"=dword:12g4\n", 3, "dword"},
        {"dword empty", "[HKLM\\X]\n\"a\"=dword:\n", 3, "dword"},
        {"odd hex digit", "[HKLM\\X]\n\"a\"=hex:0\n", 3, "pairs"},
        {"hex without comma", "[HKLM\\X]\n\"a\"=hex:00 01\n", 3, "pairs"},
        {"bad hex type", "[HKLM\\X]\n\"a\"=hex(z):00\n", 3, "type number"},
        {"unknown data", "[HKLM\\X]\n\"a\"=word:1\n", 3, "unknown value data"},
        {"no equals", "[HKLM\\X]\n\"a\" \"b\"\n", 3, "'='"},
        {"bare word", "[HKLM\\X]\nname=1\n", 3, "a key, a value"},
        {"empty quoted name", "[HKLM\\X]\n\"\"=\"b\"\n", 3, "empty value name"},
        {"value under deleted key", "[-HKLM\\X]\n\"a\"=\"b\"\n", 3, "deleted"},
        {"continued error keeps first line", "[HKLM\\X]\n\"a\"=hex:00,\\\n  zz\n", 3, "pairs"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<uint8_t> bytes = Ansi("REGEDIT4\n" + c.text);
        File file;
        Error error;
        EXPECT_FALSE(ReadBytes(bytes, file, error));
        EXPECT_EQ(c.line, error.line);
        EXPECT_NE(std::string::npos, error.what.find(c.what)) << error.what;
        EXPECT_EQ("line " + std::to_string(c.line) + ": " + error.what, Describe(error));
    }
}

TEST(RegFile, RefusesWhatIsNoRegistryFileAtAll) {
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        size_t line;
    };
    const Case cases[] = {
        {"empty", {}, 0},
        {"blank lines only", Ansi("\r\n\r\n"), 0},
        {"other header", Ansi("Windows Registry Editor Version 4.00\r\n"), 1},
        {"header after blank lines", Ansi("\n\nREGEDIT5\n"), 3},
        {"odd unicode length", {0xFF, 0xFE, 0x52}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        File file;
        Error error;
        EXPECT_FALSE(ReadBytes(c.bytes, file, error));
        EXPECT_EQ(c.line, error.line);
        EXPECT_FALSE(error.what.empty());
    }
}

TEST(RegFile, KeyPathsLoseTrailingBackslashesAndRootsAreKnownBothWays) {
    File file;
    Error error;
    ASSERT_TRUE(ReadBytes(Ansi("REGEDIT4\r\n[hklm\\A\\]\r\n[HKEY_USERS]\r\n"), file, error)) << Describe(error);
    ASSERT_EQ(2u, file.keys.size());
    EXPECT_EQ(u"hklm\\A", file.keys[0].path);
    EXPECT_EQ(u"HKEY_USERS", file.keys[1].path);

    struct Case {
        std::u16string path;
        std::u16string root;
        std::u16string rest;
    };
    const Case cases[] = {
        {u"HKLM\\SOFTWARE\\X", u"HKEY_LOCAL_MACHINE", u"SOFTWARE\\X"},
        {u"hkey_users\\S-1-5-18", u"HKEY_USERS", u"S-1-5-18"},
        {u"HKU", u"HKEY_USERS", u""},
        {u"HKCU\\Software", u"HKEY_CURRENT_USER", u"Software"},
        {u"HKEY_CLASSES_ROOT\\.txt", u"HKEY_CLASSES_ROOT", u".txt"},
        {u"HKLMX\\A", u"", u""},
        {u"SOFTWARE\\X", u"", u""},
    };
    for (const Case& c : cases) {
        std::u16string_view rest;
        EXPECT_EQ(c.root, SplitRoot(c.path, rest));
        EXPECT_EQ(c.rest, rest);
    }
}

TEST(RegFile, EscapesInNamesAndContinuationsWithBlanks) {
    const std::u16string text =
        u"Windows Registry Editor Version 5.00\n"
        u"[HKLM\\X]\n"
        u"\"a\\\"b\\\\c\"=hex:01,  \\\n"
        u"\t  02 ,03\n"
        u"\"line\"=\"one\\ntwo\\r\\0\\q\"\n";
    File file;
    Error error;
    ASSERT_TRUE(ReadBytes(Unicode(text), file, error)) << Describe(error);
    ASSERT_EQ(2u, file.keys[0].values.size());
    EXPECT_EQ(u"a\"b\\c", file.keys[0].values[0].name);
    EXPECT_EQ((std::vector<uint8_t>{1, 2, 3}), file.keys[0].values[0].data);
    EXPECT_EQ(Utf16Data(std::u16string(u"one\ntwo\r\0\\q\0", 12)), file.keys[0].values[1].data);
}

}  // namespace
