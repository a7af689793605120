#include "wizards/accounts/PasswordPage.h"

#include "resources/resource.h"

#include <vector>

namespace vantrel {
namespace {

constexpr wchar_t kNotConfirmed[] =
    L"The password was not correctly confirmed. Please ensure that the password and confirmation match exactly.";
constexpr wchar_t kNotConfirmedTitle[] = L"Local Users and Groups";

// The field's text in a buffer wiped before it is freed.
class FieldText {
public:
    FieldText(HWND page, int id) {
        HWND field = ::GetDlgItem(page, id);
        text_.resize(static_cast<size_t>(::GetWindowTextLengthW(field)) + 1);
        ::GetWindowTextW(field, text_.data(), static_cast<int>(text_.size()));
    }
    ~FieldText() { ::SecureZeroMemory(text_.data(), text_.size() * sizeof(wchar_t)); }
    FieldText(const FieldText&) = delete;
    FieldText& operator=(const FieldText&) = delete;
    const wchar_t* Data() const { return text_.data(); }
    size_t Length() const { return text_.size() - 1; }

private:
    std::vector<wchar_t> text_;
};

}  // namespace

PasswordPage::PasswordPage(std::wstring headerTitle, std::wstring subtitle, UniqueSecretBstr& store)
    : OperationPage(IDD_ADMIN_PASSWORD, std::move(headerTitle), {}), store_(store) {
    SetHeaderSubtitle(std::move(subtitle));
}

BOOL PasswordPage::OnInitDialog() { return TRUE; }

LRESULT PasswordPage::OnWizardNext() {
    FieldText password(Window(), IDC_NEW_PASSWORD);
    FieldText confirmation(Window(), IDC_CONFIRM_PASSWORD);
    const bool same = password.Length() == confirmation.Length() &&
                      std::char_traits<wchar_t>::compare(password.Data(), confirmation.Data(), password.Length()) == 0;
    if (!same) {
        ::MessageBoxW(Window(), kNotConfirmed, kNotConfirmedTitle, MB_ICONERROR);
        return -1;
    }
    store_.Reset(::SysAllocStringLen(password.Data(), static_cast<UINT>(password.Length())));
    return RunNextHook();
}

}  // namespace vantrel
