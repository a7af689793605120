#include "common/ImageLists.h"

#include "common/ModuleState.h"

namespace vantrel {
namespace {

HIMAGELIST g_large = nullptr;
HIMAGELIST g_small = nullptr;

HIMAGELIST Load(UINT bitmap, int cell) {
    HIMAGELIST list = ::ImageList_LoadImageW(module::Instance(), MAKEINTRESOURCEW(bitmap), cell, 1, kImageMaskColour,
                                             IMAGE_BITMAP, LR_CREATEDIBSECTION);
    if (list) ::ImageList_SetOverlayImage(list, 5, 1);
    return list;
}

}  // namespace

void EnsureImageLists() noexcept {
    if (!g_large) g_large = Load(kLargeImagesBitmap, 32);
    if (!g_small) g_small = Load(kSmallImagesBitmap, 16);
}

HIMAGELIST LargeImageList() noexcept { return g_large; }
HIMAGELIST SmallImageList() noexcept { return g_small; }

void DestroyImageLists() noexcept {
    if (g_large) ::ImageList_Destroy(g_large);
    if (g_small) ::ImageList_Destroy(g_small);
    g_large = g_small = nullptr;
}

}  // namespace vantrel
