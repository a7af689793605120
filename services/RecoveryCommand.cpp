#include "services/RecoveryCommand.h"

namespace vantrel {

namespace {
constexpr std::wstring_view kFailCount = L"/fail=%1%";
}

bool ComposeRecoveryCommand(const RecoveryCommand& parts, std::wstring& command) {
    if (parts.file.empty()) return false;
    std::wstring composed = L"\"" + parts.file + L"\"";
    if (!parts.parameters.empty()) composed += L" " + parts.parameters;
    if (parts.appendFailCount) composed += L" " + std::wstring(kFailCount);
    command = std::move(composed);
    return true;
}

RecoveryCommand ParseRecoveryCommand(std::wstring_view command) {
    RecoveryCommand parts;
    if (command.empty()) return parts;
    // The first character is the opening quote, whatever it is.
    const size_t close = command.find(L'"', 1);
    if (close == std::wstring_view::npos) return parts;
    parts.file.assign(command.substr(1, close - 1));
    // The closing quote and the blank after it are skipped.
    const std::wstring_view rest = close + 2 < command.size() ? command.substr(close + 2) : std::wstring_view();
    const size_t fail = rest.find(kFailCount);
    if (fail == std::wstring_view::npos) {
        parts.parameters.assign(rest);
    } else {
        parts.appendFailCount = true;
        if (fail > 0) parts.parameters.assign(rest.substr(0, fail - 1));
    }
    return parts;
}

}  // namespace vantrel
