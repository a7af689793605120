// DnsQuery_W against the network's zone (the `dnsZone` section), served by
// the domain's DNS server: offline computers keep their records. Answers are
// one accounted block per list, released with DnsRecordListFree or DnsFree.
// An unknown name answers DNS_ERROR_RCODE_NAME_ERROR, a known name without a
// record of the type DNS_INFO_NO_RECORDS; a query for a type other than CNAME
// follows the name's CNAME one step, as a resolver does. A single-label name
// is looked up with the domain's suffix.
#include "lab/families/Dns.h"

#include "lab/Gate.h"
#include "lab/Memory.h"
#include "lab/Sections.h"
#include "lab/Text.h"
#include "platform/NameResolution.h"

#include <cstdio>

namespace lab {

std::wstring ZoneName(std::wstring_view name) {
    std::wstring lower = Lower(name);
    if (!lower.empty() && lower.back() == L'.') lower.pop_back();
    return lower;
}

std::wstring QualifiedName(const Network& net, std::wstring_view name) {
    std::wstring zoneName = ZoneName(name);
    if (!zoneName.empty() && zoneName.find(L'.') == std::wstring::npos) zoneName += L"." + ZoneName(net.domainDnsName);
    return zoneName;
}

namespace {

bool ParseIp4(const std::wstring& text, IP4_ADDRESS& out) {
    unsigned a, b, c, d;
    wchar_t extra;
    if (std::swscanf(text.c_str(), L"%u.%u.%u.%u%lc", &a, &b, &c, &d, &extra) != 4) return false;
    if (a > 255 || b > 255 || c > 255 || d > 255) return false;
    out = a | (b << 8) | (c << 16) | (d << 24);  // network order in memory
    return true;
}

struct TypeName {
    const char* name;
    WORD type;
};
constexpr TypeName kTypes[] = {{"A", DNS_TYPE_A}, {"CNAME", DNS_TYPE_CNAME}, {"SRV", DNS_TYPE_SRV}};

void ReadRecord(const json::Value& value, const std::string& path, DnsZone& zone, Diagnostics& diag) {
    ObjectReader r(value, path, diag);
    ZoneRecord record;
    std::wstring name, type;
    r.String("name", name, Need::Required);
    r.String("type", type, Need::Required);
    r.String("data", record.data, Need::Required);
    r.Number("ttl", record.ttl);
    DWORD priority = 0, weight = 100, port = 0;
    r.Number("priority", priority, Need::Optional, 0, 0xFFFF);
    r.Number("weight", weight, Need::Optional, 0, 0xFFFF);
    r.Number("port", port, Need::Optional, 0, 0xFFFF);
    r.Finish();
    if (!diag.Ok()) return;
    record.name = ZoneName(name);
    record.priority = static_cast<WORD>(priority);
    record.weight = static_cast<WORD>(weight);
    record.port = static_cast<WORD>(port);
    bool known = false;
    for (const TypeName& t : kTypes) {
        if (Narrow(type) == t.name) {
            record.type = t.type;
            known = true;
        }
    }
    if (!known) return diag.Fail(value.line, FieldPath(path, "type"), "expected \"A\", \"CNAME\" or \"SRV\"");
    IP4_ADDRESS address = 0;
    if (record.type == DNS_TYPE_A && !ParseIp4(record.data, address))
        return diag.Fail(value.line, FieldPath(path, "data"), "expected a dotted IPv4 address");
    if (record.type != DNS_TYPE_A) record.data = ZoneName(record.data);
    zone.records.push_back(std::move(record));
}

void ReadFailure(const json::Value& value, const std::string& path, DnsZone& zone, Diagnostics& diag) {
    ObjectReader r(value, path, diag);
    ZoneFailure failure;
    std::wstring name;
    r.String("name", name, Need::Required);
    r.Number("error", failure.error, Need::Required, 1);
    r.Finish();
    failure.name = ZoneName(name);
    if (diag.Ok()) zone.failures.push_back(std::move(failure));
}

template <typename Read>
void ReadList(ObjectReader& r, const char* key, DnsZone& zone, Read read) {
    const json::Value* list = r.Take(key);
    if (!list || !ExpectType(*list, json::Type::Array, r.PathOf(key), r.Diag())) return;
    for (size_t i = 0; i < list->items.size() && r.Ok(); ++i) read(list->items[i], ItemPath(r.PathOf(key), i), zone, r.Diag());
}

// "dnsZone": { "computerRecords": bool, "records": [...], "failures": [...] }
void ParseZone(const json::Value* value, const std::string& path, Network& network, Diagnostics& diag) {
    DnsZone& zone = network.Section<DnsZone>();
    zone = DnsZone{};
    if (!value) return;
    ObjectReader r(*value, path, diag);
    r.Bool("computerRecords", zone.computerRecords);
    ReadList(r, "records", zone, &ReadRecord);
    ReadList(r, "failures", zone, &ReadFailure);
    r.Finish();
    for (size_t i = 0; i < zone.records.size(); ++i) zone.byName[zone.records[i].name].push_back(i);
}

const SectionRegistration kZone{NetworkSectionHandler{"dnsZone", &ParseZone, nullptr}};

// The records of `name`: the zone's, and the computer's own address record.
std::vector<ZoneRecord> RecordsOf(const Network& net, const DnsZone& zone, const std::wstring& name) {
    std::vector<ZoneRecord> found;
    if (zone.computerRecords) {
        const Computer* computer = net.Find(name);
        if (computer && !computer->ip.empty() && ZoneName(computer->dnsName) == name) {
            ZoneRecord own;
            own.name = name;
            own.data = computer->ip;
            own.ttl = 1200;
            found.push_back(std::move(own));
        }
    }
    const auto indexed = zone.byName.find(name);
    if (indexed != zone.byName.end()) {
        for (size_t i : indexed->second) found.push_back(zone.records[i]);
    }
    return found;
}

std::vector<ZoneRecord> OfType(const std::vector<ZoneRecord>& records, WORD type) {
    std::vector<ZoneRecord> out;
    for (const ZoneRecord& record : records) {
        if (type == DNS_TYPE_ALL || record.type == type) out.push_back(record);
    }
    return out;
}

DNS_STATUS Answer(const std::vector<ZoneRecord>& answer, const std::wstring& computer, PDNS_RECORD* results) {
    size_t chars = 0;
    for (const ZoneRecord& record : answer) chars += Chars(record.name) + Chars(record.data);
    RecordBuffer<DNS_RECORDW> out(answer.size(), chars);
    if (!out) return ERROR_NOT_ENOUGH_MEMORY;
    for (size_t i = 0; i < answer.size(); ++i) {
        const ZoneRecord& from = answer[i];
        DNS_RECORDW& to = out[i];
        to.pNext = i + 1 < answer.size() ? &out[i + 1] : nullptr;
        to.pName = out.Put(from.name);
        to.wType = from.type;
        to.dwTtl = from.ttl;
        to.Flags.S.Section = DnsSectionAnswer;
        to.Flags.S.CharSet = DnsCharSetUnicode;
        switch (from.type) {
        case DNS_TYPE_A:
            to.wDataLength = sizeof(DNS_A_DATA);
            ParseIp4(from.data, to.Data.A.IpAddress);
            out.Put(from.data);
            break;
        case DNS_TYPE_CNAME:
            to.wDataLength = sizeof(DNS_PTR_DATAW);
            to.Data.CNAME.pNameHost = out.Put(from.data);
            break;
        default:
            to.wDataLength = sizeof(DNS_SRV_DATAW);
            to.Data.SRV.pNameTarget = out.Put(from.data);
            to.Data.SRV.wPriority = from.priority;
            to.Data.SRV.wWeight = from.weight;
            to.Data.SRV.wPort = from.port;
            break;
        }
    }
    *results = reinterpret_cast<PDNS_RECORD>(out.Hand(LAB_KIND_DNS_RECORD_LIST, computer, "DnsQuery_W"));
    return 0;
}

}  // namespace

}  // namespace lab

DNS_STATUS WINAPI plat::DnsQuery_W(PCWSTR pszName, WORD wType, DWORD Options, PIP4_ARRAY aipServers,
                                   PDNS_RECORD* ppQueryResults, PVOID* pReserved) {
    (void)Options, (void)aipServers, (void)pReserved;
    if (ppQueryResults) *ppQueryResults = nullptr;
    if (!pszName || !ppQueryResults) return ERROR_INVALID_PARAMETER;
    // The local computer asks its DNS server; faults and latency go by the
    // function (or the local computer).
    lab::Gate gate(nullptr, lab::Family::Dns, "DnsQuery_W");
    if (gate.Error()) return gate.Error();
    const lab::Network& net = gate.Net();
    const lab::DnsZone& zone = gate.Net().Section<lab::DnsZone>();
    const std::wstring name = lab::QualifiedName(net, pszName);
    for (const lab::ZoneFailure& failure : zone.failures) {
        if (failure.name == name) return failure.error;
    }
    const std::vector<lab::ZoneRecord> records = lab::RecordsOf(net, zone, name);
    if (records.empty()) return DNS_ERROR_RCODE_NAME_ERROR;
    std::vector<lab::ZoneRecord> answer = lab::OfType(records, wType);
    if (answer.empty() && wType != DNS_TYPE_CNAME) {
        const std::vector<lab::ZoneRecord> alias = lab::OfType(records, DNS_TYPE_CNAME);
        if (!alias.empty()) {
            const std::vector<lab::ZoneRecord> target = lab::OfType(lab::RecordsOf(net, zone, alias[0].data), wType);
            if (!target.empty()) {
                answer.push_back(alias[0]);
                answer.insert(answer.end(), target.begin(), target.end());
            }
        }
    }
    if (answer.empty()) return DNS_INFO_NO_RECORDS;
    return lab::Answer(answer, gate.Target().name, ppQueryResults);
}

VOID WINAPI plat::DnsRecordListFree(PDNS_RECORD pRecordList, DNS_FREE_TYPE FreeType) {
    (void)FreeType;
    if (pRecordList) lab::ReleaseBlock(LAB_KIND_DNS_RECORD_LIST, pRecordList, "DnsRecordListFree");
}

VOID WINAPI plat::DnsFree(PVOID pData, DNS_FREE_TYPE FreeType) {
    (void)FreeType;
    if (pData) lab::ReleaseBlock(LAB_KIND_DNS_RECORD_LIST, pData, "DnsFree");
}
