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

// The result of a call that failed with `error`. A failure that left no
// error behind (0) is still a failure, never S_OK.
constexpr HRESULT HResultFromFailure(DWORD error) {
    return error == 0 ? E_FAIL : HResultFromWin32(static_cast<long>(error));
}

// For a call that reported failure; read before anything can overwrite it.
inline HRESULT HResultFromLastError() { return HResultFromFailure(::GetLastError()); }

// Called for every failure the macros see. Writes to the debugger only; the
// module has no log file.
void NoteFailure(HRESULT hr, const char* file, int line) noexcept;

}  // namespace vantrel

#define VANTREL_NOTE(hr) ::vantrel::NoteFailure((hr), __FILE__, __LINE__)

// A failure return: `RETURN_HR(E_INVALIDARG)`.
#define RETURN_HR(hr)                              \
    do {                                           \
        const HRESULT hrCheck_ = (hr);             \
        VANTREL_NOTE(hrCheck_);                    \
        return hrCheck_;                           \
    } while (0)

// A failure return with a platform error code (a DWORD); 0 gives E_FAIL.
#define RETURN_WIN32(error)                                                                     \
    do {                                                                                        \
        const HRESULT hrCheck_ = ::vantrel::HResultFromFailure(static_cast<DWORD>(error));      \
        VANTREL_NOTE(hrCheck_);                                                                 \
        return hrCheck_;                                                                        \
    } while (0)

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
