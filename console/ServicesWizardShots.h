#pragma once
// The Manage Services Wizard without a person: created through the module's
// MngSvcsWizard component (Create, then Computers, then Start), walked page
// by page as a person would (the source computer set, the services checked,
// the options clicked and typed), a picture of each page saved and the
// summary written and printed.
#include <cstdio>
#include <string>
#include <vector>

namespace console {

struct ServicesWizardRun {
    std::vector<std::wstring> computers;
    std::wstring source;                 // empty: the first computer
    std::vector<std::wstring> services;  // as the services list shows them (display names), or key names
    std::wstring startup;                // "Automatic", "Manual", "Disabled" or empty
    bool stop = false, start = false, dependents = false;
    bool localSystem = false;
    std::wstring account, password;
    std::wstring folder;
    unsigned timeoutSeconds = 120;
};

// The options from the command line's words (after "--wizard services");
// false with `error` for a word it does not know or a missing value.
bool ParseServicesWizardArgument(const std::vector<std::wstring>& words, size_t& index, ServicesWizardRun& run,
                                 std::wstring& error);

// Writes FOLDER\wizard-services-N.png per page and
// FOLDER\wizard-services-summary.txt; prints the summary. 0 when the wizard
// reached its completion page.
int CaptureServicesWizard(const ServicesWizardRun& run, std::FILE* out);

}  // namespace console
