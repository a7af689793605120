#pragma once
// The DNS zone of a lab network: the records its DNS server answers with.
// Every computer with an address has its own A record under its DNS name
// unless the zone says otherwise; names the zone marks as failing answer
// with their error (a server failure, a refusal, ...).
#include "lab/Model.h"
#include "platform/NameResolution.h"

#include <string>
#include <unordered_map>
#include <vector>

namespace lab {

struct ZoneRecord {
    std::wstring name;  // owner name, lower case, without the final dot
    WORD type = DNS_TYPE_A;
    std::wstring data;  // A: dotted address; CNAME and SRV: the host or target name
    DWORD ttl = 600;
    WORD priority = 0, weight = 100, port = 0;  // SRV
};

struct ZoneFailure {
    std::wstring name;  // as in ZoneRecord
    DWORD error = 0;
};

struct DnsZone {
    bool computerRecords = true;
    std::vector<ZoneRecord> records;
    std::vector<ZoneFailure> failures;
    std::unordered_map<std::wstring, std::vector<size_t>> byName;  // indices into records
};

// A name as the zone keeps it: lower case, a final dot dropped.
std::wstring ZoneName(std::wstring_view name);
// A single-label name with the domain's suffix, as the resolver's search
// list makes it; other names as they are.
std::wstring QualifiedName(const Network& net, std::wstring_view name);

}  // namespace lab
