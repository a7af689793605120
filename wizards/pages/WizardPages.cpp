#include "wizards/pages/WizardPages.h"

#include "resources/resource.h"

#include <vector>

namespace vantrel {

HFONT MakeHeadingFont(HWND page) {
    HFONT dialogFont = reinterpret_cast<HFONT>(::SendMessageW(page, WM_GETFONT, 0, 0));
    LOGFONTW font{};
    if (!dialogFont || ::GetObjectW(dialogFont, sizeof(font), &font) == 0)
        ::GetObjectW(::GetStockObject(DEFAULT_GUI_FONT), sizeof(font), &font);
    font.lfHeight = 20;
    font.lfWidth = 0;
    font.lfWeight = FW_BOLD;
    return ::CreateFontIndirectW(&font);
}

namespace {

void ShowHeading(PropertyPage& page, const std::wstring& heading) {
    HWND control = page.Item(IDC_WIZARD_HEADING);
    if (HFONT bold = MakeHeadingFont(page.Window())) {
        page.AdoptFont(bold);
        ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(bold), FALSE);
    }
    ::SetWindowTextW(control, heading.c_str());
}

}  // namespace

// --- WelcomePage -------------------------------------------------------------

WelcomePage::WelcomePage(std::wstring title, std::wstring heading, std::wstring text, UINT templateId)
    : WizardPage(templateId ? templateId : IDD_WIZARD_WELCOME), heading_(std::move(heading)), text_(std::move(text)) {
    Record().dwFlags |= PSP_HIDEHEADER;
    SetTitle(std::move(title));
    SetWizardButtons(PSWIZB_NEXT);
}

BOOL WelcomePage::OnInitDialog() {
    ShowHeading(*this, heading_);
    ::SetDlgItemTextW(Window(), IDC_WIZARD_TEXT, text_.c_str());
    return TRUE;
}

// --- OperationPage -----------------------------------------------------------

OperationPage::OperationPage(UINT templateId, std::wstring headerTitle, std::wstring text)
    : WizardPage(templateId), text_(std::move(text)) {
    SetHeaderTitle(std::move(headerTitle));
}

BOOL OperationPage::OnInitDialog() {
    if (Item(IDC_WIZARD_TEXT)) ::SetDlgItemTextW(Window(), IDC_WIZARD_TEXT, text_.c_str());
    return TRUE;
}

LRESULT OperationPage::OnWizardNext() { return RunNextHook(); }

// --- CompletionPage ----------------------------------------------------------

CompletionPage::CompletionPage(std::wstring heading, std::wstring text, std::function<std::wstring()> summary,
                               UINT templateId)
    : WizardPage(templateId ? templateId : IDD_WIZARD_COMPLETION),
      heading_(std::move(heading)),
      text_(std::move(text)),
      summary_(std::move(summary)) {
    Record().dwFlags |= PSP_HIDEHEADER;
    SetWizardButtons(PSWIZB_FINISH);
}

BOOL CompletionPage::OnInitDialog() {
    ShowHeading(*this, heading_);
    // Result lines are indented by a tab: a narrow one (in dialog units).
    int tabStop = 12;
    ::SendDlgItemMessageW(Window(), IDC_WIZARD_SUMMARY, EM_SETTABSTOPS, 1, reinterpret_cast<LPARAM>(&tabStop));
    return TRUE;
}

LRESULT CompletionPage::OnSetActive() {
    ::SetDlgItemTextW(Window(), IDC_WIZARD_HEADING, heading_.c_str());
    ::SetDlgItemTextW(Window(), IDC_WIZARD_TEXT, text_.c_str());
    const std::wstring summary = summary_ ? summary_() : std::wstring();
    ::SetDlgItemTextW(Window(), IDC_WIZARD_SUMMARY, summary.c_str());
    // The base posts the buttons (Finish only: the run cannot be gone back to).
    return WizardPage::OnSetActive();
}

std::wstring CompletionPage::ShownSummary() const {
    HWND box = Item(IDC_WIZARD_SUMMARY);
    if (!box) return {};
    std::vector<wchar_t> text(static_cast<size_t>(::GetWindowTextLengthW(box)) + 1);
    ::GetWindowTextW(box, text.data(), static_cast<int>(text.size()));
    return text.data();
}

}  // namespace vantrel
