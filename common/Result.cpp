#include "common/Result.h"

#include <cstdio>

namespace vantrel {

void NoteFailure(HRESULT hr, const char* file, int line) noexcept {
    // The debugger's output is the only trace; the last error is kept, since
    // callers may still read it after a failure was noted.
    const DWORD saved = ::GetLastError();
    char text[300];
    std::snprintf(text, sizeof text, "Vantrel: 0x%08lX at %s:%d\n", static_cast<unsigned long>(hr), file, line);
    ::OutputDebugStringA(text);
    ::SetLastError(saved);
}

}  // namespace vantrel
