// The step every remote job takes first, kept apart from the job record so
// that a program using only the record does not pull in the credentials layer.
#include "credentials/Credentials.h"
#include "wizards/ComputerJob.h"

#include <string>

namespace vantrel {

void ComputerJob::RecallCredentials(AlternateCredentials& credentials) const {
    std::wstring path = computerName ? computerName.Get() : L"";
    long options = 0;
    if (computerInfo) {
        UniqueBstr stored;
        long storedOptions = 0;
        if (SUCCEEDED(computerInfo->get_CredentialsPath(stored.Put())) && stored && *stored.Get()) path = stored.Get();
        if (SUCCEEDED(computerInfo->get_HierarchicalRecallOptions(&storedOptions))) options = storedOptions;
    }
    RecallAlternateCredentials(path.c_str(), options, credentials);
}

}  // namespace vantrel
