#include "common/Result.h"

#include <gtest/gtest.h>

using namespace vantrel;

namespace {

HRESULT FailWithLastError(DWORD error) {
    ::SetLastError(error);
    RETURN_LAST_ERROR_IF(true);
    return S_OK;
}
HRESULT FailWithWin32(DWORD error) { RETURN_WIN32(error); }
HRESULT FailWith(HRESULT hr) { RETURN_HR(hr); }
HRESULT PassesThrough(HRESULT hr) {
    RETURN_IF_FAILED(hr);
    return S_FALSE;
}

}  // namespace

// A call that reports failure must never come back as success, whatever the
// platform left as its last error.
TEST(FailureResults, EveryFailureMacroGivesAFailure) {
    struct Case {
        DWORD error;
        HRESULT expected;
    };
    const Case cases[] = {
        {0, E_FAIL},  // the platform left no error
        {ERROR_ACCESS_DENIED, E_ACCESSDENIED},
        {0x51234, static_cast<HRESULT>(0x80071234)},  // only the low word is kept
        {0x80004002, E_NOINTERFACE},                  // already an HRESULT
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.error);
        EXPECT_EQ(c.expected, FailWithLastError(c.error));
        EXPECT_EQ(c.expected, FailWithWin32(c.error));
        ::SetLastError(c.error);
        EXPECT_EQ(c.expected, HResultFromLastError());
    }
    EXPECT_EQ(E_HANDLE, FailWith(E_HANDLE));
    EXPECT_EQ(E_OUTOFMEMORY, PassesThrough(E_OUTOFMEMORY));
    EXPECT_EQ(S_FALSE, PassesThrough(S_OK));
    // A platform code of 0 is success.
    EXPECT_EQ(S_OK, HResultFromWin32(0));
    EXPECT_EQ(static_cast<HRESULT>(0x800704C7), HResultFromWin32(ERROR_CANCELLED));
}
