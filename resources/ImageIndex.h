#pragma once
// Indices into the two image lists every view shares, in the order the
// views and pages ask for them by number (bitmap 211: 32x32,
// bitmap 212: 16x16; see common/ImageLists.h). The bitmaps are drawn by
// tools/make-bitmaps.py; keep this list, that script and
// resources/bitmaps/README.md in step.
// IMAGE_OVERLAY_DISABLED is also registered as overlay image 1: pass
// INDEXTOOVERLAYMASK(1) to draw it over another image.

namespace vantrel {

enum ImageIndex : int {
    IMAGE_COMPUTER = 0,           // monitor with a tower case
    IMAGE_OPEN_FILE = 1,          // document with an open padlock
    IMAGE_SERVICE = 2,            // gear
    IMAGE_NETWORK_COMPUTER = 3,   // monitor on a network cable
    IMAGE_PRINTER = 4,            // printer
    IMAGE_OVERLAY_DISABLED = 5,   // overlay: red disc with a white bar, lower left
    IMAGE_CONSOLE_SESSION = 6,    // monitor with a prompt, and a keyboard
    IMAGE_TERMINAL_SESSION = 7,   // monitor showing a window
    IMAGE_SESSION = 8,            // user in front of a computer
    IMAGE_ERROR = 9,              // red disc with a white X
    IMAGE_SERVICE_RUNNING = 10,   // gear with a green play triangle
    IMAGE_USER = 11,              // user
    IMAGE_DISABLED_USER = 12,     // greyed user with a red down arrow
    IMAGE_GROUP = 13,             // two users
    IMAGE_WARNING = 14,           // yellow triangle with "!"
    IMAGE_SERVICE_STOPPED = 15,   // gear with a red square
    IMAGE_SHARED_PRINTER = 16,    // printer on a network cable
    IMAGE_COUNT = 17
};

// Overlay number under which IMAGE_OVERLAY_DISABLED is registered.
constexpr int kDisabledOverlay = 1;

}  // namespace vantrel
