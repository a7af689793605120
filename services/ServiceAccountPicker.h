#pragma once
// Picks the account a service runs as with the directory object picker: the
// users of the target computer and of the joined domain, named by their
// pre-Windows 2000 name ("DOMAIN\user") as older computers need.
#include <windows.h>

#include <string>

namespace vantrel {

enum class PickedAccount { Cancelled, Named, NoDownlevelName };

// Shows the picker owned by `owner` for `computer` (empty: this computer).
// S_OK with `outcome` Named and `name`, Cancelled when the user closed it,
// NoDownlevelName when the picked account's older name cannot be found; the
// picker's failure otherwise.
HRESULT PickServiceAccount(HWND owner, const std::wstring& computer, std::wstring& name, PickedAccount& outcome);

}  // namespace vantrel
