#pragma once
// The record of one computer's job in a multiple-computer run. Every job type
// derives from it and adds its own configuration; the batch manager keeps
// copies, so a copy must stand on its own (strings duplicated, the computer
// information referenced once more).
#include "Vantrel_h.h"
#include "common/ComPtr.h"
#include "common/Handles.h"

#include <windows.h>

namespace vantrel {

class AlternateCredentials;

class ComputerJob {
public:
    ComputerJob() noexcept = default;
    ComputerJob(const ComputerJob& other) noexcept;
    ComputerJob& operator=(const ComputerJob& other) noexcept;
    virtual ~ComputerJob() = default;

    // The job body, on a worker thread of its own apartment. Writes `status`
    // (and `message`) and returns the status.
    virtual HRESULT Execute() = 0;

    // Advances the run's progress page by one step through the global
    // interface table; every job body ends with it. Failures are ignored: the
    // page may already be gone.
    void AdvanceProgress() const noexcept;

    // What every job body does first: recalls the computer's alternate
    // credentials on this thread (under its credentials path and recall
    // options when the computer came as an object, else under its name).
    // `credentials` holds the account until the job is done.
    void RecallCredentials(AlternateCredentials& credentials) const;

    HRESULT status = S_FALSE;  // S_FALSE until the body ran; 0 done, 1 cancelled, < 0 failed
    LONG hadOmissions = 0;
    DWORD progressCookie = 0;
    UniqueBstr computerName;
    UniqueBstr message;
    ComPtr<IBrevCompInfo> computerInfo;
};

// Recalls the alternate credentials of `computer` on this thread: under the
// credentials path and recall options of `info` when there is one, else
// under the name.
void RecallComputerCredentials(const wchar_t* computer, IBrevCompInfo* info, AlternateCredentials& credentials);

// A fresh copy of `text`, or null for null.
BSTR CopyBstr(BSTR text) noexcept;

}  // namespace vantrel
