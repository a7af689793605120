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

    // Takes on the computer's alternate account on the calling thread, as every
    // remote job does first: the credentials path of `computerInfo` (the
    // computer's name without one) and its recall options. `credentials` holds
    // the account until the job is done.
    void TakeOnCredentials(AlternateCredentials& credentials) const;

    HRESULT status = S_FALSE;  // S_FALSE until the body ran; 0 done, 1 cancelled, < 0 failed
    LONG hadOmissions = 0;
    DWORD progressCookie = 0;
    UniqueBstr computerName;
    UniqueBstr message;
    ComPtr<IBrevCompInfo> computerInfo;
};

// A fresh copy of `text`, or null for null.
BSTR CopyBstr(BSTR text) noexcept;

}  // namespace vantrel
