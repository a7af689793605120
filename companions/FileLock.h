#pragma once
// Serialises work on one of our files among threads and processes: first a
// lock of this process, then a byte-range lock on "<file>.lock" beside the
// file. The lock file is separate so that the file itself stays readable by
// anyone (a byte-range lock is mandatory on Windows) and can be replaced.
// The system drops the byte-range lock of a process that ends, so a crashed
// holder cannot block the others for good.
#include "common/Handles.h"

#include <string>

namespace vantrel::companions {

class FileLock {
public:
    enum class Mode { Shared, Exclusive };

    FileLock() = default;
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    ~FileLock();

    // Blocks until the lock is ours. With `createFolder` the file's folder is
    // made first; without it a missing folder gives S_FALSE and no lock
    // (there is nothing to protect then).
    HRESULT Acquire(const std::wstring& filePath, Mode mode, bool createFolder);

private:
    bool inProcess_ = false;
    Mode mode_ = Mode::Shared;
    UniqueFileHandle handle_;
};

}  // namespace vantrel::companions
