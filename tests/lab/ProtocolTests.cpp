// The batch protocol every Net*Enum family answers with: which entries one
// answer carries from the caller's resume handle on, and what the answer's
// outputs and status say afterwards.
#include "lab/Protocol.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

constexpr size_t kNoCap = std::numeric_limits<size_t>::max();
constexpr DWORD kNoResume = 0xFFFFFFFF;  // the caller passes no resume handle

struct BatchCase {
    const char* what;
    size_t total;
    DWORD resume;      // kNoResume: none
    DWORD prefmaxlen;  // every entry takes 10 bytes
    size_t cap;
    size_t first, n;   // the batch
    DWORD read, left, nextResume, status;
};

TEST(NetBatch, CarriesWhatFitsFromTheResumeHandleAndSaysWhatFollows) {
    const BatchCase cases[] = {
        {"everything at once", 5, kNoResume, MAX_PREFERRED_LENGTH, kNoCap, 0, 5, 5, 5, 0, 0},
        {"a handle of 0 starts at the first entry", 5, 0, MAX_PREFERRED_LENGTH, kNoCap, 0, 5, 5, 5, 0, 0},
        {"as many as prefmaxlen holds", 5, 0, 25, kNoCap, 0, 2, 2, 5, 2, ERROR_MORE_DATA},
        {"at least one however small the buffer", 5, 0, 1, kNoCap, 0, 1, 1, 5, 1, ERROR_MORE_DATA},
        {"the computer's batch size caps it", 5, 2, MAX_PREFERRED_LENGTH, 2, 2, 2, 2, 3, 4, ERROR_MORE_DATA},
        {"the last batch resets the handle", 5, 3, MAX_PREFERRED_LENGTH, kNoCap, 3, 2, 2, 2, 0, 0},
        {"a handle at the end carries nothing", 5, 5, MAX_PREFERRED_LENGTH, kNoCap, 5, 0, 0, 0, 0, 0},
        {"a handle past the end carries nothing", 5, 9, MAX_PREFERRED_LENGTH, kNoCap, 5, 0, 0, 0, 0, 0},
        {"an empty list", 0, kNoResume, MAX_PREFERRED_LENGTH, kNoCap, 0, 0, 0, 0, 0, 0},
    };
    for (const BatchCase& c : cases) {
        SCOPED_TRACE(c.what);
        DWORD handle = c.resume == kNoResume ? 0 : c.resume;
        DWORD* resume = c.resume == kNoResume ? nullptr : &handle;
        const lab::NetBatch batch = lab::NetBatchAt(c.total, resume, c.prefmaxlen, [](size_t) { return 10; }, c.cap);
        EXPECT_EQ(c.first, batch.first);
        EXPECT_EQ(c.n, batch.n);
        DWORD read = 99, left = 99;
        EXPECT_EQ(c.status, lab::FinishNetBatch(batch, c.total, &read, &left, resume));
        EXPECT_EQ(c.read, read);
        EXPECT_EQ(c.left, left);
        if (resume) {
            EXPECT_EQ(c.nextResume, handle);
        }
    }
}

TEST(NetBatch, AnAnswerStartsWithItsOutputsClearedOrRefusesWithoutThem) {
    BYTE byte = 0;
    LPBYTE buffer = &byte;
    DWORD read = 7, total = 7;
    EXPECT_EQ(0u, lab::StartNetAnswer(&buffer, &read, &total));
    EXPECT_EQ(nullptr, buffer);
    EXPECT_EQ(0u, read);
    EXPECT_EQ(0u, total);
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), lab::StartNetAnswer(nullptr, &read, &total));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), lab::StartNetAnswer(&buffer, nullptr, &total));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), lab::StartNetAnswer(&buffer, &read, nullptr));
}

}  // namespace
