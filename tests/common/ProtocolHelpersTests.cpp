// The two-call size protocol and the batch loop of the network
// enumerations: what each answer of the platform makes of the result, and
// that no batch's buffer is left behind.
#include "common/NetEnumeration.h"
#include "common/SizeQuery.h"
#include "lab/LabControl.h"
#include "platform/NetManagement.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace vantrel;

namespace {

struct Answer {
    BOOL ok;
    DWORD error;
};

struct SizeCase {
    const char* what;
    Answer first;
    DWORD needed;  // what the first call stores
    Answer second;
    DWORD minimum;
    HRESULT expected;
    int calls;
    DWORD secondSize;  // the size the second call is given
};

const SizeCase kSizeCases[] = {
    {"122 then filled", {FALSE, ERROR_INSUFFICIENT_BUFFER}, 40, {TRUE, 0}, 0, S_OK, 2, 40},
    {"234 then filled", {FALSE, ERROR_MORE_DATA}, 40, {TRUE, 0}, 0, S_OK, 2, 40},
    {"a record needs at least its header", {FALSE, ERROR_INSUFFICIENT_BUFFER}, 8, {TRUE, 0}, 24, S_OK, 2, 24},
    {"nothing to read", {TRUE, 0}, 0, {TRUE, 0}, 0, S_FALSE, 1, 0},
    {"needs no bytes", {FALSE, ERROR_MORE_DATA}, 0, {TRUE, 0}, 0, S_FALSE, 1, 0},
    {"first call refused", {FALSE, ERROR_ACCESS_DENIED}, 0, {TRUE, 0}, 0, E_ACCESSDENIED, 1, 0},
    {"first call left no error", {FALSE, 0}, 0, {TRUE, 0}, 0, E_FAIL, 1, 0},
    {"grew between the calls", {FALSE, ERROR_INSUFFICIENT_BUFFER}, 40, {FALSE, ERROR_INSUFFICIENT_BUFFER}, 0,
     HResultFromWin32(ERROR_INSUFFICIENT_BUFFER), 2, 40},
    {"second call left no error", {FALSE, ERROR_INSUFFICIENT_BUFFER}, 40, {FALSE, 0}, 0, E_FAIL, 2, 40},
};

TEST(SizeQuery, EachAnswerOfTheTwoCalls) {
    for (const SizeCase& c : kSizeCases) {
        SCOPED_TRACE(c.what);
        int calls = 0;
        DWORD secondSize = 0;
        auto call = [&](BYTE* buffer, DWORD size, DWORD* needed) {
            const Answer answer = ++calls == 1 ? c.first : c.second;
            if (calls == 1) {
                EXPECT_EQ(nullptr, buffer);
                *needed = c.needed;
            } else {
                secondSize = size;
                if (answer.ok) buffer[size - 1] = 0x5A;  // the whole block is writable
            }
            ::SetLastError(answer.error);
            return answer.ok;
        };
        UniqueCoTaskMem block(::CoTaskMemAlloc(4));  // replaced in every case
        EXPECT_EQ(c.expected, QueryWithSize(call, block, c.minimum));
        EXPECT_EQ(c.calls, calls);
        EXPECT_EQ(c.secondSize, secondSize);
        EXPECT_EQ(c.expected == S_OK, static_cast<bool>(block));
    }
}

// FS01 answers sessions in batches of two.
constexpr char kScenario[] = R"({
  "domain": { "name": "LAB" },
  "interactiveUser": "LAB\\admin",
  "accounts": [ { "name": "LAB\\admin", "password": "a", "groups": ["LAB\\Domain Admins"] } ],
  "computers": [
    { "name": "ADMIN01", "local": true, "ip": "10.0.0.10" },
    { "name": "FS01", "ip": "10.0.0.20", "enumBatch": 2,
      "sessions": [ { "client": "WS1", "user": "ann" }, { "client": "WS2", "user": "bob" },
                    { "client": "WS3", "user": "carl" }, { "client": "WS4", "user": "dora" },
                    { "client": "WS5", "user": "eve" } ] }
  ]
})";

struct BatchCase {
    const char* what;
    const wchar_t* server;
    NetBatches batches;
    int stopAfter;  // batches taken before `each` stops (0: never)
    HRESULT expected;
    int calls;
    std::vector<std::wstring> users;
};

TEST(NetEnumeration, BatchesResumeStopAndFail) {
    std::wstring error;
    ASSERT_EQ(0u, lab::LoadScenarioText(kScenario, &error)) << std::string(error.begin(), error.end());
    const BatchCase cases[] = {
        {"every batch", L"FS01", NetBatches::kAll, 0, S_OK, 3, {L"ann", L"bob", L"carl", L"dora", L"eve"}},
        {"stopped after the first", L"FS01", NetBatches::kAll, 1, S_FALSE, 1, {L"ann", L"bob"}},
        {"stopped after the second", L"FS01", NetBatches::kAll, 2, S_FALSE, 2, {L"ann", L"bob", L"carl", L"dora"}},
        {"first batch only", L"FS01", NetBatches::kFirstBatchOnly, 0, S_OK, 1, {L"ann", L"bob"}},
        {"no such computer", L"NOSUCH", NetBatches::kAll, 0, HResultFromWin32(ERROR_BAD_NETPATH), 1, {}},
    };
    for (const BatchCase& c : cases) {
        SCOPED_TRACE(c.what);
        std::wstring server = c.server;
        int calls = 0, taken = 0;
        std::vector<std::wstring> users;
        auto call = [&](LPBYTE* buffer, DWORD* read, DWORD* total, DWORD* resume) {
            ++calls;
            return plat::NetSessionEnum(server.data(), nullptr, nullptr, 10, buffer, MAX_PREFERRED_LENGTH, read, total,
                                        resume);
        };
        auto each = [&](const SESSION_INFO_10* sessions, DWORD count) {
            for (DWORD i = 0; i < count; ++i) users.push_back(sessions[i].sesi10_username);
            return ++taken != c.stopAfter;
        };
        EXPECT_EQ(c.expected, (EnumerateNetBatches<SESSION_INFO_10, DWORD>(call, each, c.batches)));
        EXPECT_EQ(c.calls, calls);
        EXPECT_EQ(c.users, users);
        EXPECT_EQ(L"clean", lab::LeakReport());
    }
}

}  // namespace
