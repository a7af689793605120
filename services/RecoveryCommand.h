#pragma once
// The command line a "Run a File" recovery action stores: the file in double
// quotes, then the parameters, then " /fail=%1%" when the failure count is to
// be appended.
#include <string>
#include <string_view>

namespace vantrel {

struct RecoveryCommand {
    std::wstring file;
    std::wstring parameters;
    bool appendFailCount = false;
};

// False, and `command` left alone, when there is no file (nothing composed).
bool ComposeRecoveryCommand(const RecoveryCommand& parts, std::wstring& command);

// The parts of a stored command. A command that does not open with a quoted
// file gives nothing.
RecoveryCommand ParseRecoveryCommand(std::wstring_view command);

}  // namespace vantrel
