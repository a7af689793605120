// The remote registry: RegConnectRegistryW and the key and value functions on
// the keys it hands out, against each computer's hives.
#include "platform/Registry.h"

#include "lab/Accounting.h"
#include "lab/Gate.h"
#include "lab/Text.h"
#include "lab/families/Registry.h"

#include <algorithm>
#include <cstring>
#include <optional>

namespace {

using lab::registry::Hives;
using lab::registry::Key;
using lab::registry::Root;
using lab::registry::Value;

constexpr REGSAM kWriteRights = KEY_SET_VALUE | KEY_CREATE_SUB_KEY | KEY_CREATE_LINK | DELETE | WRITE_DAC | WRITE_OWNER;
constexpr size_t kMaxKeyName = 255;
constexpr size_t kMaxValueName = 16383;

// What a key handle stands for: a key of one computer's hive, by path, and
// the rights it was opened with. A key deleted meanwhile answers
// ERROR_KEY_DELETED, as on Windows.
struct KeyRef {
    Root root = Root::Machine;
    std::vector<std::wstring> path;
    REGSAM access = 0;
};

bool IsPredefined(HKEY h) { return h == HKEY_LOCAL_MACHINE || h == HKEY_USERS; }

// Generic rights and MAXIMUM_ALLOWED become key rights; what an identity may
// not do is refused when the key is opened.
REGSAM MapAccess(REGSAM sam, bool admin) {
    REGSAM mapped = sam & ~(GENERIC_READ | GENERIC_WRITE | GENERIC_EXECUTE | GENERIC_ALL | MAXIMUM_ALLOWED |
                            KEY_WOW64_32KEY | KEY_WOW64_64KEY);
    if (sam & (GENERIC_READ | GENERIC_EXECUTE)) mapped |= KEY_READ;
    if (sam & GENERIC_WRITE) mapped |= KEY_WRITE;
    if (sam & GENERIC_ALL) mapped |= KEY_ALL_ACCESS;
    if (sam & MAXIMUM_ALLOWED) mapped |= admin ? KEY_ALL_ACCESS : KEY_READ;
    return mapped;
}

// A key handle resolved under the gate of its computer. Predefined handles
// (HKEY_LOCAL_MACHINE, HKEY_USERS) reach the local computer.
class KeyCall {
public:
    KeyCall(HKEY h, const char* function) {
        if (IsPredefined(h)) {
            ref_ = std::make_shared<KeyRef>();
            ref_->root = h == HKEY_LOCAL_MACHINE ? Root::Machine : Root::Users;
            ref_->access = MAXIMUM_ALLOWED;
        } else {
            lab::AccountedObject record;
            if (!h || !lab::Accounting::Get().Find(LAB_KIND_REGISTRY_KEY, h, &record)) {
                error_ = ERROR_INVALID_HANDLE;
                return;
            }
            computer_ = record.computer;
            ref_ = std::static_pointer_cast<KeyRef>(record.payload);
        }
        gate_.emplace(computer_.c_str(), lab::Family::Registry, function);
        if ((error_ = gate_->Error()) != 0) return;
        if (ref_->access == MAXIMUM_ALLOWED) {
            auto resolved = std::make_shared<KeyRef>(*ref_);
            resolved->access = MapAccess(MAXIMUM_ALLOWED, Admin());
            ref_ = std::move(resolved);
        }
        key_ = lab::registry::Find(Tree().Get(ref_->root), ref_->path);
        if (!key_) error_ = ERROR_KEY_DELETED;
    }

    LONG Error() const { return static_cast<LONG>(error_); }
    // ERROR_ACCESS_DENIED unless the handle was opened with all of `rights`.
    LONG Require(REGSAM rights) const { return (ref_->access & rights) == rights ? 0 : ERROR_ACCESS_DENIED; }
    // Whether the caller administers the computer; worked out when first
    // asked (value calls on an open handle never need it, and it costs a
    // walk of the identity's groups).
    bool Admin() const {
        if (!admin_) admin_ = gate_->RequireAdmin() == 0;
        return *admin_;
    }
    Key& Target() const { return *key_; }
    const KeyRef& Ref() const { return *ref_; }
    Hives& Tree() const { return lab::registry::HivesOf(gate_->Target()); }
    const std::wstring& ComputerName() const { return gate_->Target().name; }

    // Resolves `sub` (null or empty: this key) below the handle's key.
    LONG Below(const wchar_t* sub, std::vector<std::wstring>& path) const {
        std::vector<std::wstring> names;
        if (sub && *sub && !lab::registry::SplitPath(sub, names)) return ERROR_BAD_PATHNAME;
        for (const std::wstring& n : names) {
            if (n.size() > kMaxKeyName) return ERROR_INVALID_PARAMETER;
        }
        path = ref_->path;
        path.insert(path.end(), names.begin(), names.end());
        return 0;
    }
    // ERROR_ACCESS_DENIED when the key at `path` (or one above it) refuses
    // the calling identity, or lets it only read and `write` is asked.
    LONG Restricted(const std::vector<std::wstring>& path, bool write) const {
        const int restriction = lab::registry::Restriction(Tree().Get(ref_->root), path, gate_->Identity());
        return restriction == 2 || (restriction == 1 && write) ? ERROR_ACCESS_DENIED : 0;
    }
    Key* Find(const std::vector<std::wstring>& path) const {
        return lab::registry::Find(Tree().Get(ref_->root), path);
    }

    // A new handle on `path` with `sam`, or the error opening it with those
    // rights gives (non-administrators only read).
    LONG Open(std::vector<std::wstring> path, REGSAM sam, const char* function, HKEY* out) const {
        const REGSAM access = MapAccess(sam, Admin());
        if ((access & kWriteRights) && !Admin()) return ERROR_ACCESS_DENIED;
        if (const LONG denied = Restricted(path, (access & kWriteRights) != 0)) return denied;
        auto ref = std::make_shared<KeyRef>(KeyRef{ref_->root, std::move(path), access});
        *out = static_cast<HKEY>(
            lab::Accounting::Get().IssueHandle(LAB_KIND_REGISTRY_KEY, ComputerName(), function, std::move(ref)));
        return ERROR_SUCCESS;
    }

private:
    std::wstring computer_;  // empty: the local computer
    std::shared_ptr<KeyRef> ref_;
    std::optional<lab::Gate> gate_;
    Key* key_ = nullptr;
    DWORD error_ = 0;
    mutable std::optional<bool> admin_;
};

size_t Chars(const std::wstring& s) { return s.size(); }

// Copies registry data the way the value functions do: null data asks for the
// size; too small a buffer gets ERROR_MORE_DATA and the size needed.
LONG CopyData(const std::vector<BYTE>& data, LPBYTE out, LPDWORD size) {
    if (!size) return out ? ERROR_INVALID_PARAMETER : ERROR_SUCCESS;
    const DWORD needed = static_cast<DWORD>(data.size());
    if (!out) {
        *size = needed;
        return ERROR_SUCCESS;
    }
    if (*size < needed) {
        *size = needed;
        return ERROR_MORE_DATA;
    }
    if (needed) std::memcpy(out, data.data(), needed);
    *size = needed;
    return ERROR_SUCCESS;
}

bool IsStringType(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ; }

// The environment a lab computer expands REG_EXPAND_SZ values with.
std::wstring Expand(std::wstring_view text, const std::wstring& computer) {
    const std::pair<std::wstring_view, std::wstring> vars[] = {
        {L"SystemRoot", L"C:\\Windows"},         {L"windir", L"C:\\Windows"},
        {L"SystemDrive", L"C:"},                 {L"ProgramFiles", L"C:\\Program Files"},
        {L"ProgramData", L"C:\\ProgramData"},     {L"COMPUTERNAME", computer}};
    std::wstring out;
    size_t i = 0;
    while (i < text.size()) {
        const size_t open = text.find(L'%', i);
        const size_t close = open == std::wstring_view::npos ? open : text.find(L'%', open + 1);
        if (close == std::wstring_view::npos) {
            out.append(text.substr(i));
            break;
        }
        out.append(text.substr(i, open - i));
        const std::wstring_view name = text.substr(open + 1, close - open - 1);
        const std::wstring* value = nullptr;
        for (const auto& v : vars) {
            if (lab::EqualsNoCase(v.first, name)) value = &v.second;
        }
        if (value) {
            out += *value;
            i = close + 1;
        } else {
            out.append(text.substr(open, close - open));  // unknown names stay, as on Windows
            i = close;
        }
    }
    return out;
}

std::wstring_view AsText(const std::vector<BYTE>& data) {
    std::wstring_view text(reinterpret_cast<const wchar_t*>(data.data()), data.size() / sizeof(wchar_t));
    while (!text.empty() && text.back() == L'\0') text.remove_suffix(1);
    return text;
}

}  // namespace

LONG WINAPI plat::RegConnectRegistryW(LPCWSTR lpMachineName, HKEY hKey, PHKEY phkResult) {
    if (!phkResult) return ERROR_INVALID_PARAMETER;
    *phkResult = nullptr;
    if (!IsPredefined(hKey)) return ERROR_INVALID_HANDLE;
    lab::Gate gate(lpMachineName, lab::Family::Registry, "RegConnectRegistryW");
    if (gate.Error()) return static_cast<LONG>(gate.Error());
    const bool admin = gate.RequireAdmin() == 0;
    // The remote registry service lets only administrators in; locally every
    // user reads.
    if (&gate.Target() != &gate.Net().Local() && !admin) return static_cast<LONG>(gate.Info().accessDenied);
    auto ref = std::make_shared<KeyRef>();
    ref->root = hKey == HKEY_LOCAL_MACHINE ? Root::Machine : Root::Users;
    ref->access = MapAccess(MAXIMUM_ALLOWED, admin);
    *phkResult = static_cast<HKEY>(lab::Accounting::Get().IssueHandle(LAB_KIND_REGISTRY_KEY, gate.Target().name,
                                                                       "RegConnectRegistryW", std::move(ref)));
    return ERROR_SUCCESS;
}

LONG WINAPI plat::RegOpenKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD, REGSAM samDesired, PHKEY phkResult) {
    if (!phkResult) return ERROR_INVALID_PARAMETER;
    *phkResult = nullptr;
    KeyCall call(hKey, "RegOpenKeyExW");
    if (call.Error()) return call.Error();
    std::vector<std::wstring> path;
    if (const LONG bad = call.Below(lpSubKey, path)) return bad;
    if (!call.Find(path)) return ERROR_FILE_NOT_FOUND;
    return call.Open(std::move(path), samDesired, "RegOpenKeyExW", phkResult);
}

LONG WINAPI plat::RegCreateKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD, LPWSTR, DWORD, REGSAM samDesired,
                                  LPSECURITY_ATTRIBUTES, PHKEY phkResult, LPDWORD lpdwDisposition) {
    if (!phkResult) return ERROR_INVALID_PARAMETER;
    *phkResult = nullptr;
    KeyCall call(hKey, "RegCreateKeyExW");
    if (call.Error()) return call.Error();
    std::vector<std::wstring> path;
    if (const LONG bad = call.Below(lpSubKey, path)) return bad;
    const bool exists = call.Find(path) != nullptr;
    if (!exists) {
        // Creating needs the right on the parent handle and a writer.
        if (const LONG denied = call.Require(KEY_CREATE_SUB_KEY)) return denied;
        if (!call.Admin()) return ERROR_ACCESS_DENIED;
        if (const LONG denied = call.Restricted(path, true)) return denied;
    }
    HKEY opened = nullptr;
    if (const LONG failed = call.Open(path, samDesired, "RegCreateKeyExW", &opened)) return failed;
    if (!exists) {
        std::vector<std::wstring> relative(path.begin() + static_cast<std::ptrdiff_t>(call.Ref().path.size()),
                                           path.end());
        lab::registry::Create(call.Target(), relative);
    }
    *phkResult = opened;
    if (lpdwDisposition) *lpdwDisposition = exists ? REG_OPENED_EXISTING_KEY : REG_CREATED_NEW_KEY;
    return ERROR_SUCCESS;
}

LONG WINAPI plat::RegQueryInfoKeyW(HKEY hKey, LPWSTR lpClass, LPDWORD lpcchClass, LPDWORD, LPDWORD lpcSubKeys,
                                   LPDWORD lpcbMaxSubKeyLen, LPDWORD lpcbMaxClassLen, LPDWORD lpcValues,
                                   LPDWORD lpcbMaxValueNameLen, LPDWORD lpcbMaxValueLen,
                                   LPDWORD lpcbSecurityDescriptor, PFILETIME lpftLastWriteTime) {
    KeyCall call(hKey, "RegQueryInfoKeyW");
    if (call.Error()) return call.Error();
    if (const LONG denied = call.Require(KEY_QUERY_VALUE)) return denied;
    const Key& key = call.Target();
    if (lpClass && lpcchClass) {
        if (*lpcchClass == 0) return ERROR_MORE_DATA;
        lpClass[0] = L'\0';
    }
    if (lpcchClass) *lpcchClass = 0;  // lab keys have no class
    size_t maxSub = 0, maxName = 0, maxData = 0;
    for (const auto& [upper, child] : key.children) maxSub = std::max(maxSub, Chars(child->name));
    for (const Value& v : key.values) {
        maxName = std::max(maxName, Chars(v.name));
        maxData = std::max(maxData, v.data.size());
    }
    if (lpcSubKeys) *lpcSubKeys = static_cast<DWORD>(key.children.size());
    if (lpcbMaxSubKeyLen) *lpcbMaxSubKeyLen = static_cast<DWORD>(maxSub);
    if (lpcbMaxClassLen) *lpcbMaxClassLen = 0;
    if (lpcValues) *lpcValues = static_cast<DWORD>(key.values.size());
    if (lpcbMaxValueNameLen) *lpcbMaxValueNameLen = static_cast<DWORD>(maxName);
    if (lpcbMaxValueLen) *lpcbMaxValueLen = static_cast<DWORD>(maxData);
    if (lpcbSecurityDescriptor) *lpcbSecurityDescriptor = 0x8C;  // a typical key's descriptor
    if (lpftLastWriteTime) *lpftLastWriteTime = key.written;
    return ERROR_SUCCESS;
}

LONG WINAPI plat::RegEnumKeyExW(HKEY hKey, DWORD dwIndex, LPWSTR lpName, LPDWORD lpcchName, LPDWORD, LPWSTR lpClass,
                                LPDWORD lpcchClass, PFILETIME lpftLastWriteTime) {
    if (!lpName || !lpcchName) return ERROR_INVALID_PARAMETER;
    KeyCall call(hKey, "RegEnumKeyExW");
    if (call.Error()) return call.Error();
    if (const LONG denied = call.Require(KEY_ENUMERATE_SUB_KEYS)) return denied;
    const Key& key = call.Target();
    if (dwIndex >= key.children.size()) return ERROR_NO_MORE_ITEMS;
    auto it = key.children.begin();
    std::advance(it, dwIndex);
    const Key& child = *it->second;
    // The name and its terminator must fit; the size needed is not reported.
    if (child.name.size() + 1 > *lpcchName) return ERROR_MORE_DATA;
    std::memcpy(lpName, child.name.c_str(), (child.name.size() + 1) * sizeof(wchar_t));
    *lpcchName = static_cast<DWORD>(child.name.size());
    if (lpClass && lpcchClass && *lpcchClass) lpClass[0] = L'\0';
    if (lpcchClass) *lpcchClass = 0;
    if (lpftLastWriteTime) *lpftLastWriteTime = child.written;
    return ERROR_SUCCESS;
}

LONG WINAPI plat::RegEnumValueW(HKEY hKey, DWORD dwIndex, LPWSTR lpValueName, LPDWORD lpcchValueName, LPDWORD,
                                LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData) {
    if (!lpValueName || !lpcchValueName) return ERROR_INVALID_PARAMETER;
    KeyCall call(hKey, "RegEnumValueW");
    if (call.Error()) return call.Error();
    if (const LONG denied = call.Require(KEY_QUERY_VALUE)) return denied;
    const Key& key = call.Target();
    if (dwIndex >= key.values.size()) return ERROR_NO_MORE_ITEMS;
    const Value& v = key.values[dwIndex];
    // The type and the data size come back even when the name does not fit
    // (the name's length does not); a short data buffer still gets the name.
    if (lpType) *lpType = v.type;
    if (v.name.size() + 1 > *lpcchValueName) {
        if (lpcbData) *lpcbData = static_cast<DWORD>(v.data.size());
        return ERROR_MORE_DATA;
    }
    std::memcpy(lpValueName, v.name.c_str(), (v.name.size() + 1) * sizeof(wchar_t));
    *lpcchValueName = static_cast<DWORD>(v.name.size());
    return CopyData(v.data, lpData, lpcbData);
}

LONG WINAPI plat::RegQueryValueExW(HKEY hKey, LPCWSTR lpValueName, LPDWORD, LPDWORD lpType, LPBYTE lpData,
                                   LPDWORD lpcbData) {
    if (lpData && !lpcbData) return ERROR_INVALID_PARAMETER;
    KeyCall call(hKey, "RegQueryValueExW");
    if (call.Error()) return call.Error();
    if (const LONG denied = call.Require(KEY_QUERY_VALUE)) return denied;
    const Value* v = call.Target().FindValue(lpValueName ? lpValueName : L"");
    if (!v) return ERROR_FILE_NOT_FOUND;
    if (lpType) *lpType = v->type;
    return CopyData(v->data, lpData, lpcbData);
}

LONG WINAPI plat::RegGetValueW(HKEY hkey, LPCWSTR lpSubKey, LPCWSTR lpValue, DWORD dwFlags, LPDWORD pdwType,
                               PVOID pvData, LPDWORD pcbData) {
    const DWORD allowed = dwFlags & RRF_RT_ANY;
    if (!allowed || (pvData && !pcbData)) return ERROR_INVALID_PARAMETER;
    // Expandable strings are asked for only unexpanded.
    if ((dwFlags & RRF_RT_REG_EXPAND_SZ) && !(dwFlags & RRF_NOEXPAND)) return ERROR_INVALID_PARAMETER;
    auto zero = [&] {
        if ((dwFlags & RRF_ZEROONFAILURE) && pvData && pcbData) std::memset(pvData, 0, *pcbData);
    };
    KeyCall call(hkey, "RegGetValueW");
    if (call.Error()) return call.Error();
    std::vector<std::wstring> path;
    if (const LONG bad = call.Below(lpSubKey, path)) return bad;
    Key* key = call.Find(path);
    if (!key) return ERROR_FILE_NOT_FOUND;
    // Reading through a sub-key opens it for reading; through the handle
    // itself the handle's rights count.
    if (lpSubKey && *lpSubKey) {
        if (!(MapAccess(KEY_QUERY_VALUE, call.Admin()) & KEY_QUERY_VALUE)) return ERROR_ACCESS_DENIED;
    } else if (const LONG denied = call.Require(KEY_QUERY_VALUE)) {
        return denied;
    }
    const Value* v = key->FindValue(lpValue ? lpValue : L"");
    if (!v) {
        zero();
        return ERROR_FILE_NOT_FOUND;
    }
    DWORD type = v->type;
    std::vector<BYTE> data = v->data;
    if (type == REG_EXPAND_SZ && !(dwFlags & RRF_NOEXPAND)) {
        data = lab::registry::StringData(Expand(AsText(data), call.ComputerName()));
        type = REG_SZ;
    } else if (IsStringType(type)) {
        // Strings come back terminated even when they were stored without.
        const std::wstring_view text(reinterpret_cast<const wchar_t*>(data.data()), data.size() / sizeof(wchar_t));
        if (text.empty() || text.back() != L'\0') data.resize((text.size() + 1) * sizeof(wchar_t), 0);
    }
    const DWORD bit = type == REG_NONE ? RRF_RT_REG_NONE
                      : type == REG_SZ ? RRF_RT_REG_SZ
                      : type == REG_EXPAND_SZ ? RRF_RT_REG_EXPAND_SZ
                      : type == REG_BINARY ? RRF_RT_REG_BINARY
                      : type == REG_DWORD ? RRF_RT_REG_DWORD
                      : type == REG_MULTI_SZ ? RRF_RT_REG_MULTI_SZ
                      : type == REG_QWORD ? RRF_RT_REG_QWORD
                                          : 0;
    if (!(bit & allowed)) {
        zero();
        return ERROR_UNSUPPORTED_TYPE;
    }
    if (pdwType) *pdwType = type;
    const LONG rc = CopyData(data, static_cast<LPBYTE>(pvData), pcbData);
    if (rc == ERROR_MORE_DATA) zero();
    return rc;
}

LONG WINAPI plat::RegSetValueExW(HKEY hKey, LPCWSTR lpValueName, DWORD Reserved, DWORD dwType, const BYTE* lpData,
                                 DWORD cbData) {
    if (Reserved) return ERROR_INVALID_PARAMETER;
    if (!lpData && cbData) return ERROR_NOACCESS;
    if (lpValueName && std::wcslen(lpValueName) > kMaxValueName) return ERROR_INVALID_PARAMETER;
    KeyCall call(hKey, "RegSetValueExW");
    if (call.Error()) return call.Error();
    if (const LONG denied = call.Require(KEY_SET_VALUE)) return denied;
    call.Target().Set(lpValueName ? lpValueName : L"", dwType, std::vector<BYTE>(lpData, lpData + cbData));
    return ERROR_SUCCESS;
}

LONG WINAPI plat::RegDeleteValueW(HKEY hKey, LPCWSTR lpValueName) {
    KeyCall call(hKey, "RegDeleteValueW");
    if (call.Error()) return call.Error();
    if (const LONG denied = call.Require(KEY_SET_VALUE)) return denied;
    Key& key = call.Target();
    const std::wstring_view name = lpValueName ? lpValueName : L"";
    for (auto it = key.values.begin(); it != key.values.end(); ++it) {
        if (lab::EqualsNoCase(it->name, name)) {
            key.values.erase(it);
            key.Touch();
            return ERROR_SUCCESS;
        }
    }
    return ERROR_FILE_NOT_FOUND;
}

namespace {

// Removes the key at `path` from its parent. The hive roots cannot go.
LONG Unlink(const KeyCall& call, const std::vector<std::wstring>& path) {
    if (path.empty()) return ERROR_ACCESS_DENIED;
    Key* parent = call.Find(std::vector<std::wstring>(path.begin(), path.end() - 1));
    if (!parent) return ERROR_FILE_NOT_FOUND;
    parent->children.erase(lab::Upper(path.back()));
    parent->Touch();
    return ERROR_SUCCESS;
}

}  // namespace

LONG WINAPI plat::RegDeleteKeyW(HKEY hKey, LPCWSTR lpSubKey) {
    if (!lpSubKey) return ERROR_INVALID_PARAMETER;
    KeyCall call(hKey, "RegDeleteKeyW");
    if (call.Error()) return call.Error();
    std::vector<std::wstring> path;
    if (const LONG bad = call.Below(lpSubKey, path)) return bad;
    const Key* key = call.Find(path);
    if (!key) return ERROR_FILE_NOT_FOUND;
    if (const LONG denied = call.Restricted(path, true)) return denied;
    if (!*lpSubKey) {
        if (const LONG denied = call.Require(DELETE)) return denied;
    } else if (!call.Admin()) {
        return ERROR_ACCESS_DENIED;
    }
    // Only a key without sub-keys can be deleted this way.
    if (!key->children.empty()) return ERROR_ACCESS_DENIED;
    return Unlink(call, path);
}

LONG WINAPI plat::RegDeleteTreeW(HKEY hKey, LPCWSTR lpSubKey) {
    KeyCall call(hKey, "RegDeleteTreeW");
    if (call.Error()) return call.Error();
    if (!lpSubKey || !*lpSubKey) {
        // Empties the handle's own key: its sub-keys and values.
        if (const LONG denied = call.Require(DELETE | KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE | KEY_SET_VALUE))
            return denied;
        Key& key = call.Target();
        key.children.clear();
        key.values.clear();
        key.Touch();
        return ERROR_SUCCESS;
    }
    std::vector<std::wstring> path;
    if (const LONG bad = call.Below(lpSubKey, path)) return bad;
    if (!call.Find(path)) return ERROR_FILE_NOT_FOUND;
    if (!call.Admin()) return ERROR_ACCESS_DENIED;
    if (const LONG denied = call.Restricted(path, true)) return denied;
    return Unlink(call, path);
}

LONG WINAPI plat::RegCloseKey(HKEY hKey) {
    if (IsPredefined(hKey)) return ERROR_SUCCESS;
    return lab::Accounting::Get().Release(LAB_KIND_REGISTRY_KEY, hKey, "RegCloseKey") ? ERROR_SUCCESS
                                                                                        : ERROR_INVALID_HANDLE;
}
