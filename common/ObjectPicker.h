#pragma once
// The directory object picker: lets the user choose accounts of a computer
// and its domain. Wraps the platform's picker (plat::CreateDsObjectPicker):
// initialised with a target computer, scopes and options; shown owned by a
// window; the choice is read through CFSTR_DSOP_DS_SELECTION_LIST with the
// "objectSid" attribute fetched.
//
//   ObjectPicker picker;
//   RETURN_IF_FAILED(picker.Initialize(computer, {{DSOP_SCOPE_TYPE_TARGET_COMPUTER,
//       DSOP_SCOPE_FLAG_STARTING_SCOPE, DSOP_FILTER_USERS, DSOP_DOWNLEVEL_FILTER_USERS}}, 0));
//   std::vector<PickedObject> chosen;
//   HRESULT hr = picker.Show(page, &chosen);   // S_FALSE: cancelled
//
// The calling thread must have initialised COM (single-threaded apartment on
// Windows, where the picker is a dialog).
#include "common/ComPtr.h"

#include "platform/ObjectPicker.h"

#include <string>
#include <vector>

namespace vantrel {

struct PickerScope {
    ULONG type = 0;             // DSOP_SCOPE_TYPE_*
    ULONG flags = 0;            // DSOP_SCOPE_FLAG_*
    ULONG uplevelFilter = 0;    // DSOP_FILTER_*, for both modes
    ULONG downlevelFilter = 0;  // DSOP_DOWNLEVEL_FILTER_*
};

struct PickedObject {
    std::wstring name;         // the picker's name of the object
    std::wstring path;         // directory path, e.g. WinNT://DOMAIN/user (may be empty)
    std::wstring objectClass;  // "User", "Group", ...
    std::wstring upn;          // may be empty
    // The "objectSid" attribute: empty when the picker gave no byte array
    // with data. Not checked further (callers validate it).
    std::vector<BYTE> sid;
};

class ObjectPicker {
public:
    ObjectPicker() = default;
    ObjectPicker(const ObjectPicker&) = delete;
    ObjectPicker& operator=(const ObjectPicker&) = delete;

    // Creates and initialises the picker for `targetComputer` (empty: the
    // local computer) with the scopes and DSOP_FLAG_* options. Returns the
    // failure of creation or initialisation (the picker is then unusable).
    // Without `fetchSid` no attribute is fetched (the objects' sid stays empty).
    HRESULT Initialize(const std::wstring& targetComputer, const std::vector<PickerScope>& scopes, ULONG options,
                       bool fetchSid = true);

    // Shows the picker owned by `owner`. S_OK with the chosen objects in
    // order, S_FALSE when the user cancelled (nothing chosen), or the
    // failure; `picked` is replaced in every case. E_UNEXPECTED before a
    // successful Initialize.
    HRESULT Show(HWND owner, std::vector<PickedObject>* picked);

private:
    ComPtr<IDsObjectPicker> picker_;
    bool fetchSid_ = true;
};

// Reads one selection list (the CFSTR_DSOP_DS_SELECTION_LIST block) with
// `attributes` fetched, taking "objectSid" from the attribute of that name.
std::vector<PickedObject> ReadSelectionList(const DS_SELECTION_LIST& list, const std::vector<std::wstring>& attributes);

}  // namespace vantrel
