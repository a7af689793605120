#pragma once
// The DNS record check of one computer: its registration list read from the
// administrative share (or the address record made up for it), each record
// looked up twice and compared, and the restart of a service through the
// management instrumentation, which makes Net Logon register its records
// again.
#include <windows.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

struct _DnsRecordW;

namespace vantrel {

// The outcome of one lookup of a record.
enum DnsLookupStatus : int {
    kRecordFound = 0,      // a record of the type with the expected data
    kRecordOtherData = 1,  // records of the type, none with the data
    kRecordMissing = 2,    // no record of the type (or DNS_INFO_NO_RECORDS)
    kLookupFailed = 3,     // any other failure; also the initial value
};

extern const wchar_t kUnableToReadIpData[];      // "Unable to read IP data"
extern const wchar_t kCollectorNotInitialized[];  // "The Data Collector object has not been initialized."

// Both lookups of every record line, in line order, and the highest status
// each lookup reached.
class DnsRecordCollector {
public:
    struct Entry {
        std::wstring name;
        std::wstring computer;
        int first = kLookupFailed;
        int second = kLookupFailed;
    };

    void Add(std::wstring name, std::wstring computer, int first, int second);
    const std::vector<Entry>& Entries() const noexcept { return entries_; }
    int HighestFirst() const noexcept { return highestFirst_; }
    int HighestSecond() const noexcept { return highestSecond_; }
    // Both lookups found something missing or failing.
    bool MissingRecords() const noexcept { return highestFirst_ > 0 && highestSecond_ > 0; }

private:
    std::vector<Entry> entries_;
    int highestFirst_ = 0;
    int highestSecond_ = 0;
};

// The computer's record lines from "\\NAME\admin$\system32\config\netlogon.dns";
// without that file (error 2) the one address line made up from the name's
// resolution. Failures carry kUnableToReadIpData in `failureText` (when given)
// and the platform error as an HRESULT.
HRESULT ReadRegistrationFile(const wchar_t* computer, std::vector<std::wstring>& lines,
                             std::wstring* failureText = nullptr);

// How an answer list compares with a record of `type` and `data` (the data
// as read from the line): found, other data, or missing.
int CompareDnsAnswer(const _DnsRecordW* answers, WORD type, std::wstring_view data);

// One lookup of `name` (DnsQuery_W, standard options, no server list) and its
// status; the answer list is freed.
int LookUpRecord(const wchar_t* name, WORD type, std::wstring_view data);

// Reads the record lines, looks each up twice and hands back the collector.
// An empty list fails with kCollectorNotInitialized and E_FAIL; a failure
// discards the collector.
HRESULT CheckDnsRecords(const wchar_t* computer, std::unique_ptr<DnsRecordCollector>& collector,
                        std::wstring* failureText = nullptr);

// Stops and starts `service` on `computer` through the Win32_Service class of
// "\\NAME\root\cimv2". The methods' own return values are not looked at.
HRESULT RestartServiceByWmi(const wchar_t* computer, const wchar_t* service);

}  // namespace vantrel
