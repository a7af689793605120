#pragma once
// Runs the module's registration scripts (resources of type "REGISTRY").
//
// A script names keys under HKEY_CLASSES_ROOT in nested braces:
//
//   HKCR
//   {
//       NoRemove CLSID
//       {
//           ForceRemove '{...}' = s 'Widget Class'
//           {
//               InprocServer32 = s '%MODULE%'
//               {
//                   val ThreadingModel = s 'Apartment'
//               }
//           }
//       }
//   }
//
// Registration creates every key, sets its default value (`= s 'text'`) and
// its named values (`val Name = s 'text'` or `= d 123`); ForceRemove first
// deletes an existing key. Removal deletes every key whole except NoRemove
// keys, whose children are visited instead. Names with braces or blanks are
// quoted; '' inside quotes is one quote. %NAME% placeholders in strings are
// replaced before use.
#include <windows.h>

#include <map>
#include <string>
#include <vector>

namespace vantrel {

struct RegistryScriptValue {
    std::wstring name;  // empty: the key's default value
    bool isNumber = false;
    std::wstring text;
    DWORD number = 0;
};

struct RegistryScriptKey {
    enum class Flag { None, NoRemove, ForceRemove };
    Flag flag = Flag::None;
    std::wstring name;
    std::vector<RegistryScriptValue> values;
    std::vector<RegistryScriptKey> keys;
};

class RegistryScript {
public:
    // Parses `text`; on failure returns E_INVALIDARG and describes the
    // problem (with its line) in `error`.
    HRESULT Parse(const std::wstring& text, const std::map<std::wstring, std::wstring>& replacements,
                  std::wstring* error = nullptr);

    // Applies the script to `root` (HKEY_CLASSES_ROOT in use; a scratch key in
    // tests). Returns the first failure; removal ignores keys that are gone.
    HRESULT Register(HKEY root) const;
    HRESULT Unregister(HKEY root) const;

    const std::vector<RegistryScriptKey>& Keys() const noexcept { return keys_; }

private:
    std::vector<RegistryScriptKey> keys_;
};

// Loads REGISTRY resource `id` of `module` and applies it with %MODULE% set
// to the module's full path.
HRESULT RunRegistrationScript(HMODULE module, UINT id, bool registering, HKEY root = HKEY_CLASSES_ROOT);

}  // namespace vantrel
