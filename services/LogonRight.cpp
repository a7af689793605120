#include "services/LogonRight.h"

#include "common/AccountNames.h"
#include "common/PlatHandles.h"
#include "common/Result.h"

#include <cwchar>

namespace vantrel {

namespace {

constexpr ACCESS_MASK kPolicyAccess = POLICY_LOOKUP_NAMES | POLICY_CREATE_ACCOUNT;

LSA_UNICODE_STRING CountedString(const wchar_t* text) {
    LSA_UNICODE_STRING s{};
    s.Buffer = const_cast<wchar_t*>(text);
    s.Length = static_cast<USHORT>(std::wcslen(text) * sizeof(wchar_t));
    s.MaximumLength = static_cast<USHORT>(s.Length + sizeof(wchar_t));
    return s;
}

HRESULT FromStatus(NTSTATUS status) {
    return HResultFromWin32(static_cast<long>(plat::LsaNtStatusToWinError(status)));
}

}  // namespace

HRESULT GrantLogonRight(const wchar_t* computer, const wchar_t* account, const wchar_t* right) {
    RETURN_HR_IF(E_POINTER, !computer || !*computer || !account || !*account);
    const wchar_t* slash = std::wcschr(account, L'\\');
    RETURN_HR_IF(E_INVALIDARG, !slash);
    SidBytes sid;
    RETURN_IF_FAILED(AccountNameToSid(computer, slash + 1, sid));

    LSA_UNICODE_STRING system = CountedString(computer);
    LSA_OBJECT_ATTRIBUTES attributes{};
    UniqueLsaHandle policy;
    NTSTATUS status = plat::LsaOpenPolicy(&system, &attributes, kPolicyAccess, policy.Put());
    RETURN_HR_IF(FromStatus(status), status != 0);
    LSA_UNICODE_STRING rights = CountedString(right ? right : L"");
    status = plat::LsaAddAccountRights(policy.Get(), sid.data(), &rights, 1);
    RETURN_HR_IF(FromStatus(status), status != 0);
    return S_OK;
}

}  // namespace vantrel
