#include "credentials/Credentials.h"

#include "Companions_h.h"
#include "common/Bstr.h"
#include "common/ComPtr.h"
#include "common/ErrorText.h"
#include "common/Result.h"
#include "platform/Logon.h"

#include <cwchar>
#include <string_view>

namespace vantrel {

namespace {

// The store and the log may live in another process: any class context.
constexpr DWORD kAnyContext = CLSCTX_ALL;

constexpr ULONG kTranslatedNameChars = 2048;
constexpr ULONG kUserNameChars = 128;

constexpr wchar_t kNoCredentials[] = L"No computer credentials were found for ";
constexpr wchar_t kCouldNotLogon[] = L"You could not logon as ";
constexpr wchar_t kCouldNotImpersonate[] = L"You could not impersonate ";
constexpr wchar_t kOnLocalSystem[] = L" on the local system to connect to ";
constexpr wchar_t kSystemError[] = L". System error: ";
constexpr wchar_t kActAsOsHint[] =
    L"\r\nIn order to use alternate credentials, the operating system requires the currently logged-in user to "
    L"have rights to 'Act as part of the operating system' on the local machine. Please refer to the online help "
    L"for more information.";
constexpr wchar_t kLogOnLocallyHint[] = L"\r\nThe user account you wish to logon as must have rights to 'Log on locally'.";

std::wstring Text(const UniqueBstr& value) { return BstrText(value.Get()); }

bool IsEmpty(const UniqueBstr& value) noexcept { return !value || ::SysStringLen(value.Get()) == 0; }

void ReportLogonFailure(const AlternateCredentials& credentials, const wchar_t* target, HRESULT status) {
    std::wstring text = kCouldNotLogon + Text(credentials.userName) + kOnLocalSystem + (target ? target : L"") +
                        kSystemError + ErrorTextLine(static_cast<DWORD>(status));
    switch (HRESULT_CODE(status)) {
        case ERROR_PRIVILEGE_NOT_HELD: text += kActAsOsHint; break;
        case ERROR_LOGON_NOT_GRANTED:
        case ERROR_LOGON_TYPE_NOT_GRANTED: text += kLogOnLocallyHint; break;
        default: break;
    }
    LogActivity(text);
}

// Domain and user of the held name, by its format.
HRESULT DomainAndUser(const AlternateCredentials& credentials, std::wstring& domain, std::wstring& user,
                      bool& hasDomain) {
    hasDomain = true;
    switch (credentials.nameFormat) {
        case 0:
        case NameSamCompatible:
            return SplitAccountName(credentials.userName.Get(), domain, user);
        case NameUserPrincipal:
            hasDomain = false;
            user = Text(credentials.userName);
            return S_OK;
        default: {
            std::wstring translated(kTranslatedNameChars, L'\0');
            ULONG size = kTranslatedNameChars;
            RETURN_LAST_ERROR_IF(!plat::TranslateNameW(credentials.userName.Get(),
                                                       static_cast<EXTENDED_NAME_FORMAT>(credentials.nameFormat),
                                                       NameSamCompatible, translated.data(), &size));
            translated.resize(wcsnlen(translated.c_str(), kTranslatedNameChars));
            return SplitAccountName(translated.c_str(), domain, user);
        }
    }
}

}  // namespace

void AlternateCredentials::Reset() noexcept {
    nameFormat = 0;
    userName.Reset();
    password.Reset();
    if (token && plat::CloseHandle(token.Get())) (void)token.Release();
}

HRESULT LookupCredentials(const wchar_t* key, long options, AlternateCredentials& credentials) noexcept {
    ComPtr<ICredentialStore> store;
    RETURN_IF_FAILED(::CoCreateInstance(CLSID_CredentialStore, nullptr, kAnyContext, IID_ICredentialStore,
                                        store.PutVoid()));
    UniqueBstr keyText(::SysAllocString(key ? key : L""));
    RETURN_HR_IF(E_OUTOFMEMORY, !keyText);
    ComPtr<IUnknown> found;
    const HRESULT status = store->LookupWithOptions(keyText.Get(), options, found.Put());
    if (status != S_OK) return status;
    RETURN_HR_IF(E_POINTER, !found);

    ComPtr<ICredentialRecord> record;
    RETURN_IF_FAILED(found.QueryTo(record.Put()));
    long format = 0;
    UniqueBstr userName;
    RETURN_IF_FAILED(record->GetAccount(&format, userName.Put()));
    UniqueSecretBstr password;
    RETURN_IF_FAILED(record->GetPassword(password.Put()));

    credentials.nameFormat = format;
    credentials.userName = std::move(userName);
    credentials.password = std::move(password);
    return kCredentialsFound;
}

HRESULT SplitAccountName(const wchar_t* text, std::wstring& domain, std::wstring& user) noexcept {
    if (!text || !*text) RETURN_HR(E_INVALIDARG);
    const std::wstring_view name(text);
    const size_t slash = name.rfind(L'\\');
    if (slash == std::wstring_view::npos) RETURN_HR(E_INVALIDARG);
    domain.assign(name.substr(0, slash));
    user.assign(name.substr(slash + 1));
    return S_OK;
}

HRESULT LogonAndImpersonate(AlternateCredentials& credentials, const wchar_t* target) noexcept {
    credentials.token.Reset();

    HRESULT status = S_OK;
    if (IsEmpty(credentials.userName)) status = LookupCredentials(credentials.key.c_str(), 0, credentials);

    std::wstring domain, user;
    bool hasDomain = true;
    if (status == S_OK) status = DomainAndUser(credentials, domain, user, hasDomain);
    if (status == S_OK &&
        !plat::LogonUserW(user.c_str(), hasDomain ? domain.c_str() : nullptr, credentials.password.Get(),
                          LOGON32_LOGON_INTERACTIVE, LOGON32_PROVIDER_DEFAULT, credentials.token.Put()))
        status = HResultFromLastError();
    if (status != S_OK) {
        ReportLogonFailure(credentials, target, status);
        return status;
    }

    if (plat::ImpersonateLoggedOnUser(credentials.token.Get())) return S_OK;
    // The account cannot be impersonated: go on as the process rather than
    // as whoever the thread was before.
    if (plat::ImpersonateSelf(SecurityDelegation)) {
        credentials.Reset();
        return S_OK;
    }
    const HRESULT failure = credentials.token ? HResultFromLastError() : E_FAIL;
    LogActivity(kCouldNotImpersonate + Text(credentials.userName) + kOnLocalSystem + (target ? target : L"") +
                kSystemError + ErrorTextLine(static_cast<DWORD>(failure)));
    return failure;
}

void RecallAlternateCredentials(const wchar_t* path, long options, AlternateCredentials& credentials) noexcept {
    if (!path || !*path) return;
    std::wstring current(path);
    std::wstring prefix;
    if (options & kRecallPrefixedPath) {
        const size_t colon = current.find(L':');
        if (colon == std::wstring::npos) return;
        prefix = current.substr(0, colon + 1);
    }
    for (;;) {
        const std::wstring tail = current.substr(prefix.size());
        credentials.key = current;
        const HRESULT status = LookupCredentials(current.c_str(), options, credentials);
        if (FAILED(status)) {
            LogActivity(kNoCredentials + tail + kSystemError + ErrorTextLine(static_cast<DWORD>(status)));
        } else if (status == kCredentialsFound) {
            if (LogonAndImpersonate(credentials, tail.c_str()) == S_OK) return;
        }
        credentials.Reset();
        // The parent level: everything after the first dot, behind the prefix.
        const size_t dot = current.find(L'.');
        if (dot == std::wstring::npos) return;
        current = prefix + current.substr(dot + 1);
    }
}

std::wstring CurrentCredentialsText(const AlternateCredentials& credentials) {
    if (!IsEmpty(credentials.userName)) return Text(credentials.userName);
    std::wstring name(kUserNameChars, L'\0');
    ULONG size = kUserNameChars;
    if (!plat::GetUserNameExW(NameSamCompatible, name.data(), &size))
        return ErrorTextLine(static_cast<DWORD>(HResultFromLastError()));
    name.resize(wcsnlen(name.c_str(), kUserNameChars));
    return name;
}

void LogActivity(const std::wstring& text) noexcept {
    ComPtr<IActivityLog> log;
    if (FAILED(::CoCreateInstance(CLSID_ActivityLog, nullptr, kAnyContext, IID_IActivityLog, log.PutVoid()))) return;
    UniqueBstr line(::SysAllocStringLen(text.data(), static_cast<UINT>(text.size())));
    if (line) (void)log->LogMessage(1, line.Get());
}

}  // namespace vantrel
