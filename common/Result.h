#pragma once
// HRESULT flow. Failures travel as results, never as exceptions; the macros
// below convert BOOL + GetLastError() at the call site, before any cleanup can
// overwrite the last error, and pass every failure through one hook.
#include <windows.h>

namespace vantrel {

// A platform error e > 0 becomes 0x80070000 | (e & 0xFFFF); zero and negative
// values (already HRESULTs, or success) pass unchanged.
constexpr HRESULT HResultFromWin32(long error) {
    return error <= 0 ? static_cast<HRESULT>(error)
                      : static_cast<HRESULT>(0x80070000u | (static_cast<unsigned long>(error) & 0xFFFFu));
}

inline HRESULT HResultFromLastError() { return HResultFromWin32(static_cast<long>(::GetLastError())); }

// Called for every failure the macros see. Writes to the debugger only; the
// module has no log file.
void NoteFailure(HRESULT hr, const char* file, int line) noexcept;

}  // namespace vantrel

#define VANTREL_NOTE(hr) ::vantrel::NoteFailure((hr), __FILE__, __LINE__)

#define RETURN_IF_FAILED(expr)                     \
    do {                                           \
        const HRESULT hrCheck_ = (expr);           \
        if (FAILED(hrCheck_)) {                    \
            VANTREL_NOTE(hrCheck_);                \
            return hrCheck_;                       \
        }                                          \
    } while (0)

// For calls that return a platform error code (0 = success).
#define RETURN_IF_WIN32_ERROR(expr)                                              \
    do {                                                                         \
        const long errCheck_ = static_cast<long>(expr);                          \
        if (errCheck_ != 0) {                                                    \
            const HRESULT hrCheck_ = ::vantrel::HResultFromWin32(errCheck_);     \
            VANTREL_NOTE(hrCheck_);                                              \
            return hrCheck_;                                                     \
        }                                                                        \
    } while (0)

// For BOOL/handle-returning calls: `RETURN_LAST_ERROR_IF(!CreateX(...))`.
#define RETURN_LAST_ERROR_IF(cond)                                               \
    do {                                                                         \
        if (cond) {                                                              \
            const HRESULT hrCheck_ = ::vantrel::HResultFromLastError();          \
            VANTREL_NOTE(hrCheck_);                                              \
            return hrCheck_;                                                     \
        }                                                                        \
    } while (0)

#define RETURN_HR_IF(hr, cond)                     \
    do {                                           \
        if (cond) {                                \
            const HRESULT hrCheck_ = (hr);         \
            VANTREL_NOTE(hrCheck_);                \
            return hrCheck_;                       \
        }                                          \
    } while (0)
