#pragma once
// The new-password page of the administrator-password wizard: the password
// twice; Next checks that both match, stores the password and starts the run.
#include "common/Handles.h"
#include "wizards/pages/WizardPages.h"

#include <string>

namespace vantrel {

class PasswordPage final : public OperationPage {
public:
    // `store` receives the confirmed password (an empty field: empty text).
    PasswordPage(std::wstring headerTitle, std::wstring subtitle, UniqueSecretBstr& store);

protected:
    BOOL OnInitDialog() override;
    LRESULT OnWizardNext() override;

private:
    UniqueSecretBstr& store_;
};

}  // namespace vantrel
