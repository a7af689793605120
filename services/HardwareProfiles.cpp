#include "services/HardwareProfiles.h"

#include "common/PlatHandles.h"
#include "common/Result.h"

#include <utility>

namespace vantrel {

namespace {

constexpr wchar_t kProfileList[] = L"SYSTEM\\CurrentControlSet\\Control\\IDConfigDB\\Hardware Profiles";
constexpr wchar_t kProfileTrees[] = L"SYSTEM\\CurrentControlSet\\Hardware Profiles";
constexpr wchar_t kPristine[] = L"0000";
constexpr wchar_t kConfigFlags[] = L"CSConfigFlags";
constexpr DWORD kKeyNameChars = 5;         // four characters and the terminator
constexpr DWORD kFriendlyNameBytes = 160;  // 80 characters
constexpr DWORD kGuidBytes = 78;           // 39 characters
constexpr REGSAM kWriteAccess = KEY_SET_VALUE | KEY_CREATE_SUB_KEY | READ_CONTROL;  // 0x20006

// Opens `path` under the computer's HKEY_LOCAL_MACHINE; the remote root is
// closed as soon as the key is open.
HRESULT OpenMachineKey(const wchar_t* computer, const wchar_t* path, REGSAM access, UniqueRegKey& key) {
    UniqueRegKey root;
    RETURN_IF_WIN32_ERROR(plat::RegConnectRegistryW(computer, HKEY_LOCAL_MACHINE, root.Put()));
    RETURN_IF_WIN32_ERROR(plat::RegOpenKeyExW(root.Get(), path, 0, access, key.Put()));
    return S_OK;
}

std::wstring ReadText(HKEY key, const wchar_t* name, DWORD maxBytes) {
    std::wstring text(maxBytes / sizeof(wchar_t), L'\0');
    DWORD bytes = maxBytes;
    DWORD type = 0;
    if (plat::RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<LPBYTE>(text.data()), &bytes) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        return {};
    text.resize(bytes / sizeof(wchar_t));
    while (!text.empty() && text.back() == L'\0') text.pop_back();
    return text;
}

// Missing or mistyped values read as 0.
DWORD ReadDword(HKEY key, const wchar_t* name) {
    DWORD value = 0, bytes = sizeof(value), type = 0;
    if (plat::RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<LPBYTE>(&value), &bytes) != ERROR_SUCCESS ||
        type != REG_DWORD)
        return 0;
    return value;
}

// Runs unless CSConfigFlags says otherwise; an unreadable value means enabled.
bool EnabledIn(HKEY profileTrees, const std::wstring& keyName, const wchar_t* service) {
    UniqueRegKey key;
    if (plat::RegOpenKeyExW(profileTrees, ProfileServiceKey(keyName, service).c_str(), 0, KEY_READ, key.Put()) !=
        ERROR_SUCCESS)
        return true;
    DWORD flags = 0, bytes = sizeof(flags), type = 0;
    if (plat::RegQueryValueExW(key.Get(), kConfigFlags, nullptr, &type, reinterpret_cast<LPBYTE>(&flags), &bytes) !=
        ERROR_SUCCESS)
        return true;
    return flags == 0;
}

}  // namespace

std::wstring ProfileServiceKey(const std::wstring& keyName, const wchar_t* service) {
    return keyName + L"\\System\\CurrentControlSet\\Enum\\ROOT\\LEGACY_" + (service ? service : L"") + L"\\0000";
}

void SortByPreferenceOrder(std::vector<HardwareProfile>& profiles) {
    for (size_t i = 0; i < profiles.size(); ++i) {
        size_t smallest = i;
        for (size_t j = i; j < profiles.size(); ++j) {
            if (profiles[j].preferenceOrder <= profiles[smallest].preferenceOrder) smallest = j;
        }
        if (smallest != i) std::swap(profiles[i], profiles[smallest]);
    }
}

HRESULT EnumHardwareProfiles(const wchar_t* computer, const wchar_t* service, std::vector<HardwareProfile>& profiles) {
    RETURN_HR_IF(E_INVALIDARG, !computer || !*computer);
    UniqueRegKey list, trees;
    RETURN_IF_FAILED(OpenMachineKey(computer, kProfileList, KEY_READ, list));
    RETURN_IF_FAILED(OpenMachineKey(computer, kProfileTrees, KEY_READ, trees));

    std::vector<HardwareProfile> found;
    for (DWORD index = 0;; ++index) {
        wchar_t name[kKeyNameChars];
        DWORD chars = kKeyNameChars;
        if (plat::RegEnumKeyExW(list.Get(), index, name, &chars, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        UniqueRegKey key;
        if (plat::RegOpenKeyExW(list.Get(), name, 0, KEY_READ, key.Put()) != ERROR_SUCCESS) break;
        HardwareProfile p;
        p.keyName.assign(name, chars);
        p.friendlyName = ReadText(key.Get(), L"FriendlyName", kFriendlyNameBytes);
        p.guid = ReadText(key.Get(), L"HwProfileGuid", kGuidBytes);
        p.aliasable = ReadDword(key.Get(), L"Aliasable");
        p.cloned = ReadDword(key.Get(), L"Cloned");
        p.preferenceOrder = ReadDword(key.Get(), L"PreferenceOrder");
        p.dockState = ReadDword(key.Get(), L"DockState");
        if (p.keyName == kPristine) continue;
        p.enabled = EnabledIn(trees.Get(), p.keyName, service);
        found.push_back(std::move(p));
    }
    SortByPreferenceOrder(found);
    profiles = std::move(found);
    return S_OK;
}

HRESULT SetHardwareProfiles(const wchar_t* computer, const wchar_t* service,
                            const std::vector<HardwareProfile>& profiles) {
    if (profiles.empty()) return S_OK;
    UniqueRegKey trees;
    RETURN_IF_FAILED(OpenMachineKey(computer, kProfileTrees, kWriteAccess, trees));
    HRESULT result = S_OK;
    for (const HardwareProfile& p : profiles) {
        UniqueRegKey key;
        LONG rc = plat::RegCreateKeyExW(trees.Get(), ProfileServiceKey(p.keyName, service).c_str(), 0, nullptr, 0,
                                        kWriteAccess, nullptr, key.Put(), nullptr);
        if (rc == ERROR_SUCCESS) {
            const DWORD flags = p.enabled ? 0 : 1;
            rc = plat::RegSetValueExW(key.Get(), kConfigFlags, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&flags),
                                      sizeof(flags));
        }
        if (rc != ERROR_SUCCESS) {
            result = HResultFromWin32(rc);
            VANTREL_NOTE(result);
        }
    }
    return result;
}

}  // namespace vantrel
