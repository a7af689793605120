#pragma once
// The lab's own owner of a kernel file handle (the lab does not link the
// module's common library).
#include "platform/PlatApi.h"  // windows.h, in the order the seam needs

#include <utility>

namespace lab {

class UniqueFile {
public:
    explicit UniqueFile(HANDLE h) noexcept : h_(h) {}
    UniqueFile(const UniqueFile&) = delete;
    UniqueFile& operator=(const UniqueFile&) = delete;
    ~UniqueFile() {
        if (*this) ::CloseHandle(h_);
    }
    explicit operator bool() const noexcept { return h_ != INVALID_HANDLE_VALUE && h_ != nullptr; }
    HANDLE Get() const noexcept { return h_; }

private:
    HANDLE h_;
};

}  // namespace lab
