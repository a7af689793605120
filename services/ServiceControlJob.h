#pragma once
// One control operation on a list of services of one computer, run on a
// worker thread of its own with the "Service Control" progress dialog.
#include "common/ComPtr.h"
#include "common/WorkerThread.h"
#include "services/ServiceProgressTexts.h"
#include "services/ServiceRef.h"

#include <string>
#include <vector>

namespace vantrel {

class ServiceControlJob final : public WorkerThread {
public:
    static HRESULT Create(ComPtr<ServiceControlJob>& out) noexcept;

    void SetOperation(ServiceControlOperation operation) noexcept { operation_ = operation; }
    // E_OUTOFMEMORY when the list cannot grow.
    HRESULT AddService(const ServiceRef& service) noexcept;
    void SetOwner(HWND owner) noexcept { owner_ = owner; }
    // Posted to the owner window once the run is over (0: nothing is posted).
    // Owners that start the job without waiting refresh on it.
    void SetDoneMessage(UINT message) noexcept { doneMessage_ = message; }
    // The computer and where its alternate credentials are stored; without a
    // credentials path the computer's own name is looked up, with options 0.
    void SetComputer(std::wstring computer, std::wstring credentialsPath = L"", long recallOptions = 0);
    void SetStartParameters(std::vector<std::wstring> parameters) { startParameters_ = std::move(parameters); }
    // The ServiceControlFlags value of the batch caller (0 from every other).
    void SetControlFlags(long flags) noexcept { controlFlags_ = flags; }

protected:
    HRESULT Run() override;

private:
    ServiceControlJob() = default;
    void RunOperation(class ServiceProgressDialog& dialog);
    // Stop and Restart: asks about active dependents first. False when the
    // service is to be skipped.
    bool ConfirmDependents(ServiceRef& service);
    void Record(HRESULT hr) noexcept;

    ServiceControlOperation operation_ = ServiceControlOperation::None;
    std::vector<ServiceRef> services_;
    HWND owner_ = nullptr;
    UINT doneMessage_ = 0;
    std::wstring computer_;
    std::wstring credentialsPath_;
    long recallOptions_ = 0;
    std::vector<std::wstring> startParameters_;
    long controlFlags_ = 0;

    // State of one run (job thread only).
    ServiceFailureList failures_;
    HRESULT lastFailure_ = S_OK;
};

}  // namespace vantrel
