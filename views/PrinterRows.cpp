#include "views/PrinterRows.h"

#include "common/ResourceText.h"
#include "resources/ImageIndex.h"
#include "resources/ResourceViewsIds.h"

#include <winspool.h>

namespace vantrel {

namespace {
constexpr int kRowTextChars = 32;
constexpr size_t kPathChars = 1023;
}  // namespace

PrinterTexts LoadPrinterTexts() {
    PrinterTexts texts;
    for (size_t i = 0; i < texts.status.size(); ++i)
        texts.status[i] = LoadResourceString(IDS_PRINTER_STATUS_FIRST + static_cast<UINT>(i), kRowTextChars);
    texts.ready = LoadResourceString(IDS_PRINTER_READY, kRowTextChars);
    return texts;
}

std::wstring PrinterStatusText(DWORD status, const PrinterTexts& texts) {
    if (status == 0) return texts.ready;
    std::wstring text;
    for (size_t i = 0; i < kPrinterStatusBits.size(); ++i) {
        if ((status & kPrinterStatusBits[i]) == 0) continue;
        if (!text.empty()) text += L" - ";
        text += texts.status[i];
    }
    return text;
}

std::wstring PrinterDisplayName(const wchar_t* printerName) {
    if (!printerName) return std::wstring();
    const std::wstring name = printerName;
    if (name.empty() || name[0] != L'\\') return name;
    size_t at = 0;
    for (int seen = 0; seen < 3; ++seen) {
        at = name.find(L'\\', seen == 0 ? 0 : at + 1);
        if (at == std::wstring::npos) return name;  // not a remote name after all
    }
    return name.substr(at + 1);
}

int PrinterImage(DWORD attributes) noexcept {
    return (attributes & PRINTER_ATTRIBUTE_SHARED) ? IMAGE_SHARED_PRINTER : IMAGE_PRINTER;
}

std::wstring PrinterPath(const std::wstring& computer, const std::wstring& printer) {
    std::wstring path = computer + L"\\" + printer;
    if (path.size() > kPathChars) path.resize(kPathChars);
    return path;
}

}  // namespace vantrel
