#pragma once
// The pages of the Check DNS Records Wizard after its computer list: the
// check page (whose Next starts the search), the results page listing the
// computers with missing records or a failed search, and the Register DNS
// Records page, whose box decides whether their Net Logon service is
// restarted. The decisions sit in plain functions beside the pages.
#include "common/GrowableArray.h"
#include "wizards/dns/DnsJobs.h"
#include "wizards/pages/WizardPages.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace vantrel {

class SelectionTable;

// A check job that succeeded and found records missing.
bool HasMissingRecords(const DnsCheckJob& job) noexcept;

// One line of the results list: the computer and its query status.
struct DnsResultRow {
    std::wstring name;
    std::wstring status;
    int image;  // the computer's, or the error picture for a search that failed
};

// In job order: the jobs with missing records, and those whose check neither
// succeeded nor was cancelled.
std::vector<DnsResultRow> DnsResultRows(const GrowableArray<DnsCheckJob>& jobs);

// Whether the results page shows at all: some job has missing records.
bool AnyMissingRecords(const GrowableArray<DnsCheckJob>& jobs) noexcept;

// The results page's paragraph of the summary.
std::wstring MissingRecordsSummary(const GrowableArray<DnsCheckJob>& jobs);

// Before the re-registration: every checked row becomes unchecked, then the
// row of every computer with missing records (name without regard to case)
// is checked again. Returns the number of rows checked.
size_t MarkForRegistration(SelectionTable& table, const GrowableArray<DnsCheckJob>& jobs);

// The check page: the sentence, and Next starts phase 1.
std::unique_ptr<OperationPage> MakeDnsCheckPage();

class DnsResultsPage final : public WizardPage {
public:
    // `jobs`: the finished check jobs, read when the page becomes active.
    explicit DnsResultsPage(const GrowableArray<DnsCheckJob>& jobs);
    std::wstring SummaryText() const override;

protected:
    BOOL OnInitDialog() override;
    LRESULT OnSetActive() override;

private:
    const GrowableArray<DnsCheckJob>& jobs_;
};

class DnsRegisterPage final : public WizardPage {
public:
    // `table`: the computer list's rows; `startPhase` starts phase 2 and
    // gives the page's answer (0 on, -1 stay).
    DnsRegisterPage(SelectionTable& table, const GrowableArray<DnsCheckJob>& jobs, std::function<LRESULT()> startPhase);

protected:
    BOOL OnInitDialog() override;
    LRESULT OnSetActive() override;
    LRESULT OnWizardNext() override;

private:
    SelectionTable& table_;
    const GrowableArray<DnsCheckJob>& jobs_;
    std::function<LRESULT()> startPhase_;
};

}  // namespace vantrel
