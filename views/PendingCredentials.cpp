// TEMPORARY BRIDGE, delete when the credential routine (component/Credentials.h)
// lands from main: it only lets the views link meanwhile. It looks nothing up
// and logs nothing on; the views then run under the caller's identity.
#include "component/Credentials.h"
namespace vantrel {
void AlternateCredentials::Reset() noexcept {
    nameFormat = 0;
    userName.Reset();
    password.Reset();
    token.Reset();
}
HRESULT LookupCredentials(const wchar_t*, long, AlternateCredentials&) noexcept { return kCredentialsNotFound; }
void RecallAlternateCredentials(const wchar_t*, long, AlternateCredentials&) noexcept {}
std::wstring CurrentCredentialsText(const AlternateCredentials& c) { return c.userName ? c.userName.Get() : L"LAB\\operator"; }
void LogActivity(const std::wstring&) noexcept {}
}  // namespace vantrel
