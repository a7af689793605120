#include "wizards/services/ServiceOptions.h"

#include "common/ErrorText.h"
#include "resources/SvcWizardIds.h"
#include "services/editor/EditorRules.h"

#include <cstdarg>
#include <cstdio>
#include <cwchar>

namespace vantrel {
namespace {

// Result lines are formatted into 4096 characters, at most 4095 written.
constexpr size_t kLineCapacity = 4096;

bool SameText(const std::wstring& a, const std::wstring& b) { return ::lstrcmpiW(a.c_str(), b.c_str()) == 0; }

void Wipe(std::wstring& text) {
    if (!text.empty()) ::SecureZeroMemory(&text[0], text.size() * sizeof(wchar_t));
    text.clear();
}

}  // namespace

LogOnOptions::~LogOnOptions() {
    Wipe(values.password);
    Wipe(entered.password);
}

UINT LogOnVerdictText(LogOnVerdict verdict) noexcept {
    switch (verdict) {
    case LogOnVerdict::NeedAccount: return IDS_SVCWIZ_NEED_ACCOUNT;
    case LogOnVerdict::NeedDomain: return IDS_SVCWIZ_NEED_DOMAIN;
    case LogOnVerdict::PasswordMismatch: return IDS_SVCWIZ_PASSWORD_MISMATCH;
    case LogOnVerdict::Accept: break;
    }
    return 0;
}

LogOnVerdict CheckLogOn(LogOnValues& values, const std::wstring& confirm) {
    if (values.choice != LogOnChoice::ThisAccount) return LogOnVerdict::Accept;
    values.account = RewriteComputerAccount(values.account);
    if (values.account.empty()) return LogOnVerdict::NeedAccount;
    if (values.account.find(L'\\') == std::wstring::npos) return LogOnVerdict::NeedDomain;
    if (values.password != confirm) return LogOnVerdict::PasswordMismatch;
    return LogOnVerdict::Accept;
}

void StoreLogOn(LogOnOptions& options, const LogOnValues& values) {
    const LogOnValues& was = options.entered;
    const bool differs = values.choice != was.choice || values.interact != was.interact ||
                         !SameText(values.account, was.account) || values.password != was.password;
    options.values = values;
    options.changed = differs ? LogOnOptions::kChanged : 0;
}

DWORD StartupMask(const StartupValues& values, const StartupValues& entered) {
    DWORD mask = 0;
    if (values.start) mask |= StartupOptions::kStart;
    if (values.stop) mask |= StartupOptions::kStop;
    if (values.dependents) mask |= StartupOptions::kDependents;
    if (!values.startType.empty() && !SameText(values.startType, entered.startType)) mask |= StartupOptions::kStartType;
    return mask;
}

DWORD StartTypeForText(const std::wstring& text) {
    if (SameText(text, L"Automatic")) return SERVICE_AUTO_START;
    if (SameText(text, L"Manual")) return SERVICE_DEMAND_START;
    if (SameText(text, L"Disabled")) return SERVICE_DISABLED;
    return 0;
}

std::wstring ManageServicesSummary(const ManageServicesOptions& options) {
    const LogOnOptions& logOn = options.logOn;
    std::wstring text = L"\"Log on as\" changes to services:\r\n";
    if (!logOn.Changed()) {
        text += L"\tNo \"Log on as\" changes.\r\n\r\n";
    } else {
        text += L"\tAccount name: ";
        if (logOn.values.choice == LogOnChoice::LocalSystem) {
            text += L"Local System Account\r\n";
            text += logOn.values.interact ? L"\tAllow service to interact with desktop: yes\r\n"
                                          : L"\tAllow service to interact with desktop: no\r\n";
        } else {
            text += logOn.values.account + L"\r\n";
        }
    }

    const StartupOptions& startup = options.startup;
    text += L"\"Startup\" changes to services:\r\n";
    const bool unchanged = startup.values.start == startup.entered.start &&
                           startup.values.stop == startup.entered.stop &&
                           SameText(startup.values.startType, startup.entered.startType);
    if (unchanged) {
        text += L"\tNo \"Startup\" changes.\r\n";
        return text;
    }
    if (startup.mask & StartupOptions::kStartType) text += L"\tStartup type: " + startup.values.startType + L"\r\n";
    if (startup.mask & StartupOptions::kStop)
        text += std::wstring(L"\tStop service: ") + (startup.values.stop ? L"yes \r\n" : L"no \r\n");
    if (startup.mask & StartupOptions::kStart)
        text += std::wstring(L"\tStart service: ") + (startup.values.start ? L"yes \r\n" : L"no \r\n");
    if (startup.mask & StartupOptions::kDependents)
        text += std::wstring(L"\tApply control operation to dependent services: ") +
                (startup.values.dependents ? L"yes \r\n" : L"no");
    return text;
}

std::wstring FormatResultLine(const wchar_t* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    va_list measure;
    va_copy(measure, arguments);
    const int length = ::_vscwprintf(format, measure);
    va_end(measure);
    std::wstring line;
    if (length > 0) {
        line.resize(static_cast<size_t>(length) + 1);
        ::_vsnwprintf(&line[0], line.size(), format, arguments);
        line.resize(static_cast<size_t>(length));
    }
    va_end(arguments);
    // What does not fit the line buffer is cut off.
    if (line.size() > kLineCapacity - 1) line.resize(kLineCapacity - 1);
    return line;
}

std::wstring ServiceFailureLine(const std::wstring& step, const std::wstring& service, bool dependents, HRESULT result) {
    const std::wstring text = ErrorTextLine(static_cast<DWORD>(result));
    const wchar_t* format = dependents ? L"Failed: \"%ls\" for %ls or one of it dependent services failed. [0x%08X]: %ls"
                                       : L"Failed: \"%ls\" for %ls. [0x%08X]: %ls";
    return FormatResultLine(format, step.c_str(), service.c_str(), static_cast<unsigned>(result), text.c_str());
}

std::wstring ServiceSuccessLine(const std::wstring& service) {
    return FormatResultLine(L"Succeeded: all modifications for %ls.", service.c_str());
}

}  // namespace vantrel
