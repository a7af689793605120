#include "services/ServiceAccountPicker.h"

#include "common/AccountNames.h"
#include "common/ObjectPicker.h"
#include "services/editor/EditorRules.h"

#include <objsel.h>

#include <optional>
#include <vector>

namespace vantrel {

HRESULT PickServiceAccount(HWND owner, const std::wstring& computer, std::wstring& name, PickedAccount& outcome) {
    outcome = PickedAccount::Cancelled;
    ObjectPicker picker;
    const std::vector<PickerScope> scopes{
        {DSOP_SCOPE_TYPE_TARGET_COMPUTER, DSOP_SCOPE_FLAG_STARTING_SCOPE, DSOP_FILTER_USERS,
         DSOP_DOWNLEVEL_FILTER_USERS},
        // WinNT paths carry the pre-Windows 2000 name; without the flag a
        // directory domain answers with LDAP paths.
        {DSOP_SCOPE_TYPE_UPLEVEL_JOINED_DOMAIN | DSOP_SCOPE_TYPE_DOWNLEVEL_JOINED_DOMAIN,
         DSOP_SCOPE_FLAG_WANT_PROVIDER_WINNT, DSOP_FILTER_USERS, DSOP_DOWNLEVEL_FILTER_USERS}};
    std::vector<PickedObject> picked;
    HRESULT hr = picker.Initialize(computer, scopes, 0);
    if (SUCCEEDED(hr)) hr = picker.Show(owner, &picked);
    if (FAILED(hr)) return hr;
    if (hr == S_FALSE || picked.empty()) return S_OK;
    std::optional<std::wstring> downlevel = DownlevelNameFromPath(picked.front().path);
    std::wstring translated;
    // Any other path (LDAP, GC): the target computer names the identifier.
    const wchar_t* server = computer.empty() ? nullptr : computer.c_str();
    if (!downlevel && SUCCEEDED(DownlevelNameOfSid(server, picked.front().sid, translated))) downlevel = translated;
    if (!downlevel) {
        outcome = PickedAccount::NoDownlevelName;
        return S_OK;
    }
    name = *downlevel;
    outcome = PickedAccount::Named;
    return S_OK;
}

}  // namespace vantrel
