#include "views/DialInPage.h"

#include "platform/NetManagement.h"

#include "common/Dialog.h"
#include "common/ErrorText.h"
#include "common/PlatHandles.h"
#include "common/ResourceText.h"
#include "resources/UserPropsIds.h"
#include "views/RouteDialogs.h"

#include <commctrl.h>

namespace vantrel {
namespace {

constexpr DWORD kMajorVersionMask = 0x0F;

// The controls of the page, for hiding and greying them all.
constexpr int kControls[] = {IDC_DI_PERMISSION_BOX, IDC_DI_ALLOW, IDC_DI_DENY, IDC_DI_POLICY, IDC_DI_VERIFY,
                             IDC_DI_CALLER_ID, IDC_DI_NO_CALLBACK, IDC_DI_CALLER_SETS, IDC_DI_ALWAYS,
                             IDC_DI_CALLBACK_NUMBER, IDC_DI_STATIC_IP, IDC_DI_ADDRESS, IDC_DI_APPLY_ROUTES,
                             IDC_DI_ROUTES};
// What only the data-object back end offers.
constexpr int kDataObjectOnly[] = {IDC_DI_POLICY, IDC_DI_VERIFY, IDC_DI_CALLER_ID, IDC_DI_STATIC_IP, IDC_DI_ADDRESS,
                                   IDC_DI_APPLY_ROUTES, IDC_DI_ROUTES};

}  // namespace

DialInEnabling DialInEnablingFor(bool verify, bool always, bool staticAddress, bool applyRoutes, bool haveRoutes,
                                 DialInBackEnd backEnd) noexcept {
    const bool objects = backEnd == DialInBackEnd::DataObjects;
    DialInEnabling e{};
    e.callerId = objects && verify;
    e.callbackNumber = backEnd != DialInBackEnd::None && always;
    e.address = objects && staticAddress;
    e.applyRoutesChecked = applyRoutes && haveRoutes;
    e.routesButton = objects && e.applyRoutesChecked;
    return e;
}

DialInPage::DialInPage(std::wstring server, std::wstring computer, std::wstring user)
    : PropertyPage(IDD_DIAL_IN), server_(std::move(server)), computer_(std::move(computer)), user_(std::move(user)) {}

int DialInPage::Message(const std::wstring& text, UINT style) const {
    return ::MessageBoxW(Window(), text.c_str(), LoadText(IDS_DI_TITLE).c_str(), style);
}

int DialInPage::Failure(HRESULT code, const std::wstring& context) const {
    return Message(ComposeErrorMessage(static_cast<DWORD>(code), context.c_str()), MB_ICONERROR);
}

void DialInPage::MakeUnusable(bool showFailureText) {
    for (int id : kControls) {
        ::EnableWindow(Item(id), FALSE);
        if (showFailureText) ::ShowWindow(Item(id), SW_HIDE);
    }
    if (showFailureText) ::ShowWindow(Item(IDC_DI_FAILED), SW_SHOW);
    backEnd_ = DialInBackEnd::None;
}

BOOL DialInPage::OnInitDialog() {
    loading_ = true;
    ::SendDlgItemMessageW(Window(), IDC_DI_CALLBACK_NUMBER, EM_LIMITTEXT, MAX_PHONE_NUMBER_LEN, 0);
    Initialize();
    loading_ = false;
    SetModified(false);
    return TRUE;
}

bool DialInPage::Initialize() {
    UniqueNetBuffer buffer;
    const NET_API_STATUS status = plat::NetServerGetInfo(const_cast<LMSTR>(server_.c_str()), 101, PutNetBuffer(buffer));
    if (status != NERR_Success) {
        Failure(HRESULT_FROM_WIN32(status), LoadText(IDS_DI_NOT_ACCESSED));
        MakeUnusable(true);
        return false;
    }
    const auto& info = *static_cast<const SERVER_INFO_101*>(buffer.Get());
    if (info.sv101_platform_id != PLATFORM_ID_NT || !(info.sv101_type & SV_TYPE_SERVER_NT)) {
        Message(LoadText(IDS_DI_NOT_SERVER), MB_ICONWARNING);
        MakeUnusable(false);
        return false;
    }
    const DWORD major = info.sv101_version_major & kMajorVersionMask;
    // Every version from 5 on keeps the settings in its server data objects.
    return major < 5 ? LoadVersion4() : LoadDataObjects();
}

bool DialInPage::LoadVersion4() {
    ::SetDlgItemTextW(Window(), IDC_DI_PERMISSION_BOX, LoadText(IDS_DI_BOX_V4).c_str());
    DialInSettings settings;
    if (const HRESULT hr = ReadVersion4(server_, user_, &settings); FAILED(hr)) {
        Failure(hr, LoadText(IDS_DI_NOT_ACCESSED));
        MakeUnusable(false);
        return false;
    }
    backEnd_ = DialInBackEnd::Version4;
    Show(settings);
    return true;
}

bool DialInPage::LoadDataObjects() {
    ::SetDlgItemTextW(Window(), IDC_DI_PERMISSION_BOX, LoadText(IDS_DI_BOX_V5).c_str());
    UINT failedStep = 0;
    if (const HRESULT hr = dataObject_.Bind(computer_, user_, &failedStep); FAILED(hr)) {
        Failure(hr, FormatText(failedStep, {computer_}));
        MakeUnusable(false);
        return false;
    }
    DialInValues values;
    size_t failedAt = 0;
    if (const HRESULT hr = dataObject_.Read(&values, &failedAt); FAILED(hr)) {
        Failure(hr, LoadText(kDialInProperties[failedAt].readFailureId));
        MakeUnusable(false);
        return false;
    }
    backEnd_ = DialInBackEnd::DataObjects;
    Show(SettingsFromValues(values));
    return true;
}

void DialInPage::Show(const DialInSettings& s) {
    HWND page = Window();
    const int permission = s.permission == DialInPermission::Allow  ? IDC_DI_ALLOW
                           : s.permission == DialInPermission::Deny ? IDC_DI_DENY
                                                                     : IDC_DI_POLICY;
    ::CheckRadioButton(page, IDC_DI_ALLOW, IDC_DI_POLICY, permission);
    ::CheckDlgButton(page, IDC_DI_VERIFY, s.verifyCallerId ? BST_CHECKED : BST_UNCHECKED);
    ::SetDlgItemTextW(page, IDC_DI_CALLER_ID, s.callerId.c_str());
    const int callback = s.callback == Callback::None         ? IDC_DI_NO_CALLBACK
                         : s.callback == Callback::CallerSets ? IDC_DI_CALLER_SETS
                                                              : IDC_DI_ALWAYS;
    ::CheckRadioButton(page, IDC_DI_NO_CALLBACK, IDC_DI_ALWAYS, callback);
    ::SetDlgItemTextW(page, IDC_DI_CALLBACK_NUMBER, s.callbackNumber.c_str());
    ::CheckDlgButton(page, IDC_DI_STATIC_IP, s.staticAddress ? BST_CHECKED : BST_UNCHECKED);
    if (s.address || s.staticAddress)
        ::SendDlgItemMessageW(page, IDC_DI_ADDRESS, IPM_SETADDRESS, 0, static_cast<LPARAM>(s.address));
    ::CheckDlgButton(page, IDC_DI_APPLY_ROUTES, s.applyRoutes ? BST_CHECKED : BST_UNCHECKED);
    routes_ = s.routes;
    ApplyEnablingRule();
}

DialInSettings DialInPage::Read() const {
    HWND page = Window();
    auto checked = [page](int id) { return ::IsDlgButtonChecked(page, id) == BST_CHECKED; };
    DialInSettings s;
    s.permission = checked(IDC_DI_ALLOW) ? DialInPermission::Allow
                   : checked(IDC_DI_DENY) ? DialInPermission::Deny
                                          : DialInPermission::Policy;
    s.verifyCallerId = checked(IDC_DI_VERIFY);
    s.callerId = WindowText(Item(IDC_DI_CALLER_ID));
    s.callback = checked(IDC_DI_ALWAYS) ? Callback::Always : checked(IDC_DI_CALLER_SETS) ? Callback::CallerSets : Callback::None;
    s.callbackNumber = WindowText(Item(IDC_DI_CALLBACK_NUMBER)).substr(0, MAX_PHONE_NUMBER_LEN);
    s.staticAddress = checked(IDC_DI_STATIC_IP);
    ::SendDlgItemMessageW(page, IDC_DI_ADDRESS, IPM_GETADDRESS, 0, reinterpret_cast<LPARAM>(&s.address));
    s.applyRoutes = checked(IDC_DI_APPLY_ROUTES);
    s.routes = routes_;
    return s;
}

void DialInPage::ApplyEnablingRule() {
    HWND page = Window();
    auto checked = [page](int id) { return ::IsDlgButtonChecked(page, id) == BST_CHECKED; };
    const DialInEnabling e = DialInEnablingFor(checked(IDC_DI_VERIFY), checked(IDC_DI_ALWAYS), checked(IDC_DI_STATIC_IP),
                                               checked(IDC_DI_APPLY_ROUTES), !routes_.empty(), backEnd_);
    if (!e.applyRoutesChecked) ::CheckDlgButton(page, IDC_DI_APPLY_ROUTES, BST_UNCHECKED);
    ::EnableWindow(Item(IDC_DI_CALLER_ID), e.callerId);
    ::EnableWindow(Item(IDC_DI_CALLBACK_NUMBER), e.callbackNumber);
    ::EnableWindow(Item(IDC_DI_ADDRESS), e.address);
    ::EnableWindow(Item(IDC_DI_ROUTES), e.routesButton);
    if (backEnd_ == DialInBackEnd::Version4) {
        for (int id : kDataObjectOnly) ::EnableWindow(Item(id), FALSE);
    }
}

void DialInPage::EditRoutes() {
    StaticRoutesDialog dialog(routes_);
    if (dialog.RunModal(Window()) == 1) {
        routes_ = dialog.Routes();
        SetModified(true);
    }
    ApplyEnablingRule();
}

void DialInPage::OnCommand(UINT id, UINT code, HWND) {
    if (loading_) return;
    switch (id) {
        case IDC_DI_CALLER_ID:
        case IDC_DI_CALLBACK_NUMBER:
            if (code == EN_CHANGE && !IsModified()) SetModified(true);
            break;
        case IDC_DI_ADDRESS:
            if (code == EN_CHANGE && !IsModified()) SetModified(true);
            break;
        case IDC_DI_APPLY_ROUTES:
            if (code != BN_CLICKED) break;
            SetModified(true);
            if (::IsDlgButtonChecked(Window(), IDC_DI_APPLY_ROUTES) == BST_CHECKED && routes_.empty()) {
                // Checking the box with no routes asks for them at once.
                ::EnableWindow(Item(IDC_DI_ROUTES), TRUE);
                EditRoutes();
                break;
            }
            ApplyEnablingRule();
            break;
        case IDC_DI_ROUTES:
            if (code == BN_CLICKED) EditRoutes();
            break;
        case IDC_DI_ALLOW:
        case IDC_DI_DENY:
        case IDC_DI_POLICY:
        case IDC_DI_VERIFY:
        case IDC_DI_NO_CALLBACK:
        case IDC_DI_CALLER_SETS:
        case IDC_DI_ALWAYS:
        case IDC_DI_STATIC_IP:
            if (code != BN_CLICKED) break;
            SetModified(true);
            ApplyEnablingRule();
            break;
        default: break;
    }
}

bool DialInPage::Validate() {
    if (backEnd_ == DialInBackEnd::None) return true;
    HWND page = Window();
    auto checked = [page](int id) { return ::IsDlgButtonChecked(page, id) == BST_CHECKED; };
    int incomplete = 0;
    if (checked(IDC_DI_VERIFY) && WindowText(Item(IDC_DI_CALLER_ID)).empty()) incomplete = IDC_DI_CALLER_ID;
    else if (checked(IDC_DI_ALWAYS) && WindowText(Item(IDC_DI_CALLBACK_NUMBER)).empty()) incomplete = IDC_DI_CALLBACK_NUMBER;
    else if (checked(IDC_DI_STATIC_IP) && ::SendDlgItemMessageW(page, IDC_DI_ADDRESS, IPM_ISBLANK, 0, 0))
        incomplete = IDC_DI_ADDRESS;
    if (!incomplete) return true;
    Message(LoadText(IDS_DI_INCOMPLETE), MB_ICONWARNING);
    ::SetFocus(Item(incomplete));
    return false;
}

LRESULT DialInPage::OnNotify(const NMHDR& header) {
    if (header.code == PSN_KILLACTIVE) return Validate() ? FALSE : TRUE;
    return 0;
}

LRESULT DialInPage::OnApply() {
    if (!IsModified() || backEnd_ == DialInBackEnd::None) return PSNRET_NOERROR;
    if (!Validate()) return PSNRET_INVALID_NOCHANGEPAGE;
    const DialInSettings settings = Read();
    if (backEnd_ == DialInBackEnd::Version4) {
        if (const HRESULT hr = WriteVersion4(server_, user_, settings); FAILED(hr)) {
            Failure(hr, LoadText(IDS_DI_NOT_SET));
            return PSNRET_INVALID_NOCHANGEPAGE;
        }
    } else {
        DialInValues values;
        size_t failedAt = 0;
        HRESULT hr = ValuesFromSettings(settings, ::IsWindowEnabled(Item(IDC_DI_ADDRESS)) || settings.staticAddress,
                                        ::IsWindowEnabled(Item(IDC_DI_APPLY_ROUTES)) != FALSE, &values);
        if (SUCCEEDED(hr)) hr = dataObject_.Write(values, &failedAt);
        if (FAILED(hr)) {
            Failure(hr, LoadText(failedAt < kDialInPropertyCount ? kDialInProperties[failedAt].writeFailureId
                                                                 : IDS_DI_NOT_SET));
            return PSNRET_INVALID_NOCHANGEPAGE;
        }
    }
    SetModified(false);
    return PSNRET_NOERROR;
}

}  // namespace vantrel
