#include "common/AccountNames.h"

#include "common/ErrorText.h"
#include "common/PlatHandles.h"
#include "common/ResourceText.h"
#include "common/Result.h"
#include "resources/AccountNamesIds.h"

#include <lm.h>

namespace vantrel {

namespace {

constexpr DWORD kNameChars = 256;
// A NetBIOS name of the full 15 characters and its terminator: the domain of
// a computer's own accounts is the computer's name.
constexpr DWORD kRidDomainChars = 16;
constexpr DWORD kMaxLocalName = 20;
constexpr DWORD kLastControlCode = 30;
constexpr DWORD kMajorVersionMask = 0x0F;
constexpr DWORD kNewestCheckedMajor = 4;

struct FreeSidOwner {
    PSID sid = nullptr;
    ~FreeSidOwner() {
        if (sid) ::FreeSid(sid);
    }
};

HRESULT NameOfSid(const wchar_t* server, PSID sid, DWORD domainChars, std::wstring& name,
                  std::wstring* domainName = nullptr) {
    wchar_t account[kNameChars];
    std::wstring domain(domainChars, L'\0');
    DWORD accountChars = kNameChars;
    SID_NAME_USE use;
    RETURN_LAST_ERROR_IF(
        !plat::LookupAccountSidW(server, sid, account, &accountChars, domain.data(), &domainChars, &use));
    name.assign(account);
    if (domainName) domainName->assign(domain.c_str());
    return S_OK;
}

}  // namespace

HRESULT AccountNameForRid(const wchar_t* server, DWORD rid, std::wstring& name) {
    UniqueNetBuffer buffer;
    RETURN_IF_WIN32_ERROR(plat::NetUserModalsGet(server, 2, PutNetBuffer(buffer)));
    const PSID domain = static_cast<const USER_MODALS_INFO_2*>(buffer.Get())->usrmod2_domain_id;
    const BYTE count = *::GetSidSubAuthorityCount(domain);
    SidBytes sid(::GetSidLengthRequired(static_cast<UCHAR>(count + 1)));
    RETURN_LAST_ERROR_IF(!::InitializeSid(sid.data(), ::GetSidIdentifierAuthority(domain), static_cast<BYTE>(count + 1)));
    for (BYTE i = 0; i < count; ++i) *::GetSidSubAuthority(sid.data(), i) = *::GetSidSubAuthority(domain, i);
    *::GetSidSubAuthority(sid.data(), count) = rid;
    return NameOfSid(server, sid.data(), kRidDomainChars, name);
}

HRESULT DownlevelNameOfSid(const wchar_t* server, const SidBytes& sid, std::wstring& name) {
    SidBytes copy(sid);  // the lookup takes a non-const identifier
    if (copy.size() < ::GetSidLengthRequired(0) || !::IsValidSid(copy.data()) ||
        ::GetLengthSid(copy.data()) > copy.size())
        RETURN_HR(E_INVALIDARG);
    std::wstring account, domain;
    RETURN_IF_FAILED(NameOfSid(server, copy.data(), kNameChars, account, &domain));
    // Well-known principals without a domain (Everyone) have their name alone.
    name = domain.empty() ? account : domain + L"\\" + account;
    return S_OK;
}

HRESULT AccountNameToSid(const wchar_t* server, const wchar_t* name, SidBytes& sid) {
    DWORD sidBytes = 0, domainChars = 0;
    SID_NAME_USE use;
    if (!plat::LookupAccountNameW(server, name, nullptr, &sidBytes, nullptr, &domainChars, &use)) {
        const DWORD error = ::GetLastError();
        if (error != ERROR_INSUFFICIENT_BUFFER) RETURN_WIN32(error);
    }
    SidBytes found(sidBytes);
    std::wstring domain(domainChars, L'\0');
    RETURN_LAST_ERROR_IF(!plat::LookupAccountNameW(server, name, found.data(), &sidBytes, domain.data(),
                                                   &domainChars, &use));
    found.resize(::GetLengthSid(found.data()));
    sid = std::move(found);
    return S_OK;
}

HRESULT BuiltinUsersGroupName(const wchar_t* server, std::wstring& name) {
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    FreeSidOwner users;
    RETURN_LAST_ERROR_IF(!::AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_USERS, 0,
                                                     0, 0, 0, 0, 0, &users.sid));
    return NameOfSid(server, users.sid, kNameChars, name);
}

bool BreaksLocalNameRule(std::wstring_view name) {
    if (name.empty() || name.size() > kMaxLocalName || name.back() == L'.') return true;
    for (wchar_t c : name) {
        if (static_cast<DWORD>(c) <= kLastControlCode) return true;
        if (std::wstring_view(L"\"*+,/:;<=>?[\\]|").find(c) != std::wstring_view::npos) return true;
    }
    return false;
}

HRESULT ServerMajorVersion(const wchar_t* server, DWORD& major) {
    UniqueNetBuffer buffer;
    const NET_API_STATUS status = plat::NetServerGetInfo(const_cast<LMSTR>(server), 101, PutNetBuffer(buffer));
    if (status != NERR_Success) RETURN_WIN32(status);
    major = static_cast<const SERVER_INFO_101*>(buffer.Get())->sv101_version_major & kMajorVersionMask;
    return S_OK;
}

bool LocalNameRuleApplies(const wchar_t* server) {
    DWORD major = 0;
    return SUCCEEDED(ServerMajorVersion(server, major)) && major <= kNewestCheckedMajor;
}

bool IsNameRejection(DWORD error, const DWORD* failingField, DWORD nameField) {
    if (error != ERROR_INVALID_PARAMETER && error != NERR_BadUsername) return false;
    return !failingField || *failingField == nameField;
}

std::wstring BadNameMessage(std::wstring_view name, BadNameRule rule) {
    return LoadText(IDS_BADNAME_THE_NAME) + std::wstring(name) +
           LoadText(rule == BadNameRule::Local ? IDS_BADNAME_LOCAL_RULE : IDS_BADNAME_PLATFORM_RULE) +
           LoadText(IDS_BADNAME_CHARACTERS);
}

int ShowBadNameMessage(HWND owner, std::wstring_view name, BadNameRule rule) {
    return ::MessageBoxW(owner, BadNameMessage(name, rule).c_str(), LoadText(IDS_TITLE_LOCAL_USERS_AND_COMPUTERS).c_str(),
                         MB_OK | MB_ICONERROR);
}

bool AcceptAccountName(HWND owner, const wchar_t* server, std::wstring_view name) {
    if (!LocalNameRuleApplies(server) || !BreaksLocalNameRule(name)) return true;
    ShowBadNameMessage(owner, name, BadNameRule::Local);
    return false;
}

int ShowAccountNameFailure(HWND owner, std::wstring_view name, DWORD error, const DWORD* failingField,
                           DWORD nameField) {
    if (IsNameRejection(error, failingField, nameField)) return ShowBadNameMessage(owner, name, BadNameRule::Platform);
    return ShowErrorMessage(error, LoadText(IDS_TITLE_LOCAL_USERS_AND_GROUPS).c_str(), nullptr, owner,
                            MB_OK | MB_ICONERROR);
}

}  // namespace vantrel
