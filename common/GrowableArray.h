#pragma once
// An array that grows without throwing: capacity 0, then 1, then doubled each
// time it is full. A failed growth is an E_OUTOFMEMORY result and leaves the
// array as it was. Elements must copy and move without throwing.
#include <windows.h>

#include <cstddef>
#include <new>
#include <utility>

namespace vantrel {

template <typename T>
class GrowableArray {
public:
    GrowableArray() noexcept = default;
    GrowableArray(const GrowableArray&) = delete;
    GrowableArray& operator=(const GrowableArray&) = delete;
    ~GrowableArray() {
        Clear();
        ::operator delete(items_, std::nothrow);
    }

    size_t Size() const noexcept { return size_; }
    size_t Capacity() const noexcept { return capacity_; }
    bool Empty() const noexcept { return size_ == 0; }
    T& operator[](size_t index) noexcept { return items_[index]; }
    const T& operator[](size_t index) const noexcept { return items_[index]; }
    T* Data() noexcept { return items_; }

    HRESULT Append(const T& item) noexcept { return Emplace(item); }
    HRESULT Append(T&& item) noexcept { return Emplace(std::move(item)); }

    // Destroys the entry at `index`; the later entries move up one place.
    // False when there is no such entry.
    bool RemoveAt(size_t index) noexcept {
        if (index >= size_) return false;
        for (size_t i = index; i + 1 < size_; ++i) items_[i] = std::move(items_[i + 1]);
        items_[--size_].~T();
        return true;
    }

    void Clear() noexcept {
        while (size_ > 0) items_[--size_].~T();
    }

private:
    template <typename U>
    HRESULT Emplace(U&& item) noexcept {
        if (size_ == capacity_) {
            const size_t capacity = capacity_ == 0 ? 1 : capacity_ * 2;
            if (capacity > static_cast<size_t>(-1) / sizeof(T)) return E_OUTOFMEMORY;
            T* items = static_cast<T*>(::operator new(capacity * sizeof(T), std::nothrow));
            if (!items) return E_OUTOFMEMORY;
            for (size_t i = 0; i < size_; ++i) {
                new (items + i) T(std::move(items_[i]));
                items_[i].~T();
            }
            ::operator delete(items_, std::nothrow);
            items_ = items;
            capacity_ = capacity;
        }
        new (items_ + size_) T(std::forward<U>(item));
        ++size_;
        return S_OK;
    }

    T* items_ = nullptr;
    size_t size_ = 0;
    size_t capacity_ = 0;
};

}  // namespace vantrel
