#pragma once
// What the Manage Registry Entries Wizard checks and the texts it writes: the
// entry records, the per-computer result file, the summary paragraphs and the
// rules of the Registry Entry dialog. Plain functions, no windows.
#include <windows.h>

#include <string>
#include <vector>

namespace vantrel {

enum class RegEntryType : LONG { Key = 0, Dword = 1, String = 2 };
enum class RegAction : LONG { TestExistence = 0, TestData = 1 };

// One row of the entry list.
struct RegistryEntry {
    std::wstring key;        // full path as typed or chosen
    std::wstring valueName;  // empty for a key entry
    RegEntryType type = RegEntryType::Key;
    RegAction action = RegAction::TestExistence;
    DWORD number = 0;   // the data of a DWORD entry
    std::wstring text;  // the data of a string entry

    bool TestsData() const noexcept { return action == RegAction::TestData && type != RegEntryType::Key; }
    // REG_DWORD for a DWORD entry, REG_SZ otherwise.
    long RegistryType() const noexcept { return type == RegEntryType::Dword ? REG_DWORD : REG_SZ; }
};

// The texts of the lists and the summary.
std::wstring EntryTypeText(RegEntryType type);  // "Key", "Value (DWORD)", "Value (String)"
std::wstring ActionText(RegAction action);      // "Test Existence", "Test Data"
std::wstring EntryDataText(const RegistryEntry& entry);  // empty unless the data is tested

// How one computer's query ended, for the results page.
enum class QueryOutcome { Compliant, Omissions, Failed };
QueryOutcome OutcomeOf(HRESULT status, LONG hadOmissions) noexcept;
const wchar_t* QueryStatusText(QueryOutcome outcome) noexcept;

// --- the result file -------------------------------------------------------

// One formatted piece never holds more characters than this.
constexpr size_t kMaxPieceChars = 16385;
std::wstring LimitPiece(std::wstring piece);

// "%-20s: %s\r\n": the label left-aligned in 20 characters.
std::wstring ReportLine(const std::wstring& label, const std::wstring& text);

std::wstring IndividualHeader(const std::wstring& computer);
std::wstring FileHeader(const std::wstring& computer);

// What the component answered for one entry: its code, and whether the entry
// holds (meaningful when the code is S_OK).
struct EntryAnswer {
    HRESULT code = S_OK;
    bool holds = false;
    std::wstring failureText;  // the system text of a code other than "not found"
};
// The lines of one entry, each a separate piece, the last ending in a blank
// line.
std::vector<std::wstring> EntryReport(const RegistryEntry& entry, const EntryAnswer& answer);
// Whether the answer clears the compliant flag, and whether it is a failure
// of the query (a missing key or value is an answer, not a failure).
bool AnswerIsNegative(const EntryAnswer& answer) noexcept;
bool AnswerFails(const EntryAnswer& answer) noexcept;

extern const wchar_t kComplianceSentence[];

// The pieces written for a registry-file comparison that reported `missing`
// (keys, and "key::value name").
std::vector<std::wstring> FileComparisonReport(const std::wstring& computer, const std::wstring& file,
                                               const std::vector<std::wstring>& missing);

// --- summary paragraphs ----------------------------------------------------

std::wstring ComputersSummary(const std::vector<std::wstring>& queried);
std::wstring MethodSummary(bool fileMode, const std::wstring& file);
std::wstring EntriesSummary(const std::vector<RegistryEntry>& entries);
std::wstring ResultsSummary(const std::vector<std::wstring>& notQueried);

// --- the Registry Entry dialog -----------------------------------------------

// A DWORD as the data box takes it: decimal digits only, at most 10, not
// above 4294967295.
bool ParseDwordText(const std::wstring& text, DWORD& value);
extern const wchar_t kDwordMessage[];

// Enabled state and limits of the dialog's fields for a type and action.
struct EntryFieldRules {
    bool valueEnabled;
    UINT valueLimit;
    bool actionEnabled;
    bool dataEnabled;
    bool digitsOnly;
    UINT dataLimit;
};
EntryFieldRules FieldRules(RegEntryType type, RegAction action) noexcept;

}  // namespace vantrel
