#include "common/ResourceText.h"

#include "common/ModuleState.h"

namespace vantrel {

std::wstring LoadResourceString(UINT id, int maxChars) {
    if (maxChars <= 1) return {};
    std::wstring text(static_cast<size_t>(maxChars), L'\0');
    const int length = ::LoadStringW(module::Instance(), id, text.data(), maxChars);
    text.resize(length > 0 ? static_cast<size_t>(length) : 0);
    return text;
}

}  // namespace vantrel
