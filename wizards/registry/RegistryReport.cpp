#include "wizards/registry/RegistryReport.h"

#include <cwchar>

namespace vantrel {

const wchar_t kComplianceSentence[] = L"The registry entries comply with your specification.\r\n";
const wchar_t kDwordMessage[] =
    L"The value entered must be a 32-bit value (maximum 10 digits , not exceeding the value 4294967295)";

namespace {

constexpr HRESULT kNotFound = static_cast<HRESULT>(0x80070002);

const wchar_t* TestText(const RegistryEntry& entry) {
    if (entry.TestsData()) return L"Value of data";
    return entry.type == RegEntryType::Key ? L"Existence of key" : L"Existence of value";
}

const wchar_t* EntryTypeReportText(RegEntryType type) {
    switch (type) {
    case RegEntryType::Key: return L"Key";
    case RegEntryType::Dword: return L"DWORD (REG_DWORD)";
    default: return L"String (REG_SZ)";
    }
}

const wchar_t* ResultText(const RegistryEntry& entry, bool holds) {
    if (entry.TestsData())
        return holds ? L"The registry value exists and is the specified value."
                     : L"The registry value does not exist or does not match the specified data.";
    if (entry.type == RegEntryType::Key) return holds ? L"The registry key exists." : L"The registry key does not exist.";
    return holds ? L"The registry value exists." : L"The registry value does not exist.";
}

}  // namespace

std::wstring EntryTypeText(RegEntryType type) {
    switch (type) {
    case RegEntryType::Key: return L"Key";
    case RegEntryType::Dword: return L"Value (DWORD)";
    default: return L"Value (String)";
    }
}

std::wstring ActionText(RegAction action) {
    return action == RegAction::TestData ? L"Test Data" : L"Test Existence";
}

std::wstring EntryDataText(const RegistryEntry& entry) {
    if (!entry.TestsData()) return {};
    return entry.type == RegEntryType::Dword ? std::to_wstring(entry.number) : entry.text;
}

QueryOutcome OutcomeOf(HRESULT status, LONG hadOmissions) noexcept {
    if (status != S_OK) return QueryOutcome::Failed;
    return hadOmissions ? QueryOutcome::Omissions : QueryOutcome::Compliant;
}

const wchar_t* QueryStatusText(QueryOutcome outcome) noexcept {
    switch (outcome) {
    case QueryOutcome::Compliant: return L"All registry entries and/or data were found.";
    case QueryOutcome::Omissions: return L"Not all registry entries and/or data were found.";
    default: return L"The query could not be completed.";
    }
}

std::wstring LimitPiece(std::wstring piece) {
    if (piece.size() > kMaxPieceChars) piece.resize(kMaxPieceChars);
    return piece;
}

std::wstring ReportLine(const std::wstring& label, const std::wstring& text) {
    std::wstring line = label;
    if (line.size() < 20) line.append(20 - line.size(), L' ');
    return LimitPiece(line + L": " + text + L"\r\n");
}

std::wstring IndividualHeader(const std::wstring& computer) {
    return LimitPiece(L"FILE:            Results of the Manage Registry Entries Wizard\r\n"
                      L"VALIDATION MODE: Individual Registry Entry\r\n"
                      L"COMPUTER:        " + computer + L"\r\n\r\n");
}

std::wstring FileHeader(const std::wstring& computer) {
    return LimitPiece(L"FILE:            Results of the Manage Registry Entries Wizard\r\n"
                      L"VALIDATION MODE: Registry File\r\n"
                      L"COMPUTER:        " + computer + L"\r\n\r\n");
}

bool AnswerIsNegative(const EntryAnswer& answer) noexcept { return FAILED(answer.code) || !answer.holds; }
bool AnswerFails(const EntryAnswer& answer) noexcept { return FAILED(answer.code) && answer.code != kNotFound; }

std::vector<std::wstring> EntryReport(const RegistryEntry& entry, const EntryAnswer& answer) {
    std::vector<std::wstring> pieces;
    pieces.push_back(ReportLine(L"Test", TestText(entry)));
    pieces.push_back(ReportLine(L"Entry type", EntryTypeReportText(entry.type)));
    if (entry.type == RegEntryType::Key) {
        pieces.push_back(ReportLine(L"Key", entry.key));
    } else {
        pieces.push_back(ReportLine(L"Value", entry.valueName));
    }
    if (entry.TestsData()) {
        if (entry.type == RegEntryType::Dword) {
            pieces.push_back(ReportLine(L"Specified value", std::to_wstring(entry.number)));
        } else {
            pieces.push_back(ReportLine(L"Specified value", entry.text));
        }
    }
    const std::wstring result = AnswerFails(answer) ? answer.failureText
                                                    : std::wstring(ResultText(entry, SUCCEEDED(answer.code) &&
                                                                                         answer.holds));
    std::wstring last = ReportLine(L"Result", result);
    last.resize(last.size() - 2);
    pieces.push_back(LimitPiece(last + L"\r\n\r\n"));
    return pieces;
}

std::vector<std::wstring> FileComparisonReport(const std::wstring& computer, const std::wstring& file,
                                               const std::vector<std::wstring>& missing) {
    std::vector<std::wstring> pieces{FileHeader(computer)};
    if (missing.empty()) {
        pieces.push_back(
            LimitPiece(L"computer '" + computer + L"' is compliant with the registry file '" + file + L"'\r\n"));
        return pieces;
    }
    std::vector<const std::wstring*> keys, values;
    for (const std::wstring& item : missing) (item.find(L"::") != std::wstring::npos ? values : keys).push_back(&item);
    if (!keys.empty()) {
        pieces.push_back(L"The registry keys in the following list could not be found:\r\n\r\n");
        for (const std::wstring* key : keys) pieces.push_back(LimitPiece(L"   " + *key + L"\r\n"));
    }
    if (!values.empty()) {
        pieces.push_back(std::wstring(keys.empty() ? L"" : L"\r\n") +
                         L"The registry values in the following list either could not be\r\n"
                         L"found or did not have data matching that specified:\r\n\r\n");
        for (const std::wstring* value : values) pieces.push_back(LimitPiece(L"   " + *value + L"\r\n"));
    }
    return pieces;
}

std::wstring ComputersSummary(const std::vector<std::wstring>& queried) {
    std::wstring text = L"Manage Registry Entries Wizard\r\n\r\nComputers Selected:";
    for (const std::wstring& name : queried) text += L"\r\n\t" + name;
    return text + L"\r\n";
}

std::wstring MethodSummary(bool fileMode, const std::wstring& file) {
    std::wstring text = L"Registry validation method:\r\n\t";
    if (!fileMode) return text + L"Individual registry entries.";
    return text + L"Registry file (*.reg extension)" + L"\r\n\tName:" + file;
}

std::wstring EntriesSummary(const std::vector<RegistryEntry>& entries) {
    std::wstring text = L"Registry Entries specified:";
    for (const RegistryEntry& entry : entries) {
        text += L"\r\n\tNAME: ";
        if (entry.type == RegEntryType::Key) {
            text += entry.key + L"; TYPE: Key";
        } else {
            text += entry.valueName;
            text += entry.type == RegEntryType::String ? L"; TYPE: string value; KEY: "
                                                       : L"; TYPE: numeric value (DWORD); KEY: ";
            text += entry.key;
        }
        if (entry.TestsData()) text += L"; DATA: " + EntryDataText(entry);
    }
    return text;
}

std::wstring ResultsSummary(const std::vector<std::wstring>& notQueried) {
    std::wstring text = L"Computers where the validation query could not be executed:";
    if (notQueried.empty()) return text + L"\r\n\tThe validation query was executed on all computers.";
    for (const std::wstring& name : notQueried) text += L"\r\n\t" + name;
    return text;
}

bool ParseDwordText(const std::wstring& text, DWORD& value) {
    if (text.empty() || text.size() > 10) return false;
    unsigned long long n = 0;
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9') return false;
        n = n * 10 + static_cast<unsigned>(c - L'0');
    }
    if (n > 0xFFFFFFFFull) return false;
    value = static_cast<DWORD>(n);
    return true;
}

EntryFieldRules FieldRules(RegEntryType type, RegAction action) noexcept {
    if (type == RegEntryType::Key) return {false, 255, false, false, false, 0x7FFFFFFE};
    const bool data = action == RegAction::TestData;
    if (type == RegEntryType::Dword) return {true, 16383, true, data, true, 10};
    return {true, 16383, true, data, false, 0x7FFFFFFE};
}

}  // namespace vantrel
