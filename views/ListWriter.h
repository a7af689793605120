#pragma once
// How workers write rows into a view's list: straight into the control, one
// message per insertion and per cell, from the worker's thread. Painting a
// growing list after every row is what makes long lists slow, so the writer
// suspends the list's redraw while rows arrive and lets it paint again every
// kRepaintIntervalMs and when it is done: rows still appear as they come, in
// the control's sort order.
#include <windows.h>

namespace vantrel {

class ListWriter {
public:
    static constexpr ULONGLONG kRepaintIntervalMs = 100;

    explicit ListWriter(HWND list) noexcept : list_(list) {}
    ListWriter(const ListWriter&) = delete;
    ListWriter& operator=(const ListWriter&) = delete;
    ~ListWriter() { Repaint(); }

    // Inserts a row (first column text, image, item data) at `index`; the
    // control places it by its sort order. Returns where it went, or -1.
    int Insert(int index, const wchar_t* text, int image, LPARAM data) noexcept;
    void SetText(int item, int column, const wchar_t* text) noexcept;
    void DeleteAll() noexcept;
    // Lets the list paint what it has now.
    void Repaint() noexcept;

private:
    void Suspend() noexcept;

    HWND list_;
    bool suspended_ = false;
    ULONGLONG suspendedAt_ = 0;
};

}  // namespace vantrel
