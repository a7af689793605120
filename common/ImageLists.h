#pragma once
// The two image lists all views share: 17 images each, 32x32 from bitmap 211
// and 16x16 from bitmap 212, mask colour RGB(0,128,128), image 5 also
// overlay 1. Created on first need, destroyed when the module unloads.
#include <windows.h>
#include <commctrl.h>

namespace vantrel {

constexpr UINT kLargeImagesBitmap = 211;
constexpr UINT kSmallImagesBitmap = 212;
constexpr COLORREF kImageMaskColour = RGB(0, 128, 128);

// Creates the lists if they do not exist yet (UI thread only).
void EnsureImageLists() noexcept;
HIMAGELIST LargeImageList() noexcept;
HIMAGELIST SmallImageList() noexcept;
void DestroyImageLists() noexcept;

}  // namespace vantrel
