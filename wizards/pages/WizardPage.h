#pragma once
// The page base of the multiple-computer wizards: a property page that adds
// its own paragraph to the summary the completion page shows.
#include "common/PropertyPage.h"

#include <string>

namespace vantrel {

class WizardPage : public PropertyPage {
public:
    using PropertyPage::PropertyPage;

    // The page's paragraph of the wizard summary; empty when it adds none.
    // Read on the wizard's window thread when the completion page shows.
    virtual std::wstring SummaryText() const { return {}; }
};

}  // namespace vantrel
