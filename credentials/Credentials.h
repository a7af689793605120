#pragma once
// Alternate credentials: every worker that touches a computer first looks up
// the account the console's credentials store keeps for it (walking from the
// most specific dotted name to its parents), logs that account on locally and
// impersonates it on the worker thread. Failures never stop the worker; they
// are written to the console's activity log and the worker goes on under the
// identity it has.
#include <windows.h>

#include <string>

#include "common/Handles.h"
#include "common/PlatHandles.h"

namespace vantrel {

// Recall option bit: the path begins with a prefix ending at its first ':'
// that stays in front on every level of the walk.
constexpr long kRecallPrefixedPath = 2;

// Lookup results besides failures.
constexpr HRESULT kCredentialsFound = S_OK;
constexpr HRESULT kCredentialsNotFound = S_FALSE;

// One worker run's alternate account. Owned by the worker, on its stack.
class AlternateCredentials {
public:
    AlternateCredentials() = default;
    AlternateCredentials(const AlternateCredentials&) = delete;
    AlternateCredentials& operator=(const AlternateCredentials&) = delete;
    ~AlternateCredentials() { Reset(); }

    // Forgets format, user name and password and closes the token; a token
    // that fails to close stays held.
    void Reset() noexcept;

    std::wstring key;        // credentials path of the current recall level
    UniqueBstr userName;     // as the store delivered it
    long nameFormat = 0;     // EXTENDED_NAME_FORMAT of userName (0: unknown)
    UniqueSecretBstr password;
    UniqueToken token;       // the logged-on account, null when none
};

// Asks the credentials store for `key`: kCredentialsFound (and fills format,
// user name and password), kCredentialsNotFound, or the failure.
HRESULT LookupCredentials(const wchar_t* key, long options, AlternateCredentials& credentials) noexcept;

// "DOMAIN\user" at the last backslash. E_INVALIDARG for empty text or text
// without a backslash.
HRESULT SplitAccountName(const wchar_t* text, std::wstring& domain, std::wstring& user) noexcept;

// Logs the held (or looked-up) account on and impersonates it on the calling
// thread; S_OK when the thread now impersonates (or runs as the process after
// a fallback). Failures are written to the activity log; `target` only names
// the computer in those messages.
HRESULT LogonAndImpersonate(AlternateCredentials& credentials, const wchar_t* target) noexcept;

// The walk every worker runs first: p:a.b.c, p:b.c, p:c (with the prefix
// option) or a.b.c, b.c, c. Ends impersonating the first account that logs
// on, or under the thread's own identity.
void RecallAlternateCredentials(const wchar_t* path, long options, AlternateCredentials& credentials) noexcept;

// What the "Current Credentials:" field shows after a recall: the alternate
// account's user name, else the caller's own SAM-compatible name, else the
// error text of why that could not be read.
std::wstring CurrentCredentialsText(const AlternateCredentials& credentials);

// Writes one line to the console's activity log (kind 1). Dropped silently
// when the log cannot be created.
void LogActivity(const std::wstring& text) noexcept;

}  // namespace vantrel
