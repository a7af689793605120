#pragma once
// A multiple-computer wizard without a person: created through the module's
// MultiComputerOp component, walked page by page with Next as a person would
// (the password typed into its fields, the messages answered), a picture of
// each page saved, and the completion page's summary written and printed.
#include "console/WizardLauncher.h"

#include <cstdio>
#include <string>
#include <vector>

namespace console {

struct WizardRun {
    const WizardOperation* operation = nullptr;
    std::vector<ComputerChoice> computers;
    std::wstring password;  // typed into both password fields
    bool checkBoxes = false;  // check every box of a page before Next (Register DNS Records)
    std::wstring folder;
    unsigned timeoutSeconds = 120;
    // Manage Registry Entries: the registry file to compare with, or the
    // entries to add (one a line: key|dword|string, TAB, key path, then for
    // values TAB value name, and TAB data to test the data).
    std::wstring regFile;
    std::wstring entriesFile;
};

// One line of an entries file, as the Registry Entry dialog takes it.
struct EntryLine {
    int type = 0;  // 0 key, 1 DWORD value, 2 string value
    std::wstring key, value, data;
    bool testData = false;
};
// False with the line number in `badLine` when a line is not one.
bool ParseEntryLines(const std::wstring& text, std::vector<EntryLine>& entries, size_t& badLine);

// Writes FOLDER\wizard-NAME-N.png per page and FOLDER\wizard-NAME-summary.txt;
// prints the summary. 0 when the wizard reached its completion page.
int CaptureWizard(const WizardRun& run, std::FILE* out);

}  // namespace console
