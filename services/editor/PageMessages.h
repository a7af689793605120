#pragma once
// The message boxes the service's pages raise: an error text with the
// sentence about what failed, in a box titled "Error".
#include "common/ErrorText.h"
#include "common/ResourceText.h"
#include "resources/ServicesIds.h"

namespace vantrel {

// `sentenceId` 0: the error text alone. Returns the button pressed.
inline int ShowPageError(HWND page, HRESULT hr, UINT sentenceId, UINT style = MB_ICONERROR) {
    const std::wstring sentence = sentenceId ? LoadText(sentenceId) : std::wstring();
    return ShowErrorMessage(static_cast<DWORD>(hr), LoadText(IDS_ERROR_TITLE).c_str(),
                            sentenceId ? sentence.c_str() : nullptr, page, style);
}

}  // namespace vantrel
