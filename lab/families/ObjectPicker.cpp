// The directory object picker over the lab's accounts. Initialize takes the
// target computer, scopes and attributes as the platform's picker does;
// InvokeDialog shows a modal dialog of ours listing the users and groups the
// scopes' filters ask for, and hands the choice back as a data object with the
// CFSTR_DSOP_DS_SELECTION_LIST format ("objectSid" comes as VT_ARRAY|VT_UI1).
#include "platform/ObjectPicker.h"

#include "lab/Accounting.h"
#include "lab/ComObject.h"
#include "lab/AccountDatabase.h"
#include "lab/Gate.h"
#include "lab/Sids.h"
#include "lab/Text.h"
#include "lab/families/ObjectPicker.h"

#include <commctrl.h>
#include <oleauto.h>

#include <atomic>
#include <cstddef>
#include <cstring>
#include <cwctype>
#include <set>
#include <string>
#include <vector>

namespace {

struct Row {
    std::wstring name;   // as the picker shows it: the account's own name
    std::wstring path;   // WinNT://DOMAIN/name, WinNT://DOMAIN/COMPUTER/name for a computer's own accounts,
                         // LDAP://CN=name,CN=Users,DC=... for directory accounts (below)
    std::wstring folder;  // "In Folder": DOMAIN or DOMAIN/COMPUTER
    std::wstring cls;    // "User" or "Group" (the WinNT provider's classes), "user" or "group" (LDAP's)
    std::wstring upn;
    std::vector<BYTE> sid;
    ULONG scopeType = 0;
};

struct Scope {
    ULONG type = 0;
    ULONG flags = 0;      // DSOP_SCOPE_FLAG_*
    ULONG filter = 0;     // up-level filters of all modes
    ULONG downlevel = 0;  // DSOP_DOWNLEVEL_FILTER_* (high bit set when any)
};

// Where a directory account is found, as the platform's picker names it. The
// domain is a directory domain, so its accounts come as LDAP paths; a scope
// that asks for the WinNT provider gets WinNT paths, which needs a domain by
// its NetBIOS name (joined and external domains have one, the enterprise and
// the global catalogue do not).
bool GivesWinNtPaths(const Scope& s) {
    constexpr ULONG kNamedDomains = DSOP_SCOPE_TYPE_UPLEVEL_JOINED_DOMAIN | DSOP_SCOPE_TYPE_DOWNLEVEL_JOINED_DOMAIN |
                                    DSOP_SCOPE_TYPE_EXTERNAL_UPLEVEL_DOMAIN | DSOP_SCOPE_TYPE_EXTERNAL_DOWNLEVEL_DOMAIN;
    return (s.flags & DSOP_SCOPE_FLAG_WANT_PROVIDER_WINNT) && (s.type & kNamedDomains);
}

// ",DC=lab,DC=local" for lab.local.
std::wstring LdapDomainPart(const std::wstring& dnsName) {
    std::wstring part;
    size_t start = 0;
    while (start <= dnsName.size()) {
        const size_t dot = dnsName.find(L'.', start);
        part += L",DC=" + dnsName.substr(start, dot == std::wstring::npos ? std::wstring::npos : dot - start);
        if (dot == std::wstring::npos) break;
        start = dot + 1;
    }
    return part;
}

bool WantsUsers(const Scope& s) {
    return (s.filter & DSOP_FILTER_USERS) || (s.downlevel & DSOP_DOWNLEVEL_FILTER_USERS & 0x7FFFFFFF);
}
bool WantsLocalGroups(const Scope& s) {
    return (s.filter & (DSOP_FILTER_BUILTIN_GROUPS | DSOP_FILTER_DOMAIN_LOCAL_GROUPS_DL | DSOP_FILTER_DOMAIN_LOCAL_GROUPS_SE)) ||
           (s.downlevel & DSOP_DOWNLEVEL_FILTER_LOCAL_GROUPS & 0x7FFFFFFF);
}
bool WantsGlobalGroups(const Scope& s) {
    return (s.filter & (DSOP_FILTER_GLOBAL_GROUPS_DL | DSOP_FILTER_GLOBAL_GROUPS_SE | DSOP_FILTER_UNIVERSAL_GROUPS_DL |
                        DSOP_FILTER_UNIVERSAL_GROUPS_SE)) ||
           (s.downlevel & DSOP_DOWNLEVEL_FILTER_GLOBAL_GROUPS & 0x7FFFFFFF);
}

// Accounts of one authority (the target computer or the domain) that the
// scope's filters ask for: users first, then the groups they belong to.
// `pathPrefix` empty: the directory's paths (the domain's accounts).
void AddRows(const lab::Network& net, const std::wstring& authority, const std::wstring& pathPrefix, const Scope& scope,
             std::vector<Row>& rows) {
    const bool winNt = !pathPrefix.empty();
    const std::wstring prefix = winNt ? pathPrefix : L"LDAP://CN=";
    const std::wstring suffix = winNt ? L"" : L",CN=Users" + LdapDomainPart(net.domainDnsName);
    const std::wstring folder = winNt ? pathPrefix.substr(8, pathPrefix.size() - 9) : net.domainName;
    std::vector<std::wstring> groups;
    std::set<std::wstring> seen;
    for (const lab::Account& account : net.accounts) {
        if (WantsUsers(scope) && lab::EqualsNoCase(account.Domain(), authority)) {
            Row row;
            row.name = std::wstring(account.User());
            row.path = prefix + row.name + suffix;
            row.folder = folder;
            row.cls = winNt ? L"User" : L"user";
            row.upn = account.upn;
            row.sid = lab::AccountSid(account.name);
            row.scopeType = scope.type;
            rows.push_back(std::move(row));
        }
        for (const std::wstring& group : account.groups) {
            const size_t slash = group.find(L'\\');
            if (slash == std::wstring::npos || !lab::EqualsNoCase(std::wstring_view(group).substr(0, slash), authority))
                continue;
            if (seen.insert(lab::Upper(group)).second) groups.push_back(group);
        }
    }
    if (!WantsGlobalGroups(scope)) return;
    for (const std::wstring& group : groups) {
        Row row;
        row.name = group.substr(group.find(L'\\') + 1);
        row.path = prefix + row.name + suffix;
        row.folder = folder;
        row.cls = winNt ? L"Group" : L"group";
        row.sid = lab::AccountSid(group);
        row.scopeType = scope.type;
        rows.push_back(std::move(row));
    }
}

// The target computer's own accounts, from its account database: its users,
// then its local groups (built-in ones included), as the scope asks.
void AddComputerRows(const lab::Computer& computer, const std::wstring& pathPrefix, const Scope& scope,
                     std::vector<Row>& rows) {
    const lab::AccountDatabase& db = lab::AccountsOf(computer);
    const std::wstring folder = pathPrefix.substr(8, pathPrefix.size() - 9);
    auto add = [&](const std::wstring& name, const wchar_t* cls, std::vector<BYTE> sid) {
        Row row;
        row.name = name;
        row.path = pathPrefix + name;
        row.folder = folder;
        row.cls = cls;
        row.sid = std::move(sid);
        row.scopeType = scope.type;
        rows.push_back(std::move(row));
    };
    if (WantsUsers(scope)) {
        for (const lab::LocalUser& u : db.Users()) add(u.name, L"User", db.UserSid(u));
    }
    if (WantsLocalGroups(scope)) {
        for (const lab::LocalGroup& g : db.Groups()) add(g.name, L"Group", db.GroupSid(g));
    }
}

// --- The selection data object ---------------------------------------------

class SelectionData final : public lab::ComObject<lab::Implements<IDataObject, &IID_IDataObject>> {
public:
    SelectionData(std::vector<Row> rows, std::vector<std::wstring> attributes, const std::wstring& computer)
        : ComObject(computer, "IDsObjectPicker::InvokeDialog", lab::Family::ObjectPicker, "IDataObject"),
          rows_(std::move(rows)),
          attributes_(std::move(attributes)) {
        format_ = static_cast<CLIPFORMAT>(::RegisterClipboardFormatW(CFSTR_DSOP_DS_SELECTION_LIST));
        for (const Row& row : rows_) {
            for (const std::wstring& attribute : attributes_) {
                VARIANT value;
                ::VariantInit(&value);
                if (lab::EqualsNoCase(attribute, L"objectSid") && !row.sid.empty()) {
                    SAFEARRAY* bytes = ::SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(row.sid.size()));
                    if (bytes) {
                        std::memcpy(bytes->pvData, row.sid.data(), row.sid.size());
                        value.vt = VT_ARRAY | VT_UI1;
                        value.parray = bytes;
                    }
                }
                values_.push_back(value);
            }
        }
    }

    HRESULT STDMETHODCALLTYPE GetData(FORMATETC* format, STGMEDIUM* medium) override {
        if (!format || !medium) return E_INVALIDARG;
        if (const HRESULT hr = QueryGetData(format); hr != S_OK) return hr;
        if (const HRESULT hr = Enter("IDataObject::GetData")) return hr;
        const HGLOBAL block = Build();
        if (!block) return E_OUTOFMEMORY;
        medium->tymed = TYMED_HGLOBAL;
        medium->hGlobal = block;
        medium->pUnkForRelease = nullptr;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* format) override {
        if (!format) return E_INVALIDARG;
        if (format->cfFormat != format_) return DV_E_FORMATETC;
        if (!(format->tymed & TYMED_HGLOBAL)) return DV_E_TYMED;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) override {
        if (out) out->ptd = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD, IEnumFORMATETC**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override {
        return OLE_E_ADVISENOTSUPPORTED;
    }
    HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
    HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override { return OLE_E_ADVISENOTSUPPORTED; }

private:
    ~SelectionData() override {
        for (VARIANT& value : values_) ::VariantClear(&value);
    }

    // One block: the list, then the fetched values (they point to the byte
    // arrays this object owns), then the strings.
    HGLOBAL Build() const {
        const size_t count = rows_.size();
        const size_t listBytes = offsetof(DS_SELECTION_LIST, aDsSelection) + count * sizeof(DS_SELECTION);
        const size_t valuesAt = (listBytes + 7) & ~size_t{7};
        const size_t stringsAt = valuesAt + values_.size() * sizeof(VARIANT);
        size_t chars = 0;
        for (const Row& row : rows_) chars += row.name.size() + row.path.size() + row.cls.size() + row.upn.size() + 4;
        const HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, stringsAt + chars * sizeof(wchar_t));
        if (!block) return nullptr;
        auto* base = static_cast<BYTE*>(::GlobalLock(block));
        auto* list = reinterpret_cast<DS_SELECTION_LIST*>(base);
        auto* values = reinterpret_cast<VARIANT*>(base + valuesAt);
        auto* text = reinterpret_cast<wchar_t*>(base + stringsAt);
        auto put = [&text](const std::wstring& s) {
            wchar_t* at = text;
            std::memcpy(at, s.c_str(), (s.size() + 1) * sizeof(wchar_t));
            text += s.size() + 1;
            return at;
        };
        list->cItems = static_cast<ULONG>(count);
        list->cFetchedAttributes = static_cast<ULONG>(attributes_.size());
        std::memcpy(values, values_.data(), values_.size() * sizeof(VARIANT));
        auto* items = reinterpret_cast<DS_SELECTION*>(base + offsetof(DS_SELECTION_LIST, aDsSelection));
        for (size_t i = 0; i < count; ++i) {
            DS_SELECTION& item = items[i];
            item.pwzName = put(rows_[i].name);
            item.pwzADsPath = put(rows_[i].path);
            item.pwzClass = put(rows_[i].cls);
            item.pwzUPN = put(rows_[i].upn);
            item.pvarFetchedAttributes = attributes_.empty() ? nullptr : values + i * attributes_.size();
            item.flScopeType = rows_[i].scopeType;
        }
        ::GlobalUnlock(block);
        return block;
    }

    CLIPFORMAT format_ = 0;
    std::vector<Row> rows_;
    std::vector<std::wstring> attributes_;
    std::vector<VARIANT> values_;  // rows x attributes
};

// --- The dialog ---------------------------------------------------------------

// A dialog template built in memory: the lab carries no dialog resources.
class TemplateWriter {
public:
    void Dword(DWORD v) {
        Word(LOWORD(v));
        Word(HIWORD(v));
    }
    void Word(WORD v) { words_.push_back(v); }
    void Text(const wchar_t* s) {
        for (; *s; ++s) Word(*s);
        Word(0);
    }
    void Align() {
        if (words_.size() % 2) Word(0);
    }
    void Item(DWORD style, short x, short y, short cx, short cy, WORD id, const wchar_t* cls, WORD atom, const wchar_t* text) {
        Align();
        Dword(style | WS_CHILD | WS_VISIBLE);
        Dword(0);
        Word(x), Word(y), Word(cx), Word(cy);
        Word(id);
        if (cls) {
            Text(cls);
        } else {
            Word(0xFFFF);
            Word(atom);
        }
        Text(text);
        Word(0);
    }
    const DLGTEMPLATE* Get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

private:
    std::vector<WORD> words_;
};

struct PickerDialog {
    const std::vector<Row>* rows = nullptr;
    bool multiple = false;
    std::vector<size_t> chosen;

    static INT_PTR CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_INITDIALOG) {
            ::SetWindowLongPtrW(window, DWLP_USER, lParam);
            reinterpret_cast<PickerDialog*>(lParam)->Fill(window);
            return TRUE;
        }
        auto* self = reinterpret_cast<PickerDialog*>(::GetWindowLongPtrW(window, DWLP_USER));
        if (!self) return FALSE;
        switch (message) {
        case WM_NOTIFY: {
            const auto* header = reinterpret_cast<const NMHDR*>(lParam);
            if (header->idFrom == static_cast<UINT_PTR>(lab::kPickerListId) && header->code == LVN_ITEMCHANGED)
                ::EnableWindow(::GetDlgItem(window, IDOK), ListView_GetSelectedCount(header->hwndFrom) > 0);
            if (header->idFrom == static_cast<UINT_PTR>(lab::kPickerListId) && header->code == NM_DBLCLK &&
                ListView_GetSelectedCount(header->hwndFrom) > 0)
                ::PostMessageW(window, WM_COMMAND, IDOK, 0);
            return FALSE;
        }
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK) {
                self->Collect(window);
                ::EndDialog(window, self->chosen.empty() ? IDCANCEL : IDOK);
                return TRUE;
            }
            if (LOWORD(wParam) == IDCANCEL) {
                ::EndDialog(window, IDCANCEL);
                return TRUE;
            }
            return FALSE;
        default:
            return FALSE;
        }
    }

    void Fill(HWND window) const {
        HWND list = ::GetDlgItem(window, lab::kPickerListId);
        ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT);
        const wchar_t* titles[] = {L"Name", L"In Folder", L"Type"};
        const int widths[] = {150, 170, 60};
        for (int i = 0; i < 3; ++i) {
            LVCOLUMNW column{};
            column.mask = LVCF_TEXT | LVCF_WIDTH;
            column.pszText = const_cast<wchar_t*>(titles[i]);
            column.cx = widths[i];
            ListView_InsertColumn(list, i, &column);
        }
        for (size_t i = 0; i < rows->size(); ++i) {
            const Row& row = (*rows)[i];
            std::wstring folder = row.folder;
            std::wstring type = row.cls;  // "User" whichever provider's class it is
            if (!type.empty()) type[0] = static_cast<wchar_t>(std::towupper(type[0]));
            LVITEMW item{};
            item.mask = LVIF_TEXT | LVIF_PARAM;
            item.iItem = static_cast<int>(i);
            item.pszText = const_cast<wchar_t*>(row.name.c_str());
            item.lParam = static_cast<LPARAM>(i);
            const int at = ListView_InsertItem(list, &item);
            ListView_SetItemText(list, at, 1, folder.data());
            ListView_SetItemText(list, at, 2, type.data());
        }
        if (!multiple) ::SetWindowLongPtrW(list, GWL_STYLE, ::GetWindowLongPtrW(list, GWL_STYLE) | LVS_SINGLESEL);
        ::EnableWindow(::GetDlgItem(window, IDOK), FALSE);
    }

    void Collect(HWND window) {
        HWND list = ::GetDlgItem(window, lab::kPickerListId);
        chosen.clear();
        for (int i = ListView_GetNextItem(list, -1, LVNI_SELECTED); i >= 0; i = ListView_GetNextItem(list, i, LVNI_SELECTED)) {
            LVITEMW item{};
            item.mask = LVIF_PARAM;
            item.iItem = i;
            ListView_GetItem(list, &item);
            chosen.push_back(static_cast<size_t>(item.lParam));
            if (!multiple) break;
        }
    }

    INT_PTR Run(HWND owner) {
        TemplateWriter t;
        t.Dword(DS_MODALFRAME | DS_SETFONT | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU);
        t.Dword(0);
        t.Word(4);  // items
        t.Word(0), t.Word(0), t.Word(280), t.Word(180);
        t.Word(0);  // no menu
        t.Word(0);  // dialog class
        t.Text(lab::kPickerCaption);
        t.Word(8);
        t.Text(L"MS Shell Dlg");
        t.Item(0, 7, 7, 266, 10, 0xFFFF, nullptr, 0x0082, L"&Select the objects:");
        t.Item(WS_BORDER | WS_TABSTOP | LVS_REPORT | LVS_SHOWSELALWAYS, 7, 19, 266, 132, lab::kPickerListId,
               WC_LISTVIEWW, 0, L"");
        t.Item(WS_TABSTOP | BS_DEFPUSHBUTTON, 169, 159, 50, 14, IDOK, nullptr, 0x0080, L"OK");
        t.Item(WS_TABSTOP | BS_PUSHBUTTON, 223, 159, 50, 14, IDCANCEL, nullptr, 0x0080, L"Cancel");
        HMODULE self = nullptr;
        ::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                             reinterpret_cast<LPCWSTR>(&PickerDialog::Procedure), &self);
        return ::DialogBoxIndirectParamW(self, t.Get(), owner, &PickerDialog::Procedure, reinterpret_cast<LPARAM>(this));
    }
};

// --- The picker -------------------------------------------------------------------

class LabObjectPicker final : public lab::ComObject<lab::Implements<IDsObjectPicker, &IID_IDsObjectPicker>> {
public:
    explicit LabObjectPicker(const std::wstring& computer)
        : ComObject(computer, "CreateDsObjectPicker", lab::Family::ObjectPicker, "IDsObjectPicker") {}

    HRESULT STDMETHODCALLTYPE Initialize(PDSOP_INIT_INFO info) override {
        if (!info) return E_POINTER;
        if (info->cbSize != sizeof(DSOP_INIT_INFO) || info->cDsScopeInfos == 0 || !info->aDsScopeInfos ||
            (info->cAttributesToFetch && !info->apwzAttributeNames))
            return E_INVALIDARG;
        std::vector<Scope> scopes;
        for (ULONG i = 0; i < info->cDsScopeInfos; ++i) {
            const DSOP_SCOPE_INIT_INFO& s = info->aDsScopeInfos[i];
            if (s.cbSize != sizeof(DSOP_SCOPE_INIT_INFO) || s.flType == 0) return E_INVALIDARG;
            const DSOP_UPLEVEL_FILTER_FLAGS& up = s.FilterFlags.Uplevel;
            scopes.push_back(
                {s.flType, s.flScope, up.flBothModes | up.flMixedModeOnly | up.flNativeModeOnly, s.FilterFlags.flDownlevel});
        }
        std::vector<std::wstring> attributes;
        for (ULONG i = 0; i < info->cAttributesToFetch; ++i)
            attributes.emplace_back(info->apwzAttributeNames[i] ? info->apwzAttributeNames[i] : L"");
        lab::Gate gate(info->pwzTargetComputer, lab::Family::ObjectPicker, "IDsObjectPicker::Initialize");
        if (gate.Error()) return static_cast<HRESULT>(gate.Error());
        target_ = info->pwzTargetComputer ? info->pwzTargetComputer : L"";
        computer_ = gate.Target().name;
        scopes_ = std::move(scopes);
        attributes_ = std::move(attributes);
        multiple_ = (info->flOptions & DSOP_FLAG_MULTISELECT) != 0;
        initialized_ = true;
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE InvokeDialog(HWND owner, IDataObject** selections) override {
        if (!selections) return E_POINTER;
        *selections = nullptr;
        if (!initialized_) return E_UNEXPECTED;
        std::vector<Row> rows;
        {
            // Only the accounts are read under the gate; the dialog runs without it.
            lab::Gate gate(target_.empty() ? nullptr : target_.c_str(), lab::Family::ObjectPicker,
                           "IDsObjectPicker::InvokeDialog");
            if (gate.Error()) return static_cast<HRESULT>(gate.Error());
            const lab::Network& net = gate.Net();
            const lab::Computer& computer = gate.Target();
            for (const Scope& scope : scopes_) {
                if (scope.type & DSOP_SCOPE_TYPE_TARGET_COMPUTER)
                    AddComputerRows(computer, L"WinNT://" + computer.domain + L"/" + computer.name + L"/", scope, rows);
                if (scope.type & ~(DSOP_SCOPE_TYPE_TARGET_COMPUTER | DSOP_SCOPE_TYPE_WORKGROUP))
                    AddRows(net, net.domainName, GivesWinNtPaths(scope) ? L"WinNT://" + net.domainName + L"/" : L"",
                            scope, rows);
            }
        }
        INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_LISTVIEW_CLASSES};
        ::InitCommonControlsEx(&controls);
        PickerDialog dialog;
        dialog.rows = &rows;
        dialog.multiple = multiple_;
        const INT_PTR answer = dialog.Run(owner);
        if (answer == -1) return lab::ToHResult(::GetLastError() ? ::GetLastError() : ERROR_CANCELLED);
        if (answer != IDOK) return S_FALSE;
        std::vector<Row> chosen;
        for (size_t index : dialog.chosen) chosen.push_back(rows[index]);
        *selections = new SelectionData(std::move(chosen), attributes_, computer_);
        return S_OK;
    }

private:
    ~LabObjectPicker() override = default;

    bool initialized_ = false;
    bool multiple_ = false;
    std::wstring target_;
    std::wstring computer_;
    std::vector<Scope> scopes_;
    std::vector<std::wstring> attributes_;
};

}  // namespace

HRESULT WINAPI plat::CreateDsObjectPicker(IDsObjectPicker** ppPicker) {
    if (!ppPicker) return E_POINTER;
    *ppPicker = nullptr;
    std::wstring computer;
    {
        lab::Gate gate(nullptr, lab::Family::ObjectPicker, "CreateDsObjectPicker");
        if (gate.Error()) return static_cast<HRESULT>(gate.Error());
        computer = gate.Target().name;
    }
    // Registered with the accounting outside the gate (the accounting has its own lock).
    *ppPicker = new LabObjectPicker(computer);
    return S_OK;
}
