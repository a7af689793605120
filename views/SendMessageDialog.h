#pragma once
// The Send Message dialog of the terminal sessions view: a title (filled
// with a dated default) and a message for the users of the chosen sessions.
#include "common/Dialog.h"

#include <string>

namespace vantrel {

class SendMessageDialog final : public Dialog {
public:
    // `title` is what the title edit starts with.
    explicit SendMessageDialog(std::wstring title);

    // After OK: the texts as the user left them.
    const std::wstring& Title() const noexcept { return title_; }
    const std::wstring& Message() const noexcept { return message_; }

protected:
    BOOL OnInitDialog() override;
    void OnCommand(UINT id, UINT code, HWND control) override;

private:
    std::wstring title_;
    std::wstring message_;
};

// The title the dialog opens with, for the local time now.
std::wstring DefaultMessageTitle();

}  // namespace vantrel
