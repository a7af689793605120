#pragma once
// The console's main window: a computer field with the lab's computers, the
// credentials path and recall options, and one tab per view the module
// builds. The views are embedded as children of the window; the shown one is
// active, the others are deactivated. F5 refreshes the shown view; Ctrl+B adds
// the services selected on the Services tab to the service batch.
#include "console/BatchWindow.h"
#include "console/ServiceBatch.h"
#include "console/ViewHost.h"
#include "console/WizardLauncher.h"

#include <memory>
#include <string>
#include <vector>

namespace console {

class ConsoleWindow {
public:
    ConsoleWindow() = default;
    ConsoleWindow(const ConsoleWindow&) = delete;
    ConsoleWindow& operator=(const ConsoleWindow&) = delete;
    ~ConsoleWindow();

    bool Create(ViewHost& host, const std::vector<std::wstring>& computers, const std::wstring& credentialsPath,
                long options);
    HWND Window() const { return window_; }

    // Shows tab `index` (deactivating the view shown before, activating the
    // new one).
    void Select(size_t index);
    // Hands computer and credentials to every view, as the console does when
    // the user picks a computer.
    void Connect(const std::wstring& computer, const std::wstring& credentialsPath, long options);
    void RefreshShown();
    // Resolves the rows selected on the shown Services tab to key names and
    // adds them to the batch, then shows the batch window. False (after a
    // box) when the shown tab is not a Services tab or nothing was added.
    bool AddSelectedServicesToBatch();
    void ShowBatch();
    HWND BatchWindowHandle() const { return batchWindow_ ? batchWindow_->Window() : nullptr; }
    const ServiceBatchList& Batch() const { return batch_; }
    HRESULT LastBatchResult() const { return batchWindow_ ? batchWindow_->LastResult() : E_POINTER; }
    // Fills the computer, credentials path and options fields.
    void ShowConnection(const std::wstring& computer, const std::wstring& credentialsPath, long options);
    // Captures the window as it is on the screen.
    bool Screenshot(const std::wstring& path);
    // The message loop of the interactive console.
    int Run();

private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
    void Layout();
    void ConnectFromFields();
    void StoreCredentials();
    void ForgetCredentials();
    void ListCredentials();
    void RunWizard(const WizardOperation& operation);
    void RunServicesWizard();
    HRESULT ChosenComputers(VARIANT* computers);
    std::wstring Field(int id) const;
    void EnableMenuItems(HMENU menu);

    HWND window_ = nullptr;
    HWND tabs_ = nullptr;
    ViewHost* host_ = nullptr;
    size_t shown_ = 0;
    HACCEL accelerators_ = nullptr;
    std::wstring connected_;  // the computer the views were last given
    ServiceBatchList batch_;
    std::unique_ptr<BatchWindow> batchWindow_;
};

}  // namespace console
