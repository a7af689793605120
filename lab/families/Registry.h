#pragma once
// The registry hives of a lab computer: HKEY_LOCAL_MACHINE and HKEY_USERS as
// trees of keys with typed values. The remote-registry functions work on
// them; scenarios fill them (the `registry` section) and every computer gets
// the standard keys of its system (computer name, version, hardware profiles).
#include "lab/Model.h"

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace lab::registry {

struct Value {
    std::wstring name;  // "" is the key's default value
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
};

struct Key {
    std::wstring name;  // as created (case kept)
    // Sub-keys by upper-cased name: enumeration runs in name order, as Windows
    // returns them.
    std::map<std::wstring, std::unique_ptr<Key>> children;
    std::vector<Value> values;  // in the order they were first set
    FILETIME written{};
    // Identities (DOMAIN\user, compared without case) refused this key and
    // everything below it, and those that may only read there.
    std::vector<std::wstring> denied;
    std::vector<std::wstring> readOnly;

    Key* Child(std::wstring_view name) const;
    Value* FindValue(std::wstring_view name);
    void Set(std::wstring_view name, DWORD type, std::vector<BYTE> data);
    void Touch();
};

enum class Root { Machine, Users };

// The per-computer section.
struct Hives {
    Key machine;
    Key users;
    bool standardPending = false;  // the standard keys are still to be added
    Key& Get(Root root) { return root == Root::Machine ? machine : users; }
};

// The computer's hives, with the standard keys added on first use (a
// scenario's values win over them).
Hives& HivesOf(Computer& computer);

// Splits "A\B\C" into its names. False for an empty name between separators
// (a leading, doubled or trailing backslash).
bool SplitPath(std::wstring_view path, std::vector<std::wstring>& names);
Key* Find(Key& root, const std::vector<std::wstring>& names);
Key& Create(Key& root, const std::vector<std::wstring>& names);

// What `identity` may do on the key at `names` (the keys on the way count,
// down to the deepest that exists): 0 all, 1 read only, 2 nothing.
int Restriction(Key& root, const std::vector<std::wstring>& names, const std::wstring& identity);

// Value data as the registry stores it.
std::vector<BYTE> StringData(std::wstring_view text);  // with its terminator
std::vector<BYTE> MultiStringData(const std::vector<std::wstring>& items);
std::vector<BYTE> DwordData(DWORD value);
std::vector<BYTE> QwordData(unsigned long long value);

// The keys every computer has: computer name, system version, the hardware
// profile list (IDConfigDB) and the per-profile trees. Values already there
// are kept.
void AddStandardKeys(const Computer& computer, Hives& hives);

}  // namespace lab::registry
