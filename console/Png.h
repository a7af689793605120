#pragma once
// A small PNG writer for screenshots: 24-bit RGB, stored (uncompressed)
// deflate blocks, so it needs no library.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace console {

// `rgb` holds height rows of width pixels, 3 bytes each, top row first.
std::vector<std::uint8_t> EncodePng(int width, int height, const std::vector<std::uint8_t>& rgb);
bool WritePng(const std::wstring& path, int width, int height, const std::vector<std::uint8_t>& rgb);

// What the screen shows of `window` (painted already), as a PNG file.
bool SaveWindowImage(HWND window, const std::wstring& path);

}  // namespace console
