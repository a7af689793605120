#include "wizards/dns/DnsCheck.h"

#include "common/ComPtr.h"
#include "common/Handles.h"
#include "common/PlatHandles.h"
#include "common/Result.h"
#include "common/WinsockUse.h"
#include "platform/Plat.h"
#include "wizards/dns/RecordLines.h"

#include <wbemcli.h>

#include <new>

namespace vantrel {

const wchar_t kUnableToReadIpData[] = L"Unable to read IP data";
const wchar_t kCollectorNotInitialized[] = L"The Data Collector object has not been initialized.";

void DnsRecordCollector::Add(std::wstring name, std::wstring computer, int first, int second) {
    entries_.push_back(Entry{std::move(name), std::move(computer), first, second});
    if (first > highestFirst_) highestFirst_ = first;
    if (second > highestSecond_) highestSecond_ = second;
}

namespace {

std::wstring FromCodePage(const std::string& text) {
    if (text.empty()) return {};
    const int chars = ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(chars > 0 ? chars : 0), L'\0');
    if (chars > 0) ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), chars);
    return wide;
}

std::string ToCodePage(const wchar_t* text) {
    const int bytes = ::WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) return {};
    std::string narrow(static_cast<size_t>(bytes), '\0');
    ::WideCharToMultiByte(CP_ACP, 0, text, -1, narrow.data(), bytes, nullptr, nullptr);
    narrow.resize(static_cast<size_t>(bytes) - 1);
    return narrow;
}

HRESULT Unreadable(HRESULT code, std::wstring* failureText) {
    if (failureText) *failureText = kUnableToReadIpData;
    RETURN_HR(code);
}

// The whole file; a read that fails part way fails the whole.
HRESULT ReadShareFile(HANDLE file, std::string& bytes) {
    char chunk[4096];
    for (;;) {
        DWORD read = 0;
        RETURN_LAST_ERROR_IF(!plat::ReadFile(file, chunk, sizeof chunk, &read, nullptr));
        if (read == 0) return S_OK;
        bytes.append(chunk, read);
    }
}

// The made-up address line of a computer without registration file, from
// the first address its name resolves to; false when it does not resolve.
bool MadeUpLine(const wchar_t* computer, std::wstring& line) {
    WinsockUse winsock;
    const std::string name = ToCodePage(computer);
    const hostent* host = plat::gethostbyname(name.c_str());
    if (!host || host->h_length < 4 || !host->h_addr_list || !host->h_addr_list[0]) return false;
    line = dns::MadeUpAddressLine(computer, reinterpret_cast<const uint8_t*>(host->h_addr_list[0]));
    return true;
}

bool SameNameNoCase(const wchar_t* name, std::wstring_view expected) {
    if (!name) return false;
    return ::CompareStringOrdinal(name, -1, expected.data(), static_cast<int>(expected.size()), TRUE) == CSTR_EQUAL;
}

}  // namespace

HRESULT ReadRegistrationFile(const wchar_t* computer, std::vector<std::wstring>& lines, std::wstring* failureText) {
    lines.clear();
    const std::wstring path = std::wstring(L"\\\\") + computer + L"\\admin$\\system32\\config\\netlogon.dns";
    UniqueShareFile file(plat::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                           FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.Get() == INVALID_HANDLE_VALUE) {
        const DWORD error = ::GetLastError();
        std::wstring line;
        if (error == ERROR_FILE_NOT_FOUND && MadeUpLine(computer, line)) {
            lines.push_back(std::move(line));
            return S_OK;
        }
        return Unreadable(HResultFromFailure(error), failureText);
    }
    std::string bytes;
    const HRESULT read = ReadShareFile(file.Get(), bytes);
    if (FAILED(read)) return Unreadable(read, failureText);
    for (const std::string& record : dns::RecordLinesOf(bytes)) lines.push_back(FromCodePage(record));
    return S_OK;
}

int CompareDnsAnswer(const DNS_RECORDW* answers, WORD type, std::wstring_view data) {
    const std::wstring_view compared = dns::ComparedData(data);
    bool seen = false;
    for (const DNS_RECORDW* record = answers; record; record = record->pNext) {
        if (record->wType != type) continue;
        seen = true;
        bool found;
        switch (type) {
        case DNS_TYPE_A:
            found = record->Data.A.IpAddress == dns::DottedAddressValue(compared);
            break;
        case DNS_TYPE_CNAME:
            found = SameNameNoCase(record->Data.CNAME.pNameHost, compared);
            break;
        case DNS_TYPE_SRV:
            found = SameNameNoCase(record->Data.SRV.pNameTarget, compared);
            break;
        default:
            found = true;  // the first record of another type will do
            break;
        }
        if (found) return kRecordFound;
    }
    return seen ? kRecordOtherData : kRecordMissing;
}

int LookUpRecord(const wchar_t* name, WORD type, std::wstring_view data) {
    PDNS_RECORD answers = nullptr;
    const DNS_STATUS status = plat::DnsQuery_W(name, type, DNS_QUERY_STANDARD, nullptr, &answers, nullptr);
    const UniqueDnsRecordList owned(answers);
    if (status == DNS_INFO_NO_RECORDS) return kRecordMissing;
    if (status != 0) return kLookupFailed;
    return CompareDnsAnswer(reinterpret_cast<const DNS_RECORDW*>(answers), type, data);
}

HRESULT CheckDnsRecords(const wchar_t* computer, std::unique_ptr<DnsRecordCollector>& collector,
                        std::wstring* failureText) {
    collector.reset();
    std::vector<std::wstring> lines;
    RETURN_IF_FAILED(ReadRegistrationFile(computer, lines, failureText));
    if (lines.empty()) {
        if (failureText) *failureText = kCollectorNotInitialized;
        RETURN_HR(E_FAIL);
    }
    std::unique_ptr<DnsRecordCollector> found(new (std::nothrow) DnsRecordCollector);
    if (!found) RETURN_HR(E_FAIL);
    for (const std::wstring& line : lines) {
        const dns::RecordFields fields = dns::SplitRecordLine(line);
        const WORD type = dns::RecordTypeCode(fields.type);
        // The second lookup repeats the first on purpose: an answer that
        // was on its way in the first one counts.
        const int first = LookUpRecord(fields.name.c_str(), type, fields.data);
        const int second = LookUpRecord(fields.name.c_str(), type, fields.data);
        found->Add(fields.name, computer, first, second);
    }
    collector = std::move(found);
    return S_OK;
}

namespace {

HRESULT SetBlanket(IUnknown* proxy) {
    return ::CoSetProxyBlanket(proxy, RPC_C_AUTHN_WINNT, RPC_C_AUTHZ_NONE, nullptr, RPC_C_AUTHN_LEVEL_CALL,
                               RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE);
}

}  // namespace

HRESULT RestartServiceByWmi(const wchar_t* computer, const wchar_t* service) {
    // On the batch manager's workers the thread is a single-threaded
    // apartment already: the multithreaded start is refused and must then
    // not be undone. The apartment outlives every pointer below.
    ComApartment apartment(COINIT_MULTITHREADED);
    ComPtr<IWbemLocator> locator;
    RETURN_IF_FAILED(plat::CreateWbemLocator(locator.Put()));
    const UniqueBstr space(::SysAllocString((std::wstring(L"\\\\") + computer + L"\\root\\cimv2").c_str()));
    const UniqueBstr path(::SysAllocString((std::wstring(L"Win32_Service.Name=\"") + service + L"\"").c_str()));
    const UniqueBstr stop(::SysAllocString(L"StopService"));
    const UniqueBstr start(::SysAllocString(L"StartService"));
    if (!space || !path || !stop || !start) RETURN_HR(E_OUTOFMEMORY);

    ComPtr<IWbemServices> services;
    RETURN_IF_FAILED(locator->ConnectServer(space.Get(), nullptr, nullptr, nullptr, 0, nullptr, nullptr, services.Put()));
    RETURN_IF_FAILED(SetBlanket(services.Get()));
    ComPtr<IUnknown> unknown;
    RETURN_IF_FAILED(services.QueryTo(unknown.Put()));
    RETURN_IF_FAILED(SetBlanket(unknown.Get()));

    const HRESULT stopped = services->ExecMethod(path.Get(), stop.Get(), 0, nullptr, nullptr, nullptr, nullptr);
    if (stopped < 0) RETURN_HR(stopped);
    return services->ExecMethod(path.Get(), start.Get(), 0, nullptr, nullptr, nullptr, nullptr);
}

}  // namespace vantrel
