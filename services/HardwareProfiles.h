#pragma once
// Whether a service runs in each hardware profile of its computer, read and
// written through the computer's remote registry.
#include <windows.h>

#include <string>
#include <vector>

namespace vantrel {

struct HardwareProfile {
    std::wstring keyName;       // the profile's sub-key, at most 4 characters ("0001")
    DWORD dockState = 0;
    std::wstring guid;          // HwProfileGuid, up to 38 characters
    std::wstring friendlyName;  // up to 79 characters
    DWORD aliasable = 0;
    DWORD cloned = 0;
    DWORD preferenceOrder = 0;
    bool enabled = true;        // the service runs in this profile
};

// The computer's profiles (without the pristine template "0000") with the
// service's state in each, by preference order. Fails for an empty computer
// name; the first failing sub-key ends the list.
HRESULT EnumHardwareProfiles(const wchar_t* computer, const wchar_t* service, std::vector<HardwareProfile>& profiles);

// Writes the service's state in each profile (CSConfigFlags 0 enabled, 1
// disabled). A failing profile does not stop the others; the last failure is
// returned.
HRESULT SetHardwareProfiles(const wchar_t* computer, const wchar_t* service,
                            const std::vector<HardwareProfile>& profiles);

// Ascending preference order by selection sort; among equal smallest orders
// the one found last moves first.
void SortByPreferenceOrder(std::vector<HardwareProfile>& profiles);

// "<key>\System\CurrentControlSet\Enum\ROOT\LEGACY_<service>\0000" below
// SYSTEM\CurrentControlSet\Hardware Profiles.
std::wstring ProfileServiceKey(const std::wstring& keyName, const wchar_t* service);

}  // namespace vantrel
