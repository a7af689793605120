// A recovery command is read back from a service's stored configuration on
// any computer. Reading it never faults, and composing what was read gives a
// command that reads back the same.
#include "services/RecoveryCommand.h"
#include "tests/fuzz/FuzzDriver.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::wstring command = fuzz::Utf16Units(data, size);
    const vantrel::RecoveryCommand parts = vantrel::ParseRecoveryCommand(command);
    std::wstring composed;
    if (!vantrel::ComposeRecoveryCommand(parts, composed)) {
        FUZZ_CHECK(parts.file.empty());
        return 0;
    }
    const vantrel::RecoveryCommand again = vantrel::ParseRecoveryCommand(composed);
    FUZZ_CHECK(again.file == parts.file);
    FUZZ_CHECK(again.parameters == parts.parameters);
    FUZZ_CHECK(again.appendFailCount == parts.appendFailCount);
    return 0;
}
