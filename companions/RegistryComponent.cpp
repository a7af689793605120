#include "companions/RegistryComponent.h"

#include "common/Handles.h"
#include "common/PlatHandles.h"
#include "common/Result.h"
#include "platform/Registry.h"

#include <algorithm>
#include <new>
#include <optional>
#include <unordered_map>
#include <utility>

namespace vantrel::companions {
namespace {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "registry text is UTF-16");

const wchar_t* Wide(const std::u16string& text) { return reinterpret_cast<const wchar_t*>(text.c_str()); }
std::u16string_view Narrow(const wchar_t* text) {
    return text ? std::u16string_view(reinterpret_cast<const char16_t*>(text)) : std::u16string_view();
}
std::wstring WideString(std::u16string_view text) { return std::wstring(text.begin(), text.end()); }

bool DecodeCodePage(std::string_view bytes, std::u16string& text) {
    text.clear();
    if (bytes.empty()) return true;
    if (bytes.size() > 0x7FFFFFFF) return false;
    const int length = ::MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    if (length <= 0) return false;
    text.resize(static_cast<size_t>(length));
    return ::MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()),
                                 reinterpret_cast<wchar_t*>(text.data()), length) == length;
}

// The roots of one computer's registry, connected on first use and kept for
// the call. HKEY_CURRENT_USER and HKEY_CLASSES_ROOT exist for this computer
// only: the remote registry does not offer them.
class Registry {
public:
    explicit Registry(const wchar_t* machine) : machine_(machine && *machine ? machine : L"") {}

    // Opens `path` (root name included) with `access`; `create` makes the
    // missing keys. Win32 codes.
    LONG Open(std::u16string_view path, REGSAM access, bool create, UniqueRegKey& key) {
        HKEY root = nullptr;
        std::u16string sub;
        if (const LONG error = Root(path, root, sub)) return error;
        if (create) {
            return plat::RegCreateKeyExW(root, Wide(sub), 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr,
                                         key.Put(), nullptr);
        }
        return plat::RegOpenKeyExW(root, Wide(sub), 0, access, key.Put());
    }

    // Removes `path` with everything below it; a missing key is no error.
    LONG DeleteTree(std::u16string_view path) {
        HKEY root = nullptr;
        std::u16string sub;
        if (const LONG error = Root(path, root, sub)) return error;
        if (sub.empty()) return ERROR_ACCESS_DENIED;  // never a whole root
        const LONG error = plat::RegDeleteTreeW(root, Wide(sub));
        return error == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : error;
    }

    // The error connecting to the computer, once a root was asked for and
    // could not be reached; 0 otherwise.
    LONG ConnectionError() const {
        for (const auto* slot : {&machineRoot_, &usersRoot_}) {
            if (*slot && (*slot)->first != ERROR_SUCCESS) return (*slot)->first;
        }
        return ERROR_SUCCESS;
    }

private:
    LONG Root(std::u16string_view path, HKEY& root, std::u16string& sub) {
        std::u16string_view rest;
        const std::u16string_view name = regfile::SplitRoot(path, rest);
        while (!rest.empty() && rest.back() == u'\\') rest.remove_suffix(1);
        sub.assign(rest);
        if (name == u"HKEY_LOCAL_MACHINE") return Connected(HKEY_LOCAL_MACHINE, machineRoot_, root);
        if (name == u"HKEY_USERS") return Connected(HKEY_USERS, usersRoot_, root);
        if (!machine_.empty()) return ERROR_INVALID_PARAMETER;
        if (name == u"HKEY_CURRENT_USER") root = HKEY_CURRENT_USER;
        else if (name == u"HKEY_CLASSES_ROOT") root = HKEY_CLASSES_ROOT;
        else return ERROR_INVALID_PARAMETER;
        return ERROR_SUCCESS;
    }

    LONG Connected(HKEY predefined, std::optional<std::pair<LONG, UniqueRegKey>>& slot, HKEY& root) {
        if (!slot) {
            slot.emplace();
            slot->first = plat::RegConnectRegistryW(machine_.empty() ? nullptr : machine_.c_str(), predefined,
                                                    slot->second.Put());
        }
        root = slot->second.Get();
        return slot->first;
    }

    std::wstring machine_;
    std::optional<std::pair<LONG, UniqueRegKey>> machineRoot_;
    std::optional<std::pair<LONG, UniqueRegKey>> usersRoot_;
};

// A value's type and data, or the error reading it gave. The buffer is
// offered at its full capacity first: most values fit, and take one call.
LONG ReadValue(HKEY key, const wchar_t* name, DWORD& type, std::vector<BYTE>& data) {
    constexpr size_t kFirstTry = 512;
    data.resize(std::max(data.capacity(), kFirstTry));
    for (;;) {
        DWORD size = static_cast<DWORD>(std::min<size_t>(data.size(), MAXDWORD));
        const LONG error = plat::RegQueryValueExW(key, name, nullptr, &type, data.data(), &size);
        if (error == ERROR_SUCCESS) {
            data.resize(size);
            return ERROR_SUCCESS;
        }
        if (error != ERROR_MORE_DATA) return error;
        data.resize(size);
    }
}

struct StoredValue {
    DWORD type = 0;
    std::vector<BYTE> data;
};

std::wstring FoldCase(std::wstring name) {
    if (!name.empty()) ::CharUpperBuffW(name.data(), static_cast<DWORD>(name.size()));
    return name;
}

// Every value of `key` by its name without regard to case: one call per
// value, where looking each up by name would search the key every time.
LONG ReadAllValues(HKEY key, std::unordered_map<std::wstring, StoredValue>& values) {
    values.clear();
    std::vector<wchar_t> name(16384);
    std::vector<BYTE> data(512);
    for (DWORD index = 0;;) {
        DWORD chars = static_cast<DWORD>(name.size()), size = static_cast<DWORD>(data.size()), type = 0;
        const LONG error = plat::RegEnumValueW(key, index, name.data(), &chars, nullptr, &type, data.data(), &size);
        if (error == ERROR_NO_MORE_ITEMS) return ERROR_SUCCESS;
        if (error == ERROR_MORE_DATA && size > data.size()) {
            data.resize(size);
            continue;  // the same value again, with room for its data
        }
        if (error != ERROR_SUCCESS) return error;
        StoredValue& stored = values[FoldCase(std::wstring(name.data(), chars))];
        stored.type = type;
        stored.data.assign(data.begin(), data.begin() + size);
        ++index;
    }
}

// Keys with at least this many values in the file are read whole.
constexpr size_t kReadWholeKey = 8;

bool IsStringType(uint32_t type) { return type == REG_SZ || type == REG_EXPAND_SZ; }

// Data as stored against data as wanted. Strings may be stored with or
// without their terminator: both read the same.
bool SameData(uint32_t type, const std::vector<BYTE>& stored, const std::vector<uint8_t>& wanted) {
    if (stored.size() == wanted.size() && std::equal(stored.begin(), stored.end(), wanted.begin())) return true;
    if (!IsStringType(type)) return false;
    auto trimmed = [](const auto& bytes) {
        size_t n = bytes.size() & ~static_cast<size_t>(1);
        while (n >= 2 && bytes[n - 1] == 0 && bytes[n - 2] == 0) n -= 2;
        return n;
    };
    const size_t a = trimmed(stored), b = trimmed(wanted);
    return a == b && std::equal(stored.begin(), stored.begin() + static_cast<std::ptrdiff_t>(a), wanted.begin());
}

std::wstring ValueEntry(const regfile::Key& key, const regfile::Value& value) {
    return WideString(key.path) + L"::" + WideString(value.name);
}

HRESULT MakeStringArray(const std::vector<std::wstring>& items, VARIANT* out) {
    ::VariantInit(out);
    if (items.empty()) return S_OK;
    SAFEARRAY* array = ::SafeArrayCreateVector(VT_BSTR, 0, static_cast<ULONG>(items.size()));
    RETURN_HR_IF(E_OUTOFMEMORY, !array);
    for (LONG i = 0; i < static_cast<LONG>(items.size()); ++i) {
        UniqueBstr item(::SysAllocStringLen(items[i].data(), static_cast<UINT>(items[i].size())));
        HRESULT hr = item ? ::SafeArrayPutElement(array, &i, item.Get()) : E_OUTOFMEMORY;
        if (FAILED(hr)) {
            ::SafeArrayDestroy(array);
            RETURN_HR(hr);
        }
    }
    out->vt = VT_ARRAY | VT_BSTR;
    out->parray = array;
    return S_OK;
}

// The data of a single entry as the registry stores it.
HRESULT EntryData(const VARIANT& data, long type, long size, std::vector<BYTE>& bytes) {
    bytes.clear();
    if (type == REG_DWORD) {
        VARIANT number;
        ::VariantInit(&number);
        RETURN_IF_FAILED(::VariantChangeType(&number, const_cast<VARIANT*>(&data), 0, VT_UI4));
        for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<BYTE>(number.ulVal >> (8 * i)));
        return S_OK;
    }
    if (type == REG_SZ || type == REG_EXPAND_SZ) {
        VARIANT text;
        ::VariantInit(&text);
        RETURN_IF_FAILED(::VariantChangeType(&text, const_cast<VARIANT*>(&data), 0, VT_BSTR));
        UniqueBstr owned(text.bstrVal);
        const UINT length = ::SysStringLen(owned.Get());
        // `size` counts the bytes of the characters; the terminator is added.
        UINT chars = size > 0 ? std::min<UINT>(length, static_cast<UINT>(size) / 2) : length;
        const BYTE* start = reinterpret_cast<const BYTE*>(owned.Get());
        bytes.assign(start, start + chars * sizeof(wchar_t));
        bytes.push_back(0);
        bytes.push_back(0);
        return S_OK;
    }
    RETURN_HR(E_INVALIDARG);
}

bool HasData(const VARIANT& data) { return data.vt != VT_EMPTY && data.vt != VT_ERROR && data.vt != VT_NULL; }

}  // namespace

// The file is the administrator's own, on this computer (or a share it
// reaches itself): not a computer the module administers.
HRESULT LoadRegFile(const wchar_t* path, regfile::File& file, std::string* detail) {
    RETURN_HR_IF(E_INVALIDARG, !path || !*path);
    UniqueFileHandle handle(::CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,  // seam: local
                                          nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    RETURN_LAST_ERROR_IF(!handle);
    LARGE_INTEGER size{};
    RETURN_LAST_ERROR_IF(!::GetFileSizeEx(handle.Get(), &size));  // seam: local
    RETURN_HR_IF(HResultFromWin32(ERROR_FILE_TOO_LARGE), size.QuadPart > 0x40000000);
    std::vector<uint8_t> bytes(static_cast<size_t>(size.QuadPart));
    DWORD read = 0;
    if (!bytes.empty()) {
        const DWORD wanted = static_cast<DWORD>(bytes.size());
        RETURN_LAST_ERROR_IF(!::ReadFile(handle.Get(), bytes.data(), wanted, &read, nullptr));  // seam: local
    }
    bytes.resize(read);
    regfile::Error error;
    if (!regfile::Read(bytes.data(), bytes.size(), DecodeCodePage, file, error)) {
        if (detail) *detail = regfile::Describe(error);
        RETURN_WIN32(ERROR_BAD_FORMAT);
    }
    return S_OK;
}

HRESULT CompareRegistry(const wchar_t* machine, const regfile::File& file, std::vector<std::wstring>& missing) {
    missing.clear();
    Registry registry(machine);
    std::vector<BYTE> data;
    std::unordered_map<std::wstring, StoredValue> stored;
    for (const regfile::Key& key : file.keys) {
        UniqueRegKey opened;
        const LONG error = registry.Open(key.path, KEY_QUERY_VALUE, false, opened);
        if (error == ERROR_FILE_NOT_FOUND) {
            if (key.remove) continue;
            missing.push_back(WideString(key.path));
            for (const regfile::Value& value : key.values) {
                if (!value.remove) missing.push_back(ValueEntry(key, value));
            }
            continue;
        }
        if (error != ERROR_SUCCESS) RETURN_WIN32(error);
        if (key.remove) {
            missing.push_back(WideString(key.path));
            continue;
        }
        const bool whole = key.values.size() >= kReadWholeKey;
        if (whole) RETURN_IF_WIN32_ERROR(ReadAllValues(opened.Get(), stored));
        for (const regfile::Value& value : key.values) {
            DWORD type = 0;
            const std::vector<BYTE>* found = &data;
            LONG read = ERROR_SUCCESS;
            if (whole) {
                const auto it = stored.find(FoldCase(WideString(value.name)));
                if (it == stored.end()) {
                    read = ERROR_FILE_NOT_FOUND;
                } else {
                    type = it->second.type;
                    found = &it->second.data;
                }
            } else {
                read = ReadValue(opened.Get(), Wide(value.name), type, data);
            }
            if (read == ERROR_FILE_NOT_FOUND) {
                if (!value.remove) missing.push_back(ValueEntry(key, value));
                continue;
            }
            if (read != ERROR_SUCCESS) RETURN_WIN32(read);
            if (value.remove || type != value.type || !SameData(type, *found, value.data))
                missing.push_back(ValueEntry(key, value));
        }
    }
    return S_OK;
}

HRESULT ImportRegistry(const wchar_t* machine, const regfile::File& file, std::vector<std::wstring>& failed) {
    failed.clear();
    Registry registry(machine);
    for (const regfile::Key& key : file.keys) {
        // A computer that cannot be reached fails the import as a whole.
        if (key.remove) {
            if (registry.DeleteTree(key.path) != ERROR_SUCCESS) {
                if (const LONG unreachable = registry.ConnectionError()) RETURN_WIN32(unreachable);
                failed.push_back(WideString(key.path));
            }
            continue;
        }
        UniqueRegKey opened;
        if (registry.Open(key.path, KEY_SET_VALUE | KEY_QUERY_VALUE, true, opened) != ERROR_SUCCESS) {
            if (const LONG unreachable = registry.ConnectionError()) RETURN_WIN32(unreachable);
            failed.push_back(WideString(key.path));
            continue;
        }
        for (const regfile::Value& value : key.values) {
            LONG error = ERROR_SUCCESS;
            if (value.remove) {
                error = plat::RegDeleteValueW(opened.Get(), Wide(value.name));
                if (error == ERROR_FILE_NOT_FOUND) error = ERROR_SUCCESS;
            } else if (value.data.size() > MAXDWORD) {
                error = ERROR_INVALID_PARAMETER;
            } else {
                error = plat::RegSetValueExW(opened.Get(), Wide(value.name), 0, value.type, value.data.data(),
                                             static_cast<DWORD>(value.data.size()));
            }
            if (error != ERROR_SUCCESS) failed.push_back(ValueEntry(key, value));
        }
    }
    return S_OK;
}

// --- RegistryComponent -------------------------------------------------------

HRESULT RegistryComponent::FinalConstruct() noexcept { return marshaler_.Create(Controlling()); }

void* RegistryComponent::FindInterface(REFIID iid) noexcept {
    if (IsEqualIID(iid, IID_IRegistryComponent) || IsEqualIID(iid, IID_IDispatch))
        return static_cast<IRegistryComponent*>(this);
    return marshaler_.Find(iid);
}

namespace {

// Both file methods: the file read, `apply` run on it against `machine`, and
// the entries it lists handed back as the method's variant.
using FileWork = HRESULT (*)(const wchar_t*, const regfile::File&, std::vector<std::wstring>&);
HRESULT RunOnFile(BSTR machine, BSTR regFile, VARIANT* listed, FileWork apply) try {
    RETURN_HR_IF(E_POINTER, !listed);
    ::VariantInit(listed);
    regfile::File file;
    RETURN_IF_FAILED(LoadRegFile(regFile, file));
    std::vector<std::wstring> entries;
    RETURN_IF_FAILED(apply(machine, file, entries));
    return MakeStringArray(entries, listed);
} catch (const std::bad_alloc&) {
    RETURN_HR(E_OUTOFMEMORY);
}

}  // namespace

STDMETHODIMP RegistryComponent::CompareWithFile(BSTR machine, BSTR regFile, VARIANT* missing) {
    return RunOnFile(machine, regFile, missing, &CompareRegistry);
}

STDMETHODIMP RegistryComponent::ImportFile(BSTR machine, BSTR regFile, VARIANT* failed) {
    return RunOnFile(machine, regFile, failed, &ImportRegistry);
}

STDMETHODIMP RegistryComponent::TestEntry(BSTR machine, BSTR key, BSTR valueName, VARIANT data, long type,
                                          VARIANT_BOOL* holds) try {
    RETURN_HR_IF(E_POINTER, !holds);
    *holds = VARIANT_FALSE;
    RETURN_HR_IF(E_INVALIDARG, !key || !*key);
    Registry registry(machine);
    UniqueRegKey opened;
    RETURN_IF_WIN32_ERROR(registry.Open(Narrow(key), KEY_QUERY_VALUE, false, opened));
    if (!valueName || !*valueName) {
        *holds = VARIANT_TRUE;
        return S_OK;
    }
    DWORD storedType = 0;
    std::vector<BYTE> stored;
    RETURN_IF_WIN32_ERROR(ReadValue(opened.Get(), valueName, storedType, stored));
    if (!HasData(data)) {
        *holds = VARIANT_TRUE;
        return S_OK;
    }
    std::vector<BYTE> wanted;
    RETURN_IF_FAILED(EntryData(data, type, 0, wanted));
    const bool typeMatches = static_cast<long>(storedType) == type || (type == REG_SZ && storedType == REG_EXPAND_SZ);
    *holds = typeMatches && SameData(storedType, stored, wanted) ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
} catch (const std::bad_alloc&) {
    RETURN_HR(E_OUTOFMEMORY);
}

STDMETHODIMP RegistryComponent::WriteEntry(BSTR machine, BSTR key, BSTR valueName, VARIANT data, long type,
                                           long size) try {
    RETURN_HR_IF(E_INVALIDARG, !key || !*key || size < 0);
    Registry registry(machine);
    UniqueRegKey opened;
    RETURN_IF_WIN32_ERROR(registry.Open(Narrow(key), KEY_SET_VALUE | KEY_QUERY_VALUE, true, opened));
    // No value name: the key alone (its default value is never touched so).
    if (!valueName || !*valueName) return S_OK;
    std::vector<BYTE> bytes;
    if (HasData(data)) {
        RETURN_IF_FAILED(EntryData(data, type, size, bytes));
    } else {
        // An existence entry: a value that is there stays as it is; a
        // missing one is made empty (0 for a number).
        DWORD storedType = 0;
        std::vector<BYTE> stored;
        const LONG read = ReadValue(opened.Get(), valueName, storedType, stored);
        if (read == ERROR_SUCCESS) return S_OK;
        if (read != ERROR_FILE_NOT_FOUND) RETURN_WIN32(read);
        VARIANT empty;
        empty.vt = VT_I4;
        empty.lVal = 0;
        if (type == REG_DWORD) {
            RETURN_IF_FAILED(EntryData(empty, type, 4, bytes));
        } else {
            bytes.assign(2, 0);
        }
    }
    RETURN_IF_WIN32_ERROR(plat::RegSetValueExW(opened.Get(), valueName, 0, static_cast<DWORD>(type), bytes.data(),
                                               static_cast<DWORD>(bytes.size())));
    return S_OK;
} catch (const std::bad_alloc&) {
    RETURN_HR(E_OUTOFMEMORY);
}

}  // namespace vantrel::companions
