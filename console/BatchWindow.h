#pragma once
// The "Service Batch" window: the batch's computer and service rows, the five
// commands, whether to wait for every computer's job, Remove and Clear. It is
// modeless and owned by the console window, which adds the rows; closing it
// only hides it, the batch stays.
#include "common/ComPtr.h"
#include "common/Dialog.h"
#include "console/ServiceBatch.h"

namespace console {

class BatchWindow final : public vantrel::Dialog {
public:
    BatchWindow(ServiceBatchList& batch, vantrel::ComPtr<IMultiServiceControl> control);

    // Creates the window the first time, then shows it with the batch as it is now.
    HRESULT Show(HWND owner);
    // Rebuilds the rows and the enabling from the batch.
    void Refill();
    // What a press of the command button ran last (empty before the first).
    const std::wstring& LastOutcome() const { return outcome_; }
    HRESULT LastResult() const { return result_; }

protected:
    BOOL OnInitDialog() override;
    void OnCommand(UINT id, UINT code, HWND control) override;
    LRESULT OnNotify(const NMHDR& header) override;

private:
    void RunCommand(const BatchCommand& command);
    void RemoveSelected();
    void UpdateButtons();

    ServiceBatchList& batch_;
    vantrel::ComPtr<IMultiServiceControl> control_;
    std::wstring outcome_;
    HRESULT result_ = S_FALSE;  // S_FALSE: nothing ran yet
};

}  // namespace console
