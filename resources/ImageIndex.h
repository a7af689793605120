#pragma once
// Indices into the two image lists every view shares (bitmap 211: 32x32,
// bitmap 212: 16x16; see common/ImageLists.h). The bitmaps are drawn by
// tools/make-bitmaps.py; keep this list, that script and
// resources/bitmaps/README.md in step.
// IMAGE_OVERLAY_DISABLED is also registered as overlay image 1: pass
// INDEXTOOVERLAYMASK(1) to draw it over another image.

namespace vantrel {

enum ImageIndex : int {
    IMAGE_COMPUTER = 0,           // monitor with a tower case
    IMAGE_SERVICE = 1,            // gear
    IMAGE_SERVICE_RUNNING = 2,    // gear with a green play triangle
    IMAGE_SERVICE_PAUSED = 3,     // gear with yellow pause bars
    IMAGE_SERVICE_STOPPED = 4,    // gear with a red square
    IMAGE_OVERLAY_DISABLED = 5,   // overlay: red disc with a white bar, lower left
    IMAGE_SESSION = 6,            // user in front of a computer
    IMAGE_OPEN_FILE = 7,          // document with an open padlock
    IMAGE_PRINTER = 8,            // printer
    IMAGE_SHARED_PRINTER = 9,     // printer on a network cable
    IMAGE_TERMINAL_SESSION = 10,  // monitor showing a window
    IMAGE_CONSOLE_SESSION = 11,   // monitor with a prompt, and a keyboard
    IMAGE_USER = 12,              // user
    IMAGE_DISABLED_USER = 13,     // greyed user with a red down arrow
    IMAGE_GROUP = 14,             // two users
    IMAGE_ERROR = 15,             // red disc with a white X
    IMAGE_WARNING = 16,           // yellow triangle with "!"
    IMAGE_COUNT = 17
};

// Overlay number under which IMAGE_OVERLAY_DISABLED is registered.
constexpr int kDisabledOverlay = 1;

}  // namespace vantrel
