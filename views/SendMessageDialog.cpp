#include "views/SendMessageDialog.h"

#include "common/ResourceText.h"
#include "resources/ResourceViewsIds.h"
#include "views/TerminalRows.h"

namespace vantrel {

namespace {
constexpr int kTitleLimit = 64;
constexpr int kMessageLimit = 256;
constexpr int kReadChars = 1024;  // texts are read up to 1023 characters

std::wstring ReadEdit(HWND edit) {
    std::wstring text(kReadChars, L'\0');
    text.resize(static_cast<size_t>(::GetWindowTextW(edit, text.data(), kReadChars)));
    return text;
}
}  // namespace

SendMessageDialog::SendMessageDialog(std::wstring title) : Dialog(IDD_SEND_MESSAGE), title_(std::move(title)) {}

BOOL SendMessageDialog::OnInitDialog() {
    ::SendMessageW(Item(IDC_MESSAGE_TITLE), EM_LIMITTEXT, kTitleLimit, 0);
    ::SendMessageW(Item(IDC_MESSAGE_TEXT), EM_LIMITTEXT, kMessageLimit, 0);
    ::SetWindowTextW(Item(IDC_MESSAGE_TITLE), title_.c_str());
    ::SetWindowTextW(Item(IDC_MESSAGE_TEXT), L"");
    return TRUE;
}

void SendMessageDialog::OnCommand(UINT id, UINT code, HWND control) {
    if (id == IDOK) {
        title_ = ReadEdit(Item(IDC_MESSAGE_TITLE));
        message_ = ReadEdit(Item(IDC_MESSAGE_TEXT));
    }
    Dialog::OnCommand(id, code, control);
}

std::wstring DefaultMessageTitle() {
    SYSTEMTIME now{};
    ::GetLocalTime(&now);
    return MessageTitle(LoadResourceString(IDS_TS_MESSAGE_TITLE), now);
}

}  // namespace vantrel
