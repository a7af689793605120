#pragma once
// The activity log: timestamped lines (LogLine) appended to the user's log
// file. Each message is one write, under the log's FileLock, to a file opened
// for appending only, so lines from many threads and processes never
// interleave or overwrite each other. The log writes what it is given;
// callers keep passwords out of it.
#include "Companions_h.h"
#include "common/ComObject.h"
#include "common/FreeThreadedMarshaler.h"

#include <string>

namespace vantrel::companions {

// The environment variable that names the log file instead of the default
// %LOCALAPPDATA%\Vantrel\activity.log.
constexpr wchar_t kActivityLogVariable[] = L"VANTREL_ACTIVITY_LOG";

class ActivityLog final : public ComObject, public IActivityLog {
public:
    explicit ActivityLog(IUnknown* outer) noexcept : ComObject(outer) {}

    static HRESULT Create(IUnknown* outer, REFIID iid, void** out) noexcept {
        return CreateComObject<ActivityLog>(outer, iid, out);
    }

    VANTREL_IUNKNOWN

    STDMETHODIMP LogMessage(long kind, BSTR text) override;

protected:
    void* FindInterface(REFIID iid) noexcept override;
    HRESULT FinalConstruct() noexcept override;

private:
    std::wstring path_;  // set by FinalConstruct, then read-only
    FreeThreadedMarshaler marshaler_;
};

}  // namespace vantrel::companions
