#include "companions/RegistryEntrySelector.h"

#include "common/Dialog.h"
#include "common/Handles.h"
#include "common/PlatHandles.h"
#include "common/Result.h"
#include "companions/CompanionResources.h"
#include "platform/Registry.h"

#include <commctrl.h>

#include <cstring>
#include <cwchar>
#include <memory>

namespace vantrel::companions {
namespace {

struct RootKey {
    const wchar_t* name;
    HKEY root;
};
const RootKey kRoots[] = {{L"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE}, {L"HKEY_USERS", HKEY_USERS}};
constexpr DWORD kMaxKeyChars = 256;
constexpr DWORD kMaxValueChars = 16384;

// The names of the sub-keys of `key`, in the order the registry gives them.
std::vector<std::wstring> SubKeys(HKEY key) {
    std::vector<std::wstring> names;
    wchar_t name[kMaxKeyChars];
    for (DWORD index = 0;; ++index) {
        DWORD chars = kMaxKeyChars;
        if (plat::RegEnumKeyExW(key, index, name, &chars, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        names.emplace_back(name, chars);
    }
    return names;
}

struct ValueRow {
    std::wstring name;
    DWORD type = 0;
    std::vector<BYTE> data;
};

std::vector<ValueRow> Values(HKEY key) {
    std::vector<ValueRow> rows;
    std::vector<wchar_t> name(kMaxValueChars);
    for (DWORD index = 0;; ++index) {
        ValueRow row;
        DWORD chars = kMaxValueChars, size = 0;
        LONG error = plat::RegEnumValueW(key, index, name.data(), &chars, nullptr, &row.type, nullptr, &size);
        if (error != ERROR_SUCCESS && error != ERROR_MORE_DATA) break;
        row.data.resize(size);
        chars = kMaxValueChars;
        error = plat::RegEnumValueW(key, index, name.data(), &chars, nullptr, &row.type,
                                    row.data.empty() ? nullptr : row.data.data(), &size);
        if (error != ERROR_SUCCESS) break;
        row.data.resize(size);
        row.name.assign(name.data(), chars);
        rows.push_back(std::move(row));
    }
    return rows;
}

// The modal browser. Tree items carry no data: an item's path is read from
// its text and its parents' texts.
class BrowserDialog final : public Dialog {
public:
    explicit BrowserDialog(std::wstring machine) : Dialog(IDD_REGISTRY_BROWSER), machine_(std::move(machine)) {}

    std::wstring chosenKey, chosenValue;
    DWORD chosenType = 0;

protected:
    BOOL OnInitDialog() override {
        HWND values = Item(IDC_BROWSER_VALUES);
        ::SendMessageW(values, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT);
        const wchar_t* titles[] = {L"Name", L"Type", L"Data"};
        const int widths[] = {110, 90, 150};
        for (int i = 0; i < 3; ++i) {
            LVCOLUMNW column{};
            column.mask = LVCF_TEXT | LVCF_WIDTH;
            column.pszText = const_cast<wchar_t*>(titles[i]);
            column.cx = widths[i];
            ::SendMessageW(values, LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&column));
        }
        for (const auto& root : kRoots) AddKey(TVI_ROOT, root.name);
        return TRUE;
    }

    LRESULT OnNotify(const NMHDR& header) override {
        if (header.idFrom == IDC_BROWSER_KEYS && header.code == TVN_ITEMEXPANDINGW) {
            const auto& change = reinterpret_cast<const NMTREEVIEWW&>(header);
            if (change.action == TVE_EXPAND) Expand(change.itemNew.hItem);
            return FALSE;
        }
        if (header.idFrom == IDC_BROWSER_KEYS && header.code == TVN_SELCHANGEDW) {
            // A selected key knows its sub-keys too: a keyboard walk down
            // the tree needs them before any expansion.
            const HTREEITEM item = reinterpret_cast<const NMTREEVIEWW&>(header).itemNew.hItem;
            Expand(item);
            ShowValues(item);
        }
        return Dialog::OnNotify(header);
    }

    void OnCommand(UINT id, UINT code, HWND control) override {
        if (id == IDOK) {
            HTREEITEM selected = TreeView_GetSelection(Item(IDC_BROWSER_KEYS));
            if (!selected) return;
            chosenKey = PathOf(selected);
            const int row = static_cast<int>(::SendDlgItemMessageW(Window(), IDC_BROWSER_VALUES, LVM_GETNEXTITEM,
                                                                   static_cast<WPARAM>(-1), LVNI_SELECTED));
            if (row >= 0 && static_cast<size_t>(row) < shown_.size()) {
                chosenValue = shown_[static_cast<size_t>(row)].name;
                chosenType = shown_[static_cast<size_t>(row)].type;
            }
        }
        Dialog::OnCommand(id, code, control);
    }

private:
    HTREEITEM AddKey(HTREEITEM parent, const std::wstring& name) {
        TVINSERTSTRUCTW insert{};
        insert.hParent = parent;
        insert.hInsertAfter = TVI_LAST;
        insert.item.mask = TVIF_TEXT | TVIF_CHILDREN;
        insert.item.pszText = const_cast<wchar_t*>(name.c_str());
        insert.item.cChildren = 1;  // known once expanded
        return reinterpret_cast<HTREEITEM>(
            ::SendDlgItemMessageW(Window(), IDC_BROWSER_KEYS, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)));
    }

    std::wstring TextOf(HTREEITEM item) const {
        wchar_t text[kMaxKeyChars + 32] = {};
        TVITEMW data{};
        data.mask = TVIF_TEXT;
        data.hItem = item;
        data.pszText = text;
        data.cchTextMax = static_cast<int>(std::size(text));
        ::SendDlgItemMessageW(Window(), IDC_BROWSER_KEYS, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&data));
        return text;
    }

    std::wstring PathOf(HTREEITEM item) const {
        std::wstring path;
        for (HTREEITEM at = item; at; at = TreeView_GetParent(Item(IDC_BROWSER_KEYS), at))
            path = path.empty() ? TextOf(at) : TextOf(at) + L"\\" + path;
        return path;
    }

    // Opens the key of a tree item for reading.
    LONG Open(HTREEITEM item, UniqueRegKey& key) const {
        const std::wstring path = PathOf(item);
        const size_t slash = path.find(L'\\');
        const std::wstring rootName = path.substr(0, slash);
        const std::wstring sub = slash == std::wstring::npos ? std::wstring() : path.substr(slash + 1);
        for (const auto& root : kRoots) {
            if (rootName != root.name) continue;
            UniqueRegKey connected;
            if (const LONG error = plat::RegConnectRegistryW(machine_.empty() ? nullptr : machine_.c_str(), root.root,
                                                             connected.Put()))
                return error;
            return plat::RegOpenKeyExW(connected.Get(), sub.c_str(), 0, KEY_READ, key.Put());
        }
        return ERROR_FILE_NOT_FOUND;
    }

    void Expand(HTREEITEM item) {
        HWND tree = Item(IDC_BROWSER_KEYS);
        if (TreeView_GetChild(tree, item)) return;  // filled before
        UniqueRegKey key;
        std::vector<std::wstring> names;
        if (Open(item, key) == ERROR_SUCCESS) names = SubKeys(key.Get());
        for (const std::wstring& name : names) AddKey(item, name);
        if (names.empty()) {
            TVITEMW none{};
            none.mask = TVIF_CHILDREN;
            none.hItem = item;
            none.cChildren = 0;
            ::SendMessageW(tree, TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&none));
        }
    }

    void ShowValues(HTREEITEM item) {
        HWND list = Item(IDC_BROWSER_VALUES);
        ::SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
        shown_.clear();
        ::SetDlgItemTextW(Window(), IDC_BROWSER_PATH, PathOf(item).c_str());
        UniqueRegKey key;
        if (Open(item, key) != ERROR_SUCCESS) return;
        shown_ = Values(key.Get());
        for (size_t i = 0; i < shown_.size(); ++i) {
            const std::wstring name = shown_[i].name.empty() ? L"(Default)" : shown_[i].name;
            const std::wstring cells[] = {name, ValueTypeName(shown_[i].type),
                                          ValueDataText(shown_[i].type, shown_[i].data)};
            LVITEMW row{};
            row.mask = LVIF_TEXT;
            row.iItem = static_cast<int>(i);
            row.pszText = const_cast<wchar_t*>(cells[0].c_str());
            const int at = static_cast<int>(::SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&row)));
            for (int column = 1; column < 3 && at >= 0; ++column) {
                LVITEMW cell{};
                cell.iSubItem = column;
                cell.pszText = const_cast<wchar_t*>(cells[column].c_str());
                ::SendMessageW(list, LVM_SETITEMTEXTW, at, reinterpret_cast<LPARAM>(&cell));
            }
        }
    }

    std::wstring machine_;
    std::vector<ValueRow> shown_;
};

}  // namespace

std::wstring ValueTypeName(DWORD type) {
    switch (type) {
    case REG_NONE: return L"REG_NONE";
    case REG_SZ: return L"REG_SZ";
    case REG_EXPAND_SZ: return L"REG_EXPAND_SZ";
    case REG_BINARY: return L"REG_BINARY";
    case REG_DWORD: return L"REG_DWORD";
    case REG_DWORD_BIG_ENDIAN: return L"REG_DWORD_BIG_ENDIAN";
    case REG_LINK: return L"REG_LINK";
    case REG_MULTI_SZ: return L"REG_MULTI_SZ";
    case REG_QWORD: return L"REG_QWORD";
    default: {
        wchar_t text[24];
        std::swprintf(text, 24, L"0x%08lx", static_cast<unsigned long>(type));
        return text;
    }
    }
}

std::wstring ValueDataText(DWORD type, const std::vector<BYTE>& data) {
    auto chars = [&data] {
        std::wstring text(data.size() / 2, L'\0');
        if (!text.empty()) std::memcpy(text.data(), data.data(), text.size() * 2);
        return text;
    };
    if ((type == REG_SZ || type == REG_EXPAND_SZ)) {
        std::wstring text = chars();
        const size_t end = text.find(L'\0');
        return end == std::wstring::npos ? text : text.substr(0, end);
    }
    if (type == REG_MULTI_SZ) {
        std::wstring text = chars();
        while (!text.empty() && text.back() == L'\0') text.pop_back();
        for (wchar_t& c : text) {
            if (c == L'\0') c = L' ';
        }
        return text;
    }
    if (type == REG_DWORD && data.size() == 4) {
        DWORD value = 0;
        std::memcpy(&value, data.data(), 4);
        wchar_t text[40];
        std::swprintf(text, 40, L"0x%08lx (%lu)", static_cast<unsigned long>(value), static_cast<unsigned long>(value));
        return text;
    }
    if (type == REG_QWORD && data.size() == 8) {
        unsigned long long value = 0;
        std::memcpy(&value, data.data(), 8);
        wchar_t text[64];
        std::swprintf(text, 64, L"0x%016llx (%llu)", value, value);
        return text;
    }
    if (data.empty()) return L"(zero-length binary value)";
    std::wstring text;
    for (size_t i = 0; i < data.size() && i < 64; ++i) {
        wchar_t byte[4];
        std::swprintf(byte, 4, L"%02x", data[i]);
        if (!text.empty()) text += L' ';
        text += byte;
    }
    if (data.size() > 64) text += L" ...";
    return text;
}

HRESULT RegistryEntrySelector::FinalConstruct() noexcept { return marshaler_.Create(Controlling()); }

void* RegistryEntrySelector::FindInterface(REFIID iid) noexcept {
    if (IsEqualIID(iid, IID_IRegistryEntrySelector)) return static_cast<IRegistryEntrySelector*>(this);
    return marshaler_.Find(iid);
}

STDMETHODIMP RegistryEntrySelector::SelectEntry(BSTR machine, LONG_PTR owner, BSTR* key, BSTR* valueName,
                                                long* type) try {
    RETURN_HR_IF(E_POINTER, !key || !valueName || !type);
    *key = nullptr;
    *valueName = nullptr;
    *type = 0;
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_TREEVIEW_CLASSES | ICC_LISTVIEW_CLASSES};
    ::InitCommonControlsEx(&controls);
    BrowserDialog dialog(machine ? machine : L"");
    const INT_PTR answer = dialog.RunModal(reinterpret_cast<HWND>(owner));
    if (answer == -1) RETURN_HR(HResultFromLastError());
    if (answer != IDOK) return S_FALSE;
    UniqueBstr chosenKey(::SysAllocString(dialog.chosenKey.c_str()));
    UniqueBstr chosenValue(::SysAllocString(dialog.chosenValue.c_str()));
    RETURN_HR_IF(E_OUTOFMEMORY, !chosenKey || !chosenValue);
    *key = chosenKey.Release();
    *valueName = chosenValue.Release();
    *type = static_cast<long>(dialog.chosenType);
    return S_OK;
} catch (const std::bad_alloc&) {
    RETURN_HR(E_OUTOFMEMORY);
}

}  // namespace vantrel::companions
