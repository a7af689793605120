#pragma once
// What a fuzz harness may use besides its entry point,
//   extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
// which returns 0 and aborts (through FUZZ_CHECK or a sanitizer) on a fault.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace fuzz {

// The input read as little-endian UTF-16 code units, one per wchar_t (an odd
// last byte is dropped), as text arrives from a Windows computer.
inline std::wstring Utf16Units(const uint8_t* data, size_t size) {
    std::wstring text;
    text.reserve(size / 2);
    for (size_t i = 0; i + 1 < size; i += 2) text.push_back(static_cast<wchar_t>(data[i] | (data[i + 1] << 8)));
    return text;
}

}  // namespace fuzz

// A property of the code under test that failed: reported like a crash, so
// the driver saves the input.
#define FUZZ_CHECK(condition)                                                              \
    do {                                                                                   \
        if (!(condition)) {                                                                \
            std::fprintf(stderr, "fuzz: check failed at %s:%d: %s\n", __FILE__, __LINE__, \
                         #condition);                                                      \
            std::abort();                                                                  \
        }                                                                                  \
    } while (0)
