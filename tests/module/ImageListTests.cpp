// The shared image lists, built from the module's own bitmaps.
#include "common/ModuleState.h"
#include "common/ImageLists.h"
#include "resources/ImageIndex.h"
#include "tests/module/ModuleTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

using namespace vantrel;

// Draws `image` (with `overlay`, 0 for none) on a white 32x32 bitmap and
// returns the pixels.
std::vector<COLORREF> Draw(HIMAGELIST list, int image, int overlay) {
    HDC screen = ::GetDC(nullptr);
    HDC dc = ::CreateCompatibleDC(screen);
    HBITMAP bitmap = ::CreateCompatibleBitmap(screen, 32, 32);
    HGDIOBJ old = ::SelectObject(dc, bitmap);
    RECT all{0, 0, 32, 32};
    ::FillRect(dc, &all, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
    ::ImageList_Draw(list, image, dc, 0, 0, ILD_TRANSPARENT | INDEXTOOVERLAYMASK(overlay));
    std::vector<COLORREF> pixels;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) pixels.push_back(::GetPixel(dc, x, y));
    ::SelectObject(dc, old);
    ::DeleteObject(bitmap);
    ::DeleteDC(dc);
    ::ReleaseDC(nullptr, screen);
    return pixels;
}

class ImageLists : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(nullptr, module_.Get());
        vantrel::module::SetInstance(module_.Get());
        vantrel::EnsureImageLists();
    }
    void TearDown() override { vantrel::DestroyImageLists(); }
    moduletest::LoadedModule module_;
};

TEST_F(ImageLists, BothListsHoldEveryImageAtTheirSize) {
    struct {
        HIMAGELIST list;
        int size;
    } lists[] = {{vantrel::LargeImageList(), 32}, {vantrel::SmallImageList(), 16}};
    for (const auto& l : lists) {
        ASSERT_NE(nullptr, l.list);
        EXPECT_EQ(IMAGE_COUNT, ImageList_GetImageCount(l.list));
        int cx = 0, cy = 0;
        ASSERT_TRUE(ImageList_GetIconSize(l.list, &cx, &cy));
        EXPECT_EQ(l.size, cx);
        EXPECT_EQ(l.size, cy);
    }
    // A second request keeps the lists.
    HIMAGELIST large = vantrel::LargeImageList();
    vantrel::EnsureImageLists();
    EXPECT_EQ(large, vantrel::LargeImageList());
}

TEST_F(ImageLists, MaskColourIsTransparentAndImagesDiffer) {
    HIMAGELIST small = vantrel::SmallImageList();
    std::vector<std::vector<COLORREF>> seen;
    for (int i = 0; i < IMAGE_COUNT; ++i) {
        const std::vector<COLORREF> pixels = Draw(small, i, 0);
        // No pixel shows the mask colour: it drew as the white background.
        for (COLORREF p : pixels) ASSERT_NE(RGB(0, 128, 128), p) << "image " << i;
        EXPECT_GT(std::count_if(pixels.begin(), pixels.end(), [](COLORREF p) { return p != RGB(255, 255, 255); }), 20)
            << "image " << i << " is nearly empty";
        for (size_t j = 0; j < seen.size(); ++j) EXPECT_NE(seen[j], pixels) << "images " << j << " and " << i;
        seen.push_back(pixels);
    }
}

TEST_F(ImageLists, OverlayOneIsImageFive) {
    for (HIMAGELIST list : {vantrel::LargeImageList(), vantrel::SmallImageList()}) {
        const std::vector<COLORREF> plain = Draw(list, IMAGE_COMPUTER, 0);
        const std::vector<COLORREF> overlaid = Draw(list, IMAGE_COMPUTER, 1);
        EXPECT_NE(plain, overlaid);
        // What the overlay changed comes from image 5 (Wine draws only part
        // of an overlay, so not every pixel of image 5 need show).
        const std::vector<COLORREF> five = Draw(list, IMAGE_OVERLAY_DISABLED, 0);
        for (size_t i = 0; i < five.size(); ++i) {
            if (overlaid[i] != plain[i]) {
                EXPECT_EQ(five[i], overlaid[i]) << "pixel " << i;
            }
        }
    }
}

}  // namespace
