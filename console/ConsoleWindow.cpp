#include "console/ConsoleWindow.h"

#include "console/WizardLauncher.h"

#include "Companions_h.h"
#include "common/Dialog.h"
#include "common/ErrorText.h"
#include "common/Handles.h"
#include "console/ConsoleIds.h"
#include "console/Png.h"

#include <commctrl.h>

#include <cwchar>

namespace console {
namespace {

constexpr wchar_t kClassName[] = L"VantrelConsole";
constexpr int kBarHeight = 34;

HFONT UiFont() { return static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT)); }

HWND Child(HWND parent, const wchar_t* cls, const wchar_t* text, DWORD style, int x, int y, int w, int h, int id) {
    HWND child = ::CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, parent,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
    ::SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(UiFont()), TRUE);
    return child;
}

vantrel::ComPtr<ICredentialStore> OpenStore(HRESULT& hr) {
    vantrel::ComPtr<ICredentialStore> store;
    hr = ::CoCreateInstance(CLSID_CredentialStore, nullptr, CLSCTX_ALL, IID_ICredentialStore, store.PutVoid());
    return store;
}

struct StoreFields {
    std::wstring key, user, password;
};

// Asks for a credentials path, user and password; OK fills the fields.
class StoreDialog final : public vantrel::Dialog {
public:
    explicit StoreDialog(StoreFields& fields)
        : Dialog(IDD_STORE_CREDENTIALS, ::GetModuleHandleW(nullptr)), fields_(fields) {}

protected:
    BOOL OnInitDialog() override {
        ::SetDlgItemTextW(Window(), IDC_STORE_KEY, fields_.key.c_str());
        return TRUE;
    }
    void OnCommand(UINT id, UINT code, HWND control) override {
        if (id == IDOK) {
            fields_.key = vantrel::WindowText(Item(IDC_STORE_KEY));
            fields_.user = vantrel::WindowText(Item(IDC_STORE_USER));
            fields_.password = vantrel::WindowText(Item(IDC_STORE_PASSWORD));
        }
        Dialog::OnCommand(id, code, control);
    }

private:
    StoreFields& fields_;
};

}  // namespace

ConsoleWindow::~ConsoleWindow() {
    if (accelerators_) ::DestroyAcceleratorTable(accelerators_);
}

bool ConsoleWindow::Create(ViewHost& host, const std::vector<std::wstring>& computers,
                           const std::wstring& credentialsPath, long options) {
    host_ = &host;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &ConsoleWindow::Proc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kClassName;
    ::RegisterClassExW(&wc);

    HMENU bar = ::CreateMenu();
    HMENU file = ::CreatePopupMenu();
    ::AppendMenuW(file, MF_STRING, IDM_EXIT, L"E&xit");
    HMENU view = ::CreatePopupMenu();
    ::AppendMenuW(view, MF_STRING, IDM_REFRESH, L"&Refresh\tF5");
    HMENU credentials = ::CreatePopupMenu();
    ::AppendMenuW(credentials, MF_STRING, IDM_STORE_CREDENTIALS, L"&Store for This Computer...");
    ::AppendMenuW(credentials, MF_STRING, IDM_FORGET_CREDENTIALS, L"&Forget for This Computer");
    ::AppendMenuW(credentials, MF_STRING, IDM_LIST_CREDENTIALS, L"&List Stored Credentials");
    ::AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), L"&File");
    ::AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(view), L"&View");
    ::AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(credentials), L"&Credentials");
    HMENU operations = ::CreatePopupMenu();
    const auto& wizards = WizardOperations();
    for (size_t i = 0; i < wizards.size(); ++i)
        ::AppendMenuW(operations, MF_STRING, IDM_WIZARD_FIRST + i, wizards[i].menu);
    ::AppendMenuW(operations, MF_STRING, IDM_SERVICES_WIZARD, L"Manage &Services...");
    ::AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(operations), L"&Multiple computer operations");
    HMENU batch = ::CreatePopupMenu();
    ::AppendMenuW(batch, MF_STRING, IDM_BATCH_ADD, L"&Add Selected Services to Batch\tCtrl+B");
    ::AppendMenuW(batch, MF_STRING, IDM_BATCH_SHOW, L"Service &Batch...");
    ::AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(batch), L"&Services");

    window_ = ::CreateWindowExW(0, kClassName, L"Vantrel Console", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 20, 20, 900,
                                520, nullptr, bar, wc.hInstance, this);
    if (!window_) return false;

    Child(window_, L"STATIC", L"Computer:", SS_LEFTNOWORDWRAP, 8, 10, 60, 18, -1);
    HWND combo = Child(window_, WC_COMBOBOXW, L"", CBS_DROPDOWN | WS_VSCROLL | WS_TABSTOP, 70, 6, 150, 200, IDC_COMPUTER);
    for (const std::wstring& name : computers) ::SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
    Child(window_, L"STATIC", L"Credentials path:", SS_LEFTNOWORDWRAP, 232, 10, 104, 18, -1);
    Child(window_, L"EDIT", credentialsPath.c_str(), WS_BORDER | ES_AUTOHSCROLL | WS_TABSTOP, 338, 7, 160, 21,
          IDC_CREDENTIALS_PATH);
    Child(window_, L"STATIC", L"Recall options:", SS_LEFTNOWORDWRAP, 508, 10, 94, 18, -1);
    Child(window_, L"EDIT", std::to_wstring(options).c_str(), WS_BORDER | ES_NUMBER | WS_TABSTOP, 604, 7, 40, 21,
          IDC_RECALL_OPTIONS);
    Child(window_, L"BUTTON", L"Connect", BS_DEFPUSHBUTTON | WS_TABSTOP, 656, 6, 80, 23, IDC_CONNECT);
    tabs_ = Child(window_, WC_TABCONTROLW, L"", WS_CLIPSIBLINGS, 0, kBarHeight, 800, 400, IDC_TABS);

    int index = 0;
    for (const HostedView& v : host.Views()) {
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        item.pszText = const_cast<wchar_t*>(v.title);
        TabCtrl_InsertItem(tabs_, index++, &item);
        // The view becomes a child of the console, above the tab control.
        const LONG_PTR style = ::GetWindowLongPtrW(v.window, GWL_STYLE);
        ::SetWindowLongPtrW(v.window, GWL_STYLE, (style & ~static_cast<LONG_PTR>(WS_POPUP)) | WS_CHILD);
        ::SetParent(v.window, window_);
        ::SetWindowPos(v.window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_FRAMECHANGED);
    }
    ACCEL keys[] = {{FVIRTKEY, VK_F5, IDM_REFRESH}, {FVIRTKEY | FCONTROL, 'B', IDM_BATCH_ADD}};
    accelerators_ = ::CreateAcceleratorTableW(keys, 2);
    vantrel::ComPtr<IMultiServiceControl> control;
    host.MultiServiceControl(control);  // without it the batch window's commands report E_POINTER
    batchWindow_ = std::make_unique<BatchWindow>(batch_, std::move(control));
    Layout();
    if (!host.Views().empty()) Select(0);
    return true;
}

void ConsoleWindow::Layout() {
    RECT client{};
    ::GetClientRect(window_, &client);
    ::MoveWindow(tabs_, 0, kBarHeight, client.right, client.bottom - kBarHeight, TRUE);
    RECT area{0, 0, client.right, client.bottom - kBarHeight};
    TabCtrl_AdjustRect(tabs_, FALSE, &area);
    for (const HostedView& v : host_->Views())
        ::MoveWindow(v.window, area.left, area.top + kBarHeight, area.right - area.left, area.bottom - area.top, TRUE);
}

void ConsoleWindow::Select(size_t index) {
    const auto& views = host_->Views();
    if (index >= views.size()) return;
    if (shown_ < views.size() && shown_ != index) {
        ::ShowWindow(views[shown_].window, SW_HIDE);
        ViewHost::Deactivate(views[shown_].window);
    }
    shown_ = index;
    TabCtrl_SetCurSel(tabs_, static_cast<int>(index));
    ::ShowWindow(views[index].window, SW_SHOW);
    ViewHost::Activate(views[index].window, 0);
}

void ConsoleWindow::ShowConnection(const std::wstring& computer, const std::wstring& credentialsPath, long options) {
    ::SetDlgItemTextW(window_, IDC_COMPUTER, computer.c_str());
    ::SetDlgItemTextW(window_, IDC_CREDENTIALS_PATH, credentialsPath.c_str());
    ::SetDlgItemTextW(window_, IDC_RECALL_OPTIONS, std::to_wstring(options).c_str());
}

void ConsoleWindow::Connect(const std::wstring& computer, const std::wstring& credentialsPath, long options) {
    ShowConnection(computer, credentialsPath, options);
    connected_ = computer;
    // Credentials first, so that the computer's refresh runs under them; the
    // shown (active) view refreshes at once, the others when they are shown.
    for (const HostedView& v : host_->Views()) {
        ViewHost::SetCredentials(v.window, credentialsPath, options);
        ViewHost::SetComputer(v.window, computer);
    }
}

void ConsoleWindow::RefreshShown() {
    if (shown_ < host_->Views().size()) ViewHost::Activate(host_->Views()[shown_].window, 1);
}

bool ConsoleWindow::AddSelectedServicesToBatch() {
    const auto& views = host_->Views();
    if (shown_ >= views.size() || views[shown_].uiIdentifier != UIID_SERVICES) {
        ::MessageBoxW(window_, L"Show a computer's Services tab and select the services to add to the batch.",
                      L"Service Batch", MB_ICONINFORMATION);
        return false;
    }
    if (connected_.empty()) {
        ::MessageBoxW(window_, L"Connect to a computer before adding its services to the batch.", L"Service Batch",
                      MB_ICONINFORMATION);
        return false;
    }
    const std::vector<std::wstring> names = SelectedNames(views[shown_].window);
    if (names.empty()) {
        ::MessageBoxW(window_, L"Select the services to add to the batch first.", L"Service Batch", MB_ICONINFORMATION);
        return false;
    }
    bool added = false;
    for (const std::wstring& displayName : names) {
        std::wstring keyName;
        const HRESULT hr = ServiceKeyName(connected_, displayName, keyName);
        if (FAILED(hr)) {
            const std::wstring context =
                L"The service name of " + displayName + L" on " + connected_ + L" could not be read.";
            vantrel::ShowErrorMessage(static_cast<DWORD>(hr), L"Error", context.c_str(), window_, MB_ICONERROR);
            continue;
        }
        added |= batch_.Add(BatchEntry{connected_, keyName, displayName});
    }
    ShowBatch();
    return added;
}

void ConsoleWindow::ShowBatch() {
    const HRESULT hr = batchWindow_->Show(window_);
    if (FAILED(hr))
        vantrel::ShowErrorMessage(static_cast<DWORD>(hr), L"Error", L"The service batch window could not be shown.",
                                  window_, MB_ICONERROR);
}

void ConsoleWindow::EnableMenuItems(HMENU menu) {
    const auto& views = host_->Views();
    const bool services = shown_ < views.size() && views[shown_].uiIdentifier == UIID_SERVICES &&
                          !connected_.empty() && !SelectedNames(views[shown_].window).empty();
    ::EnableMenuItem(menu, IDM_BATCH_ADD, MF_BYCOMMAND | (services ? MF_ENABLED : MF_GRAYED));
}

std::wstring ConsoleWindow::Field(int id) const {
    wchar_t text[512] = {};
    ::GetDlgItemTextW(window_, id, text, 512);
    return text;
}

void ConsoleWindow::ConnectFromFields() {
    const std::wstring computer = Field(IDC_COMPUTER);
    std::wstring path = Field(IDC_CREDENTIALS_PATH);
    if (path.empty()) path = computer;
    Connect(computer, path, std::wcstol(Field(IDC_RECALL_OPTIONS).c_str(), nullptr, 10));
}

// The wizard works on the computers typed into the Computer field when they
// are a comma-separated list, else on every computer of the console's list,
// each with its credentials path (the field's for the connected computer).
void ConsoleWindow::RunWizard(const WizardOperation& operation) {
    VARIANT computers;
    if (SUCCEEDED(ChosenComputers(&computers))) RunOperationWizard(window_, operation.type, computers);
    ::VariantClear(&computers);
}

void ConsoleWindow::RunServicesWizard() {
    VARIANT computers;
    if (SUCCEEDED(ChosenComputers(&computers))) console::RunServicesWizard(window_, computers);
    ::VariantClear(&computers);
}

// A typed list as it is; otherwise every computer of the list, the typed one
// with the credentials path of the fields.
HRESULT ConsoleWindow::ChosenComputers(VARIANT* computers) {
    ::VariantInit(computers);
    const std::wstring typed = Field(IDC_COMPUTER);
    HRESULT hr;
    if (typed.find(L',') != std::wstring::npos) {
        hr = ComputersFromText(typed, computers);
    } else {
        HWND combo = ::GetDlgItem(window_, IDC_COMPUTER);
        const long options = std::wcstol(Field(IDC_RECALL_OPTIONS).c_str(), nullptr, 10);
        std::vector<ComputerChoice> list;
        const int count = static_cast<int>(::SendMessageW(combo, CB_GETCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
            std::vector<wchar_t> name(static_cast<size_t>(::SendMessageW(combo, CB_GETLBTEXTLEN, i, 0)) + 1);
            ::SendMessageW(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(name.data()));
            ComputerChoice choice{name.data(), {}, options};
            if (_wcsicmp(choice.name.c_str(), typed.c_str()) == 0) choice.credentialsPath = Field(IDC_CREDENTIALS_PATH);
            list.push_back(std::move(choice));
        }
        hr = ComputersFromList(list, computers);
    }
    return hr;
}

void ConsoleWindow::StoreCredentials() {
    StoreFields fields;
    fields.key = Field(IDC_CREDENTIALS_PATH).empty() ? Field(IDC_COMPUTER) : Field(IDC_CREDENTIALS_PATH);
    if (StoreDialog(fields).RunModal(window_) != IDOK) return;
    HRESULT hr = S_OK;
    vantrel::ComPtr<ICredentialStore> store = OpenStore(hr);
    vantrel::UniqueBstr key(::SysAllocString(fields.key.c_str()));
    vantrel::UniqueBstr user(::SysAllocString(fields.user.c_str()));
    vantrel::UniqueSecretBstr password(::SysAllocString(fields.password.c_str()));
    ::SecureZeroMemory(fields.password.data(), fields.password.size() * sizeof(wchar_t));
    if (SUCCEEDED(hr)) hr = store->Add(key.Get(), 2, user.Get(), password.Get());
    if (FAILED(hr)) vantrel::ShowErrorMessage(static_cast<DWORD>(hr), L"Error", L"The credentials could not be stored.", window_, MB_ICONERROR);
    else ConnectFromFields();
}

void ConsoleWindow::ForgetCredentials() {
    HRESULT hr = S_OK;
    vantrel::ComPtr<ICredentialStore> store = OpenStore(hr);
    const std::wstring path = Field(IDC_CREDENTIALS_PATH).empty() ? Field(IDC_COMPUTER) : Field(IDC_CREDENTIALS_PATH);
    vantrel::UniqueBstr key(::SysAllocString(path.c_str()));
    if (SUCCEEDED(hr)) hr = store->Remove(key.Get());
    if (FAILED(hr)) vantrel::ShowErrorMessage(static_cast<DWORD>(hr), L"Error", L"The credentials could not be removed.", window_, MB_ICONERROR);
    else ConnectFromFields();
}

void ConsoleWindow::ListCredentials() {
    HRESULT hr = S_OK;
    vantrel::ComPtr<ICredentialStore> store = OpenStore(hr);
    long count = 0;
    if (SUCCEEDED(hr)) hr = store->GetCount(&count);
    std::wstring text;
    for (long i = 0; SUCCEEDED(hr) && i < count; ++i) {
        vantrel::UniqueBstr key, user;
        long format = 0;
        if (SUCCEEDED(store->GetEntry(i, key.Put(), &format, user.Put())))
            text += std::wstring(key ? key.Get() : L"") + L"\t" + (user ? user.Get() : L"") + L"\r\n";
    }
    if (FAILED(hr)) {
        vantrel::ShowErrorMessage(static_cast<DWORD>(hr), L"Error", L"The credentials store could not be read.", window_, MB_ICONERROR);
        return;
    }
    ::MessageBoxW(window_, text.empty() ? L"No credentials are stored." : text.c_str(), L"Stored Credentials", MB_ICONINFORMATION);
}

bool ConsoleWindow::Screenshot(const std::wstring& path) {
    ::SetWindowPos(window_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
    ::RedrawWindow(window_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME);
    PumpMessagesFor(200);
    return SaveWindowImage(window_, path);
}

int ConsoleWindow::Run() {
    ::ShowWindow(window_, SW_SHOW);
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (::TranslateAcceleratorW(window_, accelerators_, &msg)) continue;
        if (HWND batch = BatchWindowHandle(); batch && ::IsDialogMessageW(batch, &msg)) continue;
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}

LRESULT CALLBACK ConsoleWindow::Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* self = static_cast<ConsoleWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->window_ = window;
        ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<ConsoleWindow*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    return self ? self->Handle(message, wParam, lParam) : ::DefWindowProcW(window, message, wParam, lParam);
}

LRESULT ConsoleWindow::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_SIZE:
            if (tabs_) Layout();
            return 0;
        case WM_NOTIFY: {
            const auto* header = reinterpret_cast<const NMHDR*>(lParam);
            if (header->hwndFrom == tabs_ && header->code == TCN_SELCHANGE)
                Select(static_cast<size_t>(TabCtrl_GetCurSel(tabs_)));
            return 0;
        }
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case IDC_CONNECT: ConnectFromFields(); return 0;
                case IDC_COMPUTER:
                    if (HIWORD(wParam) == CBN_SELCHANGE) {
                        // The selection is not the field's text until the notification returns.
                        ::PostMessageW(window_, WM_COMMAND, IDC_CONNECT, 0);
                    }
                    return 0;
                case IDM_REFRESH: RefreshShown(); return 0;
                case IDM_STORE_CREDENTIALS: StoreCredentials(); return 0;
                case IDM_FORGET_CREDENTIALS: ForgetCredentials(); return 0;
                case IDM_LIST_CREDENTIALS: ListCredentials(); return 0;
                case IDM_SERVICES_WIZARD: RunServicesWizard(); return 0;
                case IDM_BATCH_ADD: AddSelectedServicesToBatch(); return 0;
                case IDM_BATCH_SHOW: ShowBatch(); return 0;
                case IDM_EXIT: ::DestroyWindow(window_); return 0;
                default:
                    if (LOWORD(wParam) >= IDM_WIZARD_FIRST && LOWORD(wParam) < IDM_WIZARD_FIRST + WizardOperations().size()) {
                        RunWizard(WizardOperations()[LOWORD(wParam) - IDM_WIZARD_FIRST]);
                        return 0;
                    }
                    break;
            }
            break;
        case WM_INITMENUPOPUP:
            EnableMenuItems(reinterpret_cast<HMENU>(wParam));
            return 0;
        case WM_DESTROY:
            batchWindow_.reset();
            ::PostQuitMessage(0);
            return 0;
        default:
            break;
    }
    return ::DefWindowProcW(window_, message, wParam, lParam);
}

}  // namespace console
