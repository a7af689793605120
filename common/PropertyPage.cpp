#include "common/PropertyPage.h"

#include "common/DialogBinding.h"
#include "common/HelpControl.h"
#include "common/ModuleState.h"
#include "common/PropertySheetHost.h"

namespace vantrel {

PropertyPage::PropertyPage(UINT templateId, HINSTANCE instance) {
    record_.dwSize = sizeof(record_);
    record_.hInstance = instance ? instance : module::Instance();
    record_.pszTemplate = MAKEINTRESOURCEW(templateId);
    record_.pfnDlgProc = &PropertyPage::Procedure;
    record_.lParam = reinterpret_cast<LPARAM>(this);
}

HPROPSHEETPAGE PropertyPage::CreateHandle(PropertySheetHost& host) {
    host_ = &host;
    record_.pfnDlgProc = &PropertyPage::Procedure;
    record_.lParam = reinterpret_cast<LPARAM>(this);
    if (!headerTitle_.empty()) {
        record_.dwFlags |= PSP_USEHEADERTITLE;
        record_.pszHeaderTitle = headerTitle_.c_str();
    }
    if (!headerSubtitle_.empty()) {
        record_.dwFlags |= PSP_USEHEADERSUBTITLE;
        record_.pszHeaderSubTitle = headerSubtitle_.c_str();
    }
    return ::CreatePropertySheetPageW(&record_);
}

void PropertyPage::SetTitle(std::wstring title) {
    title_ = std::move(title);
    if (HWND sheet = SheetWindow(); sheet && !title_.empty())
        ::SendMessageW(sheet, PSM_SETTITLEW, 0, reinterpret_cast<LPARAM>(title_.c_str()));
}

void PropertyPage::SetHeaderTitle(std::wstring text) {
    headerTitle_ = std::move(text);
    SendHeaderText(PSM_SETHEADERTITLEW, headerTitle_);
}

void PropertyPage::SetHeaderSubtitle(std::wstring text) {
    headerSubtitle_ = std::move(text);
    SendHeaderText(PSM_SETHEADERSUBTITLEW, headerSubtitle_);
}

void PropertyPage::SendHeaderText(UINT message, const std::wstring& text) {
    HWND sheet = SheetWindow();
    if (!sheet) return;
    const LRESULT index = ::SendMessageW(sheet, PSM_HWNDTOINDEX, reinterpret_cast<WPARAM>(window_), 0);
    if (index < 0) return;
    ::SendMessageW(sheet, message, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.c_str()));
}

void PropertyPage::SetModified(bool modified) {
    modified_ = modified;
    HWND sheet = SheetWindow();
    if (!sheet) return;
    ::SendMessageW(sheet, modified ? PSM_CHANGED : PSM_UNCHANGED, reinterpret_cast<WPARAM>(window_), 0);
    ::PostMessageW(sheet, DM_SETDEFID, IDOK, 0);
}

void PropertyPage::SetHelp(std::wstring file, DWORD context, HelpControl* control) {
    helpFile_ = std::move(file);
    helpContext_ = context;
    helpControl_ = control;
}

// Enabling Apply, or a page change, can move the default button of the sheet
// away from OK; Enter should still mean OK where OK can be pressed.
void PropertyPage::KeepOkDefault() {
    HWND sheet = SheetWindow();
    HWND ok = ::GetDlgItem(sheet, IDOK);
    if (ok && ::IsWindowEnabled(ok)) ::PostMessageW(sheet, DM_SETDEFID, IDOK, 0);
}

LRESULT PropertyPage::OnSetActive() {
    HWND sheet = SheetWindow();
    const bool wizard = host_ && host_->IsWizard();
    if (!title_.empty()) {
        ::SendMessageW(sheet, PSM_SETTITLEW, 0, reinterpret_cast<LPARAM>(title_.c_str()));
        // Some sheets put the page template's caption into the title bar after
        // the activation (Wine's wizards do); the posted copy lands after that.
        if (wizard) ::PostMessageW(sheet, PSM_SETTITLEW, 0, reinterpret_cast<LPARAM>(title_.c_str()));
    }
    if (wizard) ::PostMessageW(sheet, PSM_SETWIZBUTTONS, 0, wizardButtons_);
    KeepOkDefault();
    return 0;
}

void PropertyPage::ShowHelp() {
    if (helpFile_.empty() || helpContext_ == kNoHelpContext) return;
    HelpControl& control = helpControl_ ? *helpControl_ : PlatformHelpControl();
    control.ShowContext(window_, helpFile_, helpContext_);
}

INT_PTR CALLBACK PropertyPage::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    // WM_INITDIALOG's lParam is the sheet's copy of the page record; its
    // lParam is the page.
    PropertyPage* initOwner = nullptr;
    if (message == WM_INITDIALOG && lParam)
        initOwner = reinterpret_cast<PropertyPage*>(reinterpret_cast<const PROPSHEETPAGEW*>(lParam)->lParam);
    return RouteToBoundObject(window, message, wParam, lParam, initOwner);
}

INT_PTR PropertyPage::Route(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
        OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
        return FALSE;
    case WM_VSCROLL:
        OnVScroll(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
        return FALSE;
    case WM_DRAWITEM:
        return OnDrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)) ? TRUE : FALSE;
    case kPagePrivateMessage:
        OnPrivateMessage(wParam, lParam);
        return FALSE;
    case WM_KEYDOWN:
        return OnKeyDown(wParam, lParam) == 0 ? TRUE : FALSE;
    case WM_HELP:
        if (helpFile_.empty() || helpContext_ == kNoHelpContext) return FALSE;
        ShowHelp();
        return TRUE;
    case WM_NOTIFY:
        return RouteNotify(*reinterpret_cast<const NMHDR*>(lParam), lParam);
    default:
        return OnOtherMessage(message, wParam, lParam);
    }
}

INT_PTR PropertyPage::RouteNotify(const NMHDR& header, LPARAM lParam) {
    LRESULT result = 0;
    switch (header.code) {
    case PSN_SETACTIVE: result = OnSetActive(); break;
    case PSN_APPLY: result = OnApply(); break;
    case PSN_WIZBACK: result = OnWizardBack(); break;
    case PSN_WIZNEXT: result = OnWizardNext(); break;
    case PSN_WIZFINISH: result = OnWizardFinish(); break;
    case PSN_TRANSLATEACCELERATOR: {
        const auto& notify = *reinterpret_cast<const PSHNOTIFY*>(lParam);
        result = OnTranslateAccelerator(*reinterpret_cast<const MSG*>(notify.lParam));
        break;
    }
    default: result = OnNotify(header); break;
    }
    ::SetWindowLongPtrW(window_, DWLP_MSGRESULT, result);
    return TRUE;
}

}  // namespace vantrel
