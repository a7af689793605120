#pragma once
// Where the dial-in page reads and writes a user's settings: the level-0
// remote-access record of version-4 servers, or the user's server data
// object on later ones, whose ten properties map to the page as below.
#include "common/ComPtr.h"
#include "common/Handles.h"
#include "views/UserPropertyRules.h"

#include "platform/RemoteAccess.h"

#include <array>
#include <string>

namespace vantrel {

// The data-object properties in the order they are read and written, each
// with the messages of a failed read and a failed write.
struct DialInProperty {
    LONG id;
    UINT readFailureId;
    UINT writeFailureId;
};
constexpr size_t kDialInPropertyCount = 10;
extern const std::array<DialInProperty, kDialInPropertyCount> kDialInProperties;
using DialInValues = std::array<UniqueVariant, kDialInPropertyCount>;

// The page's settings from the properties as read (in kDialInProperties'
// order): empty values fall back on their saved counterparts as the page
// shows them.
DialInSettings SettingsFromValues(const DialInValues& values);
// What Apply writes, in the same order. `addressEnabled` and
// `routesEnabled`: whether the static address and routes boxes are enabled.
HRESULT ValuesFromSettings(const DialInSettings& settings, bool addressEnabled, bool routesEnabled, DialInValues* values);

// A route array (one route text per variant); texts of another form are
// skipped.
std::vector<StaticRoute> RoutesFromValue(const VARIANT& value);
HRESULT RouteArray(const std::vector<StaticRoute>& routes, UniqueVariant* value);

// The version-4 back end.
HRESULT ReadVersion4(const std::wstring& server, const std::wstring& user, DialInSettings* settings);
HRESULT WriteVersion4(const std::wstring& server, const std::wstring& user, const DialInSettings& settings);

// The data-object back end: the user object of `user` on `computer`.
class UserDataObject {
public:
    // Binds the machine object (a failure is reported with `failedStep` set
    // to IDS_DI_NO_MACHINE) and the user object (IDS_DI_NO_USER).
    HRESULT Bind(const std::wstring& computer, const std::wstring& user, UINT* failedStep);
    // Reads every property in order; a failure stops with the index of the
    // property that failed in `failedAt`.
    HRESULT Read(DialInValues* values, size_t* failedAt);
    // Puts every property in order, then Apply. A failing put gives its
    // index in `failedAt`; a failing Apply gives kDialInPropertyCount.
    HRESULT Write(const DialInValues& values, size_t* failedAt);

private:
    ComPtr<ISdo> user_;
};

}  // namespace vantrel
