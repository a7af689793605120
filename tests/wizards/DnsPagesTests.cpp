// The decisions of the Check DNS Records Wizard's pages without their
// windows: which check jobs the results page lists and with which status,
// when it is passed over, its summary paragraph, and how the computer list
// is re-marked before the re-registration.
#include "resources/ImageIndex.h"
#include "wizards/dns/DnsPages.h"
#include "wizards/selection/SelectionTable.h"

#include <gtest/gtest.h>

#include <tuple>

namespace vantrel {
namespace {

constexpr wchar_t kMissing[] = L"One or more DNS records are missing.";
constexpr wchar_t kFailed[] = L"The query could not be completed.";

struct Outcome {
    const wchar_t* name;
    HRESULT status;
    LONG mark;
};

void Fill(GrowableArray<DnsCheckJob>& jobs, std::initializer_list<Outcome> outcomes) {
    for (const Outcome& o : outcomes) {
        DnsCheckJob job;
        job.computerName.Reset(::SysAllocString(o.name));
        job.status = o.status;
        job.missingRecords = o.mark;
        ASSERT_EQ(S_OK, jobs.Append(job));
    }
}

TEST(DnsPages, TheResultsListMissingRecordsAndSearchesThatDidNotRun) {
    GrowableArray<DnsCheckJob> jobs;
    Fill(jobs, {{L"OK", S_OK, 0},
                {L"MISSING", S_OK, kRecordsMissing},
                {L"CANCELLED", S_FALSE, 0},
                {L"CANCELLEDMARKED", S_FALSE, kRecordsMissing},
                {L"FAILED", E_FAIL, 0},
                {L"FAILEDMARKED", HRESULT_FROM_WIN32(ERROR_BAD_NETPATH), kRecordsMissing},
                {L"NEVERRUN", static_cast<HRESULT>(2), 0},
                {L"MISSING2", S_OK, kRecordsMissing}});
    const std::vector<DnsResultRow> rows = DnsResultRows(jobs);
    std::vector<std::tuple<std::wstring, std::wstring, int>> got;
    for (const DnsResultRow& r : rows) got.emplace_back(r.name, r.status, r.image);
    const int computer = IMAGE_NETWORK_COMPUTER, error = IMAGE_ERROR;
    const std::vector<std::tuple<std::wstring, std::wstring, int>> expected = {
        {L"MISSING", kMissing, computer}, {L"FAILED", kFailed, error},   {L"FAILEDMARKED", kFailed, error},
        {L"NEVERRUN", kFailed, error},    {L"MISSING2", kMissing, computer}};
    EXPECT_EQ(expected, got);
    EXPECT_TRUE(AnyMissingRecords(jobs));
    EXPECT_EQ(L"Computers that are missing DNS records:\r\n\tMISSING\r\n\tMISSING2", MissingRecordsSummary(jobs));
}

TEST(DnsPages, WithoutMissingRecordsThePageIsPassedOver) {
    struct Case {
        std::initializer_list<Outcome> outcomes;
        bool shown;
    } const cases[] = {
        {{}, false},
        {{{L"A", S_OK, 0}, {L"B", E_FAIL, kRecordsMissing}}, false},  // a failed search alone
        {{{L"A", S_FALSE, kRecordsMissing}}, false},
        {{{L"A", S_OK, 0}, {L"B", S_OK, kRecordsMissing}}, true},
    };
    for (const Case& c : cases) {
        GrowableArray<DnsCheckJob> jobs;
        Fill(jobs, c.outcomes);
        EXPECT_EQ(c.shown, AnyMissingRecords(jobs));
        if (!c.shown) {
            EXPECT_EQ(L"Computers that are missing DNS records:\r\n\tNo DNS records are missing.",
                      MissingRecordsSummary(jobs));
        }
    }
}

TEST(DnsPages, ReMarkingChecksOnlyTheComputersWithMissingRecords) {
    SelectionTable table;
    VARIANT names;
    names.vt = VT_BSTR;
    names.bstrVal = ::SysAllocString(L"GOOD,bad,OFF,BAD,LATE");
    ASSERT_EQ(S_OK, table.SetComputers(&names, 0x2000));
    ::VariantClear(&names);
    table.SetState(2, 0x1000);          // OFF: unchecked by the user
    table.SetState(4, 0x1000 | 0x2);    // LATE: unchecked, selected
    table.SetState(0, 0x2000 | 0x2);    // GOOD: checked, selected
    GrowableArray<DnsCheckJob> jobs;
    Fill(jobs, {{L"GOOD", S_OK, 0}, {L"BAD", S_OK, kRecordsMissing}, {L"LATE", E_FAIL, kRecordsMissing}});
    // Both rows named like BAD (in any case) are checked again; the other
    // bits of a row stay.
    EXPECT_EQ(2u, MarkForRegistration(table, jobs));
    const ULONG expected[] = {0x1000 | 0x2, 0x2000, 0x1000, 0x2000, 0x1000 | 0x2};
    for (LONG row = 0; row < 5; ++row) EXPECT_EQ(expected[row], table.State(row)) << table.Text(row, 0);
}

}  // namespace
}  // namespace vantrel
