#include "wizards/dns/DnsJobs.h"

#include "credentials/Credentials.h"
#include "wizards/dns/DnsCheck.h"

#include <memory>
#include <string>

namespace vantrel {

const wchar_t kNetLogonService[] = L"NetLogon";

namespace {

// The common start of both jobs: a name is needed.
bool HasName(ComputerJob& job) {
    if (job.computerName && *job.computerName.Get()) return true;
    job.status = HRESULT_FROM_WIN32(ERROR_INVALID_COMPUTERNAME);
    return false;
}

}  // namespace

DnsCheckJob::DnsCheckJob() noexcept { message.Reset(::SysAllocString(L"Check DNS Records")); }

HRESULT DnsCheckJob::Execute() {
    if (HasName(*this)) {
        AlternateCredentials credentials;
        RecallCredentials(credentials);
        std::unique_ptr<DnsRecordCollector> collector;
        std::wstring failure;
        status = CheckDnsRecords(computerName.Get(), collector, &failure);
        // The line of a failed check says what could not be done.
        if (FAILED(status) && !failure.empty()) message.Reset(::SysAllocString(failure.c_str()));
        if (SUCCEEDED(status) && collector && collector->MissingRecords()) missingRecords = kRecordsMissing;
    }
    AdvanceProgress();
    return status;
}

DnsRegisterJob::DnsRegisterJob() noexcept { message.Reset(::SysAllocString(L"Attempt to Update DNS Records")); }

HRESULT DnsRegisterJob::Execute() {
    if (HasName(*this)) {
        AlternateCredentials credentials;
        RecallCredentials(credentials);
        status = RestartServiceByWmi(computerName.Get(), kNetLogonService);
    }
    AdvanceProgress();
    return status;
}

}  // namespace vantrel
