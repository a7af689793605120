#pragma once
// Indices into the two image lists every view shares (bitmap 211: 32x32,
// bitmap 212: 16x16; see common/ImageLists.h). The bitmaps are drawn by
// tools/make-bitmaps.py; keep this list, that script and
// resources/bitmaps/README.md in step. The positions are the views' contract:
// 0 sessions, 1 open files, 2 services, 4 and 16 printers, 6 and 7 terminal
// sessions, 11 and 12 users, 13 groups.
// IMAGE_OVERLAY_DISABLED is also registered as overlay image 1: pass
// INDEXTOOVERLAYMASK(1) to draw it over another image.

namespace vantrel {

enum ImageIndex : int {
    IMAGE_COMPUTER = 0,           // monitor with a tower case
    IMAGE_OPEN_FILE = 1,          // document with an open padlock
    IMAGE_SERVICE_RUNNING = 2,    // gear with a green play triangle
    IMAGE_SERVICE = 3,            // gear
    IMAGE_PRINTER = 4,            // printer
    IMAGE_OVERLAY_DISABLED = 5,   // overlay: red disc with a white bar, lower left
    IMAGE_TERMINAL_SESSION = 6,   // monitor showing a window
    IMAGE_CONSOLE_SESSION = 7,    // monitor with a prompt, and a keyboard
    IMAGE_SERVICE_PAUSED = 8,     // gear with yellow pause bars
    IMAGE_SERVICE_STOPPED = 9,    // gear with a red square
    IMAGE_SESSION = 10,           // user in front of a computer
    IMAGE_USER = 11,              // user
    IMAGE_DISABLED_USER = 12,     // greyed user with a red down arrow
    IMAGE_GROUP = 13,             // two users
    IMAGE_ERROR = 14,             // red disc with a white X
    IMAGE_WARNING = 15,           // yellow triangle with "!"
    IMAGE_SHARED_PRINTER = 16,    // printer on a network cable
    IMAGE_COUNT = 17
};

// Overlay number under which IMAGE_OVERLAY_DISABLED is registered.
constexpr int kDisabledOverlay = 1;

}  // namespace vantrel
