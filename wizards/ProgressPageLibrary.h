#pragma once
// The common user-interface library beside the module (OrloCommonUI.dll) and
// its progress-page factory, ordinal 7. A wizard sheet loads it for its life.
#include "common/ModuleLibrary.h"
#include "common/ProgressPage.h"

#include <string>

namespace vantrel {

class ProgressPageLibrary {
public:
    // The library's file name; it is looked for in the module's own folder.
    static constexpr const wchar_t* kFileName = L"OrloCommonUI.dll";
    static constexpr WORD kFactoryOrdinal = 7;

    // Loads the library (once) and finds the factory. The platform's error as
    // an HRESULT when either fails.
    HRESULT Load() noexcept;
    // A new page: its handle and IProgressPage (one reference the caller owns).
    HRESULT CreatePage(HPROPSHEETPAGE* page, IProgressPage** progress) noexcept;

private:
    ModuleLibrary library_;
    ProgressPageFactory factory_ = nullptr;
};

// The folder of the module that holds this code, with its final backslash.
std::wstring ModuleFolder();

}  // namespace vantrel
