// The registry hives of lab computers: the key tree, the standard keys every
// computer has, and the `registry` section of scenarios.
#include "lab/families/Registry.h"

#include "lab/Sections.h"
#include "lab/Text.h"

#include <cstdio>
#include <cstring>

namespace lab::registry {

Key* Key::Child(std::wstring_view name) const {
    const auto it = children.find(Upper(name));
    return it == children.end() ? nullptr : it->second.get();
}

Value* Key::FindValue(std::wstring_view name) {
    for (Value& v : values) {
        if (EqualsNoCase(v.name, name)) return &v;
    }
    return nullptr;
}

void Key::Set(std::wstring_view name, DWORD type, std::vector<BYTE> data) {
    Value* v = FindValue(name);
    if (!v) {
        values.push_back(Value{std::wstring(name), type, {}});
        v = &values.back();
    }
    v->type = type;
    v->data = std::move(data);
    Touch();
}

void Key::Touch() { ::GetSystemTimeAsFileTime(&written); }

bool SplitPath(std::wstring_view path, std::vector<std::wstring>& names) {
    names.clear();
    if (path.empty()) return true;
    size_t start = 0;
    for (;;) {
        const size_t end = path.find(L'\\', start);
        const std::wstring_view name = path.substr(start, end == std::wstring_view::npos ? end : end - start);
        if (name.empty()) return false;
        names.emplace_back(name);
        if (end == std::wstring_view::npos) return true;
        start = end + 1;
    }
}

Key* Find(Key& root, const std::vector<std::wstring>& names) {
    Key* key = &root;
    for (const std::wstring& name : names) {
        key = key->Child(name);
        if (!key) return nullptr;
    }
    return key;
}

Key& Create(Key& root, const std::vector<std::wstring>& names) {
    Key* key = &root;
    for (const std::wstring& name : names) {
        Key* child = key->Child(name);
        if (!child) {
            auto made = std::make_unique<Key>();
            made->name = name;
            made->Touch();
            child = made.get();
            key->children.emplace(Upper(name), std::move(made));
            key->Touch();
        }
        key = child;
    }
    return *key;
}

std::vector<BYTE> StringData(std::wstring_view text) {
    std::vector<BYTE> data((text.size() + 1) * sizeof(wchar_t), 0);
    std::memcpy(data.data(), text.data(), text.size() * sizeof(wchar_t));
    return data;
}

std::vector<BYTE> MultiStringData(const std::vector<std::wstring>& items) {
    std::wstring joined;
    for (const std::wstring& item : items) {
        joined += item;
        joined += L'\0';
    }
    return StringData(joined);  // the final terminator ends the list
}

std::vector<BYTE> QwordData(unsigned long long value) {
    std::vector<BYTE> data(sizeof(value));
    std::memcpy(data.data(), &value, sizeof(value));
    return data;
}

int Restriction(Key& root, const std::vector<std::wstring>& names, const std::wstring& identity) {
    int restriction = 0;
    auto check = [&](const Key& key) {
        for (const std::wstring& who : key.denied) {
            if (EqualsNoCase(who, identity)) restriction = 2;
        }
        for (const std::wstring& who : key.readOnly) {
            if (EqualsNoCase(who, identity) && restriction < 1) restriction = 1;
        }
    };
    const Key* key = &root;
    check(*key);
    for (const std::wstring& name : names) {
        key = key->Child(name);
        if (!key) break;
        check(*key);
    }
    return restriction;
}

std::vector<BYTE> DwordData(DWORD value) {
    std::vector<BYTE> data(sizeof(DWORD));
    std::memcpy(data.data(), &value, sizeof(DWORD));
    return data;
}

namespace {

// Standard values never replace what a scenario set.
void Default(Key& key, std::wstring_view name, DWORD type, std::vector<BYTE> data) {
    if (!key.FindValue(name)) key.Set(name, type, std::move(data));
}

Key& MachineKey(Hives& hives, std::wstring_view path) {
    std::vector<std::wstring> names;
    SplitPath(path, names);
    return Create(hives.machine, names);
}

// A stable profile identifier per computer and profile, so the same network
// always shows the same GUIDs.
std::wstring ProfileGuid(const std::wstring& computer, DWORD profile) {
    DWORD h = 2166136261u;
    for (wchar_t c : computer) h = (h ^ static_cast<DWORD>(c)) * 16777619u;
    h = (h ^ profile) * 16777619u;
    wchar_t text[40];
    std::swprintf(text, 40, L"{%08lx-%04lx-11d8-a0b5-%012lx}", static_cast<unsigned long>(h),
                  static_cast<unsigned long>(h >> 16), static_cast<unsigned long>(0x00c04f79faa6ul + profile));
    return text;
}

}  // namespace

void AddStandardKeys(const Computer& computer, Hives& hives) {
    Default(MachineKey(hives, L"SYSTEM\\CurrentControlSet\\Control\\ComputerName\\ComputerName"),
            L"ComputerName", REG_SZ, StringData(computer.name));
    Key& version = MachineKey(hives, L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion");
    Default(version, L"ProductName", REG_SZ, StringData(computer.os.product));
    Default(version, L"CurrentBuildNumber", REG_SZ, StringData(std::to_wstring(computer.os.build)));
    Default(version, L"CurrentMajorVersionNumber", REG_DWORD, DwordData(computer.os.major));
    Default(version, L"CurrentMinorVersionNumber", REG_DWORD, DwordData(computer.os.minor));
    Default(version, L"SystemRoot", REG_SZ, StringData(L"C:\\Windows"));
    Default(version, L"PathName", REG_EXPAND_SZ, StringData(L"%SystemRoot%"));

    // Hardware profiles: 0000 is the pristine template every system keeps,
    // 0001 the profile the computer runs in.
    Key& idConfig = MachineKey(hives, L"SYSTEM\\CurrentControlSet\\Control\\IDConfigDB");
    Default(idConfig, L"CurrentConfig", REG_DWORD, DwordData(1));
    Default(idConfig, L"UserWaitInterval", REG_DWORD, DwordData(30));
    Key& pristine = MachineKey(hives, L"SYSTEM\\CurrentControlSet\\Control\\IDConfigDB\\Hardware Profiles\\0000");
    Default(pristine, L"FriendlyName", REG_SZ, StringData(L"New Hardware Profile"));
    Default(pristine, L"PreferenceOrder", REG_DWORD, DwordData(0xFFFFFFFF));
    Default(pristine, L"Pristine", REG_DWORD, DwordData(1));
    Key& first = MachineKey(hives, L"SYSTEM\\CurrentControlSet\\Control\\IDConfigDB\\Hardware Profiles\\0001");
    Default(first, L"FriendlyName", REG_SZ, StringData(L"Profile 1"));
    Default(first, L"HwProfileGuid", REG_SZ, StringData(ProfileGuid(computer.name, 1)));
    Default(first, L"PreferenceOrder", REG_DWORD, DwordData(0));
    Default(first, L"Aliasable", REG_DWORD, DwordData(1));
    Default(first, L"Cloned", REG_DWORD, DwordData(1));
    Default(first, L"DockState", REG_DWORD, DwordData(0));
    MachineKey(hives, L"SYSTEM\\CurrentControlSet\\Hardware Profiles\\0000\\System\\CurrentControlSet");
    MachineKey(hives, L"SYSTEM\\CurrentControlSet\\Hardware Profiles\\0001\\System\\CurrentControlSet\\Enum\\ROOT");
    MachineKey(hives, L"SYSTEM\\CurrentControlSet\\Hardware Profiles\\0001\\Software");

    std::vector<std::wstring> names;
    SplitPath(L".DEFAULT\\Control Panel\\International", names);
    Default(Create(hives.users, names), L"LocaleName", REG_SZ, StringData(L"en-US"));
    SplitPath(L"S-1-5-18", names);
    Create(hives.users, names);
}

namespace {

bool ParseRootPath(std::wstring_view text, Root& root, std::wstring_view& rest) {
    static constexpr struct {
        std::wstring_view prefix;
        Root root;
    } kRoots[] = {{L"HKLM", Root::Machine},
                  {L"HKEY_LOCAL_MACHINE", Root::Machine},
                  {L"HKU", Root::Users},
                  {L"HKEY_USERS", Root::Users}};
    const size_t slash = text.find(L'\\');
    const std::wstring_view head = text.substr(0, slash);
    for (const auto& r : kRoots) {
        if (EqualsNoCase(head, r.prefix)) {
            root = r.root;
            rest = slash == std::wstring_view::npos ? std::wstring_view() : text.substr(slash + 1);
            return true;
        }
    }
    return false;
}

bool ParseBinary(const std::string& text, std::vector<BYTE>& out) {
    out.clear();
    int high = -1;
    for (char c : text) {
        if (c == ' ' || c == ',') continue;
        const int digit = c >= '0' && c <= '9' ? c - '0'
                          : c >= 'a' && c <= 'f' ? c - 'a' + 10
                          : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                 : -1;
        if (digit < 0) return false;
        if (high < 0) {
            high = digit;
        } else {
            out.push_back(static_cast<BYTE>(high * 16 + digit));
            high = -1;
        }
    }
    return high < 0;
}

bool ParseQword(const std::string& text, unsigned long long& value) {
    if (text.empty() || text.size() > 16) return false;
    value = 0;
    for (char c : text) {
        const int digit = c >= '0' && c <= '9' ? c - '0'
                          : c >= 'a' && c <= 'f' ? c - 'a' + 10
                          : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                 : -1;
        if (digit < 0) return false;
        value = value * 16 + static_cast<unsigned>(digit);
    }
    return true;
}

// Types given by bytes: REG_BINARY and the rarer names, or "hex(N)" with N
// in hex as the registry editor writes it. MAXDWORD for none of them.
DWORD RawType(const std::wstring& type) {
    if (type == L"REG_BINARY") return REG_BINARY;
    if (type == L"REG_NONE") return REG_NONE;
    if (type == L"REG_DWORD_BIG_ENDIAN") return REG_DWORD_BIG_ENDIAN;
    if (type == L"REG_LINK") return REG_LINK;
    if (type == L"REG_RESOURCE_LIST") return REG_RESOURCE_LIST;
    if (type.size() > 5 && type.compare(0, 4, L"hex(") == 0 && type.back() == L')') {
        DWORD n = 0;
        for (size_t i = 4; i + 1 < type.size(); ++i) {
            const wchar_t c = type[i];
            const int digit = c >= L'0' && c <= L'9' ? c - L'0' : c >= L'a' && c <= L'f' ? c - L'a' + 10 : -1;
            if (digit < 0 || n > 0x0FFFFFFF) return MAXDWORD;
            n = n * 16 + static_cast<DWORD>(digit);
        }
        return n;
    }
    return MAXDWORD;
}

void ReadValue(const json::Value& item, const std::string& path, Key& key, Diagnostics& diag) {
    ObjectReader r(item, path, diag);
    std::wstring name, type;
    r.String("name", name, Need::Required);
    r.String("type", type, Need::Required);
    const json::Value* data = r.Take("data", Need::Required);
    r.Finish();
    if (!diag.Ok() || !data) return;
    const std::string dataPath = r.PathOf("data");
    if (type == L"REG_SZ" || type == L"REG_EXPAND_SZ") {
        if (!ExpectType(*data, json::Type::String, dataPath, diag)) return;
        key.Set(name, type == L"REG_SZ" ? REG_SZ : REG_EXPAND_SZ, StringData(Widen(data->text)));
    } else if (type == L"REG_MULTI_SZ") {
        if (!ExpectType(*data, json::Type::Array, dataPath, diag)) return;
        std::vector<std::wstring> items;
        for (size_t i = 0; i < data->items.size(); ++i) {
            if (!ExpectType(data->items[i], json::Type::String, ItemPath(dataPath, i), diag)) return;
            items.push_back(Widen(data->items[i].text));
        }
        key.Set(name, REG_MULTI_SZ, MultiStringData(items));
    } else if (type == L"REG_DWORD") {
        DWORD value = 0;
        if (!ReadNumber(*data, dataPath, diag, 0, 0xFFFFFFFF, value)) return;
        key.Set(name, REG_DWORD, DwordData(value));
    } else if (type == L"REG_BINARY") {
        std::vector<BYTE> bytes;
        if (!ExpectType(*data, json::Type::String, dataPath, diag)) return;
        if (!ParseBinary(data->text, bytes)) {
            diag.Fail(data->line, dataPath, "expected hex bytes like \"01 a0 ff\"");
            return;
        }
        key.Set(name, REG_BINARY, std::move(bytes));
    } else if (type == L"REG_QWORD") {
        // JSON numbers are doubles: the 64 bits come as hex digits.
        unsigned long long value = 0;
        if (!ExpectType(*data, json::Type::String, dataPath, diag)) return;
        if (!ParseQword(data->text, value)) {
            diag.Fail(data->line, dataPath, "expected up to 16 hex digits like \"80000000000000ff\"");
            return;
        }
        key.Set(name, REG_QWORD, QwordData(value));
    } else if (const DWORD raw = RawType(type); raw != MAXDWORD) {
        // Any other type, numbered or named, with its bytes as hex.
        std::vector<BYTE> bytes;
        if (!ExpectType(*data, json::Type::String, dataPath, diag)) return;
        if (!ParseBinary(data->text, bytes)) {
            diag.Fail(data->line, dataPath, "expected hex bytes like \"01 a0 ff\"");
            return;
        }
        key.Set(name, raw, std::move(bytes));
    } else {
        diag.Fail(r.LineOf("type"), r.PathOf("type"),
                  "expected REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ, REG_DWORD, REG_QWORD, REG_BINARY, REG_NONE, "
                  "REG_DWORD_BIG_ENDIAN, REG_LINK or hex(N)");
    }
}

void ReadKey(const json::Value& item, const std::string& path, Hives& hives, Diagnostics& diag) {
    ObjectReader r(item, path, diag);
    std::wstring text;
    r.String("path", text, Need::Required);
    const json::Value* values = r.Take("values");
    std::vector<std::wstring> denied, readOnly;
    r.StringList("deny", denied);
    r.StringList("readOnly", readOnly);
    r.Finish();
    if (!diag.Ok()) return;
    Root root = Root::Machine;
    std::wstring_view rest;
    std::vector<std::wstring> names;
    if (!ParseRootPath(text, root, rest) || !SplitPath(rest, names)) {
        diag.Fail(r.LineOf("path"), r.PathOf("path"), "expected HKLM\\... or HKU\\... without empty key names");
        return;
    }
    Key& key = Create(hives.Get(root), names);
    key.denied.insert(key.denied.end(), denied.begin(), denied.end());
    key.readOnly.insert(key.readOnly.end(), readOnly.begin(), readOnly.end());
    if (!values) return;
    const std::string valuesPath = r.PathOf("values");
    if (!ExpectType(*values, json::Type::Array, valuesPath, diag)) return;
    for (size_t i = 0; i < values->items.size() && diag.Ok(); ++i)
        ReadValue(values->items[i], ItemPath(valuesPath, i), key, diag);
}

void ParseRegistry(const json::Value* value, const std::string& path, Computer& computer, Diagnostics& diag) {
    Hives& hives = computer.Section<Hives>();
    if (!value) {
        hives.standardPending = true;
        return;
    }
    ObjectReader r(*value, path, diag);
    bool standard = true;
    r.Bool("standard", standard);
    const json::Value* keys = r.Take("keys");
    r.Finish();
    if (!diag.Ok()) return;
    // The computer's name is stored only after its sections were read: the
    // standard keys, which name it, are added on first use.
    hives.standardPending = standard;
    if (!keys) return;
    const std::string keysPath = r.PathOf("keys");
    if (!ExpectType(*keys, json::Type::Array, keysPath, diag)) return;
    for (size_t i = 0; i < keys->items.size() && diag.Ok(); ++i) ReadKey(keys->items[i], ItemPath(keysPath, i), hives, diag);
}

void GenerateRegistry(Computer& computer, size_t, const GeneratorOptions&) {
    computer.Section<Hives>().standardPending = true;
}

const SectionRegistration kRegistrySection{ComputerSectionHandler{"registry", &ParseRegistry, &GenerateRegistry}};

}  // namespace

Hives& HivesOf(Computer& computer) {
    Hives& hives = computer.Section<Hives>();
    if (hives.standardPending) {
        hives.standardPending = false;
        AddStandardKeys(computer, hives);
    }
    return hives;
}

}  // namespace lab::registry
