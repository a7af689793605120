#pragma once
// "Restart Computer Options": the delay and the network message of the
// Recovery page's reboot actions.
#include "common/Dialog.h"

#include "resources/ServiceConfigIds.h"

#include <optional>
#include <string>
#include <string_view>

namespace vantrel {

struct RebootOptions {
    DWORD delayMs = 0;                   // delay of every reboot action
    bool sendMessage = false;            // the message goes out before the reboot
    std::optional<std::wstring> message;  // the stored message, or none
};

// The message offered when none is stored (string 192), naming the computer
// without its leading backslashes.
std::wstring DefaultRebootMessage(std::wstring_view computer, std::wstring_view serviceDisplayName);

class RestartOptionsDialog : private Dialog {
public:
    RestartOptionsDialog(std::wstring computer, std::wstring serviceDisplayName, RebootOptions& options)
        : Dialog(IDD_RESTART_OPTIONS), computer_(std::move(computer)), displayName_(std::move(serviceDisplayName)), options_(options) {}

    // IDOK when the options were replaced (the page is then changed); IDCANCEL
    // leaves them as they were.
    INT_PTR Run(HWND owner);

private:
    BOOL OnInitDialog() override;
    void OnCommand(UINT id, UINT code, HWND control) override;
    void ShowMessage(bool send);
    void Accept();

    std::wstring computer_;
    std::wstring displayName_;
    RebootOptions& options_;
};

}  // namespace vantrel
