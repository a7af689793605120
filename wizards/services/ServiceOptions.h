#pragma once
// What the Manage Services Wizard's option pages decide, kept apart from the
// windows: the log-on choice and its checks, the startup choices and their
// change mask, the summary paragraph, and the result lines of a worker.
#include <windows.h>

#include <string>

namespace vantrel {

// The log-on choice: none (no log-on change), or the radio button chosen.
enum class LogOnChoice : int { None = 0, LocalSystem = 225, ThisAccount = 226 };

struct LogOnValues {
    LogOnChoice choice = LogOnChoice::None;
    bool interact = false;
    std::wstring account;
    std::wstring password;
};

struct LogOnOptions {
    static constexpr DWORD kChanged = 1;

    LogOnValues values;
    LogOnValues entered;  // as shown when the page was first entered
    DWORD changed = 0;

    bool Changed() const noexcept { return (changed & kChanged) != 0; }
    ~LogOnOptions();
};

// Why Next keeps the log-on page: the text id of its box, or 0 to go on.
enum class LogOnVerdict { Accept, NeedAccount, NeedDomain, PasswordMismatch };
UINT LogOnVerdictText(LogOnVerdict verdict) noexcept;

// Next with `values` (confirmation `confirm`): "\\HOST\user" becomes
// ".\user" in `values.account` (the page shows it), then the account and the
// passwords are checked in that order. Only "This account:" is checked.
LogOnVerdict CheckLogOn(LogOnValues& values, const std::wstring& confirm);

// Stores accepted values and sets the changed flag when the choice, the
// interact switch, the account (without regard to case) or the password
// differ from those first shown.
void StoreLogOn(LogOnOptions& options, const LogOnValues& values);

struct StartupValues {
    std::wstring startType;  // "Automatic", "Manual", "Disabled" or empty
    bool stop = false;
    bool start = false;
    bool dependents = false;
};

struct StartupOptions {
    static constexpr DWORD kStartType = 1;
    static constexpr DWORD kStart = 2;
    static constexpr DWORD kStop = 4;
    static constexpr DWORD kDependents = 8;

    StartupValues values;
    StartupValues entered;
    DWORD mask = 0;
};

// The mask as the page rebuilds it on leaving.
DWORD StartupMask(const StartupValues& values, const StartupValues& entered);
// The dependents box is enabled only while stop or start is ticked.
inline bool DependentsEnabled(bool stop, bool start) noexcept { return stop || start; }

// The start type written for a startup text (without regard to case): 2, 3
// or 4; 0 for anything else.
DWORD StartTypeForText(const std::wstring& text);

// The options both pages share with the workers; read-only once the run
// starts.
struct ManageServicesOptions {
    LogOnOptions logOn;
    StartupOptions startup;
};

// The sheet's paragraphs of the completion summary.
std::wstring ManageServicesSummary(const ManageServicesOptions& options);

// The result lines of a worker (each at most 4095 characters).
std::wstring FormatResultLine(const wchar_t* format, ...);
std::wstring ServiceFailureLine(const std::wstring& step, const std::wstring& service, bool dependents, HRESULT result);
std::wstring ServiceSuccessLine(const std::wstring& service);

}  // namespace vantrel
