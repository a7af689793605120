#pragma once
// A fixed-size buffer for secrets (passwords and what holds them in clear).
// It never grows or copies itself, so the only clear copy is the one it
// owns, and it wipes that copy before the memory goes back to the heap.
#include <windows.h>

#include "common/Result.h"

#include <cstddef>
#include <new>
#include <utility>

namespace vantrel::companions {

template <typename T>
class SecretBuffer {
public:
    SecretBuffer() noexcept = default;
    SecretBuffer(const SecretBuffer&) = delete;
    SecretBuffer& operator=(const SecretBuffer&) = delete;
    SecretBuffer(SecretBuffer&& other) noexcept
        : data_(std::exchange(other.data_, nullptr)), size_(std::exchange(other.size_, 0)) {}
    SecretBuffer& operator=(SecretBuffer&& other) noexcept {
        if (this != &other) {
            Clear();
            data_ = std::exchange(other.data_, nullptr);
            size_ = std::exchange(other.size_, 0);
        }
        return *this;
    }
    ~SecretBuffer() { Clear(); }

    // `count` zeroed elements (one more, zero, follows them, so that text
    // stays terminated).
    HRESULT Allocate(size_t count) noexcept {
        Clear();
        data_ = new (std::nothrow) T[count + 1]();
        if (!data_) RETURN_HR(E_OUTOFMEMORY);
        size_ = count;
        return S_OK;
    }

    HRESULT Assign(const T* source, size_t count) noexcept {
        const HRESULT hr = Allocate(count);
        if (SUCCEEDED(hr) && count) ::CopyMemory(data_, source, count * sizeof(T));
        return hr;
    }

    void Clear() noexcept {
        if (data_) {
            ::SecureZeroMemory(data_, (size_ + 1) * sizeof(T));
            delete[] data_;
        }
        data_ = nullptr;
        size_ = 0;
    }

    T* Data() noexcept { return data_; }
    const T* Data() const noexcept { return data_; }
    size_t Size() const noexcept { return size_; }

private:
    T* data_ = nullptr;
    size_t size_ = 0;
};

using SecretString = SecretBuffer<wchar_t>;

}  // namespace vantrel::companions
