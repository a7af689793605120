#pragma once
// The two jobs of the Check DNS Records Wizard: the check of one computer's
// records (phase 1) and the restart of its Net Logon service, which makes it
// register them again (phase 2).
#include "wizards/ComputerJob.h"

namespace vantrel {

// The missing-records mark of a check job.
constexpr LONG kRecordsMissing = static_cast<LONG>(E_FAIL);

class DnsCheckJob final : public ComputerJob {
public:
    DnsCheckJob() noexcept;
    HRESULT Execute() override;

    // 0, or kRecordsMissing when both lookups of some record came back
    // without the record.
    LONG missingRecords = 0;
};

class DnsRegisterJob final : public ComputerJob {
public:
    DnsRegisterJob() noexcept;
    HRESULT Execute() override;
};

// The service the re-registration restarts.
extern const wchar_t kNetLogonService[];

}  // namespace vantrel
