#include "common/HelpControl.h"

namespace vantrel {

namespace {
constexpr UINT kHelpContextCommand = 0x000F;  // HH_HELP_CONTEXT
}

HelpControl::HelpControl(std::wstring library) : library_(std::move(library)) {}

HelpControl::HtmlHelpProc HelpControl::Entry() {
    std::call_once(loadOnce_, [this] {
        module_ = ::LoadLibraryW(library_.c_str());
        if (module_) entry_ = reinterpret_cast<HtmlHelpProc>(::GetProcAddress(module_, "HtmlHelpW"));
    });
    return entry_;
}

bool HelpControl::Available() { return Entry() != nullptr; }

HWND HelpControl::ShowContext(HWND owner, const std::wstring& file, DWORD context) {
    if (file.empty()) return nullptr;
    HtmlHelpProc entry = Entry();
    if (!entry) return nullptr;
    return entry(owner, file.c_str(), kHelpContextCommand, context);
}

HelpControl& PlatformHelpControl() {
    static HelpControl control;
    return control;
}

}  // namespace vantrel
