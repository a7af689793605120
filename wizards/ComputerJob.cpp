#include "wizards/ComputerJob.h"

#include "common/ProgressPage.h"
#include "credentials/Credentials.h"

#include <string>

namespace vantrel {

BSTR CopyBstr(BSTR text) noexcept { return text ? ::SysAllocStringLen(text, ::SysStringLen(text)) : nullptr; }

ComputerJob::ComputerJob(const ComputerJob& other) noexcept
    : status(other.status),
      hadOmissions(other.hadOmissions),
      progressCookie(other.progressCookie),
      computerName(CopyBstr(other.computerName.Get())),
      message(CopyBstr(other.message.Get())),
      computerInfo(other.computerInfo) {}

ComputerJob& ComputerJob::operator=(const ComputerJob& other) noexcept {
    if (this == &other) return *this;
    status = other.status;
    hadOmissions = other.hadOmissions;
    progressCookie = other.progressCookie;
    computerName.Reset(CopyBstr(other.computerName.Get()));
    message.Reset(CopyBstr(other.message.Get()));
    computerInfo = other.computerInfo;
    return *this;
}

void ComputerJob::AdvanceProgress() const noexcept {
    ComPtr<IGlobalInterfaceTable> table;
    if (FAILED(::CoCreateInstance(CLSID_StdGlobalInterfaceTable, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_IGlobalInterfaceTable, table.PutVoid())))
        return;
    ComPtr<IProgressPage> page;
    if (FAILED(table->GetInterfaceFromGlobal(progressCookie, IID_IProgressPage, page.PutVoid())) || !page) return;
    page->Step();
}

void ComputerJob::RecallCredentials(AlternateCredentials& credentials) const noexcept {
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
