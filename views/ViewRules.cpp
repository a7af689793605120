#include "views/ViewRules.h"

namespace vantrel {

bool NamesDiffer(const wchar_t* a, const wchar_t* b) noexcept {
    if (!a || !b) return (a == nullptr) != (b == nullptr);
    return ::CompareStringOrdinal(a, -1, b, -1, TRUE) != CSTR_EQUAL;
}

RECT ViewListRect(const RECT* credentialsLine, int clientWidth, int clientHeight) noexcept {
    const int top = credentialsLine ? credentialsLine->bottom + 8 : 25;
    return RECT{0, top, clientWidth, clientHeight};
}

}  // namespace vantrel
