// The activity log: one timestamped line per message, where the variable
// says, and whole lines when many threads write at once.
#include "tests/companions/CompanionTestSupport.h"

#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <thread>

using namespace companiontest;
using vantrel::ComPtr;

namespace {

const std::regex kLine(R"(\d{4}-\d{2}-\d{2} \d{2}:\d{2}:\d{2}\.\d{3} (-?\d+) (.*))");

// The file's lines without their CR LF; `whole` tells whether every line
// (the last included) had one.
std::vector<std::string> Lines(const std::wstring& path, bool* whole) {
    const std::vector<BYTE> bytes = ReadBytes(path);
    const std::string text(bytes.begin(), bytes.end());
    std::vector<std::string> lines;
    size_t start = 0;
    *whole = true;
    while (start < text.size()) {
        const size_t end = text.find("\r\n", start);
        if (end == std::string::npos) {
            *whole = false;
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

class CompanionLog : public ::testing::Test {
protected:
    ComApartment apartment_;
    ScratchFolder folder_;
    CompanionModule module_;
    ComPtr<IActivityLog> log_ = module_.Log();

    void SetUp() override { ASSERT_TRUE(log_); }

    HRESULT Log(long kind, const std::wstring& text) { return log_->LogMessage(kind, Bstr(text).Get()); }
};

TEST_F(CompanionLog, EachMessageIsOneTimestampedLineWithItsKind) {
    // The module's hints follow the error text after "\r\n".
    ASSERT_EQ(S_OK, Log(1, L"You could not logon as CORP\\admin. System error: Logon failure.\r\n"
                           L"The user account you wish to logon as must have rights to 'Log on locally'."));
    ASSERT_EQ(S_OK, Log(1, L"a\nb\rc\r\n\r\nd\u2028e\tf\x01g"));
    ASSERT_EQ(S_OK, Log(1, L"M\u00FCnchen \u5BC6"));
    ASSERT_EQ(S_OK, log_->LogMessage(7, nullptr));

    bool whole = false;
    const auto lines = Lines(folder_.LogFile(), &whole);
    EXPECT_TRUE(whole);
    ASSERT_EQ(4u, lines.size());
    std::smatch match;
    ASSERT_TRUE(std::regex_match(lines[0], match, kLine)) << lines[0];
    EXPECT_EQ("1", match[1].str());
    EXPECT_EQ("You could not logon as CORP\\admin. System error: Logon failure. | "
              "The user account you wish to logon as must have rights to 'Log on locally'.",
              match[2].str());
    ASSERT_TRUE(std::regex_match(lines[1], match, kLine));
    EXPECT_EQ("a | b | c |  | d | e\tf g", match[2].str());
    ASSERT_TRUE(std::regex_match(lines[2], match, kLine));
    EXPECT_EQ("M\xC3\xBCnchen \xE5\xAF\x86", match[2].str());  // UTF-8
    ASSERT_TRUE(std::regex_match(lines[3], match, kLine));
    EXPECT_EQ("7", match[1].str());
    EXPECT_EQ("", match[2].str());
}

TEST_F(CompanionLog, ItAppendsWhereTheVariableSaysAndFailsWhereItCannot) {
    const std::wstring nested = folder_.Path() + L"\\deeper\\still\\activity.log";
    ::SetEnvironmentVariableW(L"VANTREL_ACTIVITY_LOG", nested.c_str());
    ASSERT_EQ(S_OK, module_.Log()->LogMessage(1, Bstr(L"first").Get()));
    ASSERT_EQ(S_OK, module_.Log()->LogMessage(1, Bstr(L"second").Get()));
    bool whole = false;
    const auto lines = Lines(nested, &whole);
    ASSERT_EQ(2u, lines.size());
    EXPECT_NE(std::string::npos, lines[0].find(" first"));
    EXPECT_NE(std::string::npos, lines[1].find(" second"));

    // A file where the folder should be: the message is refused, not lost in silence.
    const std::wstring impossible = folder_.Path() + L"\\deeper\\still\\activity.log\\activity.log";
    ::SetEnvironmentVariableW(L"VANTREL_ACTIVITY_LOG", impossible.c_str());
    EXPECT_TRUE(FAILED(module_.Log()->LogMessage(1, Bstr(L"dropped").Get())));
}

TEST_F(CompanionLog, ManyThreadsWritingAtOnceLeaveEveryLineWhole) {
    constexpr int kThreads = 8;
    constexpr int kEach = 50;
    // Long enough that interleaved or partial writes would show.
    const std::wstring padding(180, L'=');
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&, t] {
            ComApartment mta(COINIT_MULTITHREADED);
            // Each message through a fresh object, as the module's workers do.
            for (int i = 0; i < kEach; ++i) {
                ComPtr<IActivityLog> log = module_.Log();
                const std::wstring text = L"thread " + std::to_wstring(t) + L" message " + std::to_wstring(i) + L" " + padding;
                EXPECT_EQ(S_OK, log->LogMessage(1, Bstr(text).Get()));
            }
        });
    for (auto& thread : threads) thread.join();

    bool whole = false;
    const auto lines = Lines(folder_.LogFile(), &whole);
    EXPECT_TRUE(whole);
    EXPECT_EQ(static_cast<size_t>(kThreads * kEach), lines.size());
    const std::regex message("thread (\\d+) message (\\d+) ={180}");
    std::set<std::pair<int, int>> seen;
    for (const auto& line : lines) {
        std::smatch match;
        ASSERT_TRUE(std::regex_match(line, match, kLine)) << line;
        const std::string text = match[2].str();
        std::smatch parts;
        ASSERT_TRUE(std::regex_match(text, parts, message)) << line;
        seen.insert({std::stoi(parts[1].str()), std::stoi(parts[2].str())});
    }
    EXPECT_EQ(static_cast<size_t>(kThreads * kEach), seen.size());
}

}  // namespace
