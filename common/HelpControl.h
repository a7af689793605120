#pragma once
// Context help through the platform's HTML Help control (hhctrl.ocx). The
// control is optional: it is loaded on first use, and where it is missing a
// help request does nothing.
#include <windows.h>

#include <mutex>
#include <string>

namespace vantrel {

class HelpControl {
public:
    // `library` is the control's file name; tests name one that does not exist
    // or a stand-in.
    explicit HelpControl(std::wstring library = L"hhctrl.ocx");
    HelpControl(const HelpControl&) = delete;
    HelpControl& operator=(const HelpControl&) = delete;

    // HtmlHelpW(owner, file, HH_HELP_CONTEXT (15), context). Returns the help
    // window, or null when nothing was shown: the control or its entry point is
    // missing, the file is empty, or the control declined.
    HWND ShowContext(HWND owner, const std::wstring& file, DWORD context);

    // Whether the control could be loaded (loads it on first call).
    bool Available();

private:
    using HtmlHelpProc = HWND(WINAPI*)(HWND, LPCWSTR, UINT, DWORD_PTR);
    HtmlHelpProc Entry();

    std::wstring library_;
    std::once_flag loadOnce_;
    // Deliberately never freed: help windows outlive the call that opened
    // them, and unloading the control under them would crash the process.
    HMODULE module_ = nullptr;
    HtmlHelpProc entry_ = nullptr;
};

// The control every page asks by default.
HelpControl& PlatformHelpControl();

}  // namespace vantrel
