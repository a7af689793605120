// The step every remote job takes first, kept apart from the job record so
// that a program using only the record does not pull in the credentials layer.
#include "credentials/Credentials.h"
#include "wizards/ComputerJob.h"

#include <string>

namespace vantrel {

void RecallComputerCredentials(const wchar_t* computer, IBrevCompInfo* info, AlternateCredentials& credentials) {
    std::wstring path = computer ? computer : L"";
    long options = 0;
    if (info) {
        UniqueBstr stored;
        long storedOptions = 0;
        if (SUCCEEDED(info->get_CredentialsPath(stored.Put())) && stored && *stored.Get()) path = stored.Get();
        if (SUCCEEDED(info->get_HierarchicalRecallOptions(&storedOptions))) options = storedOptions;
    }
    RecallAlternateCredentials(path.c_str(), options, credentials);
}

void ComputerJob::RecallCredentials(AlternateCredentials& credentials) const {
    RecallComputerCredentials(computerName.Get(), computerInfo.Get(), credentials);
}

}  // namespace vantrel
