#pragma once
// What the printers view writes into its cells, and the path the shell is
// given for a printer.
#include <windows.h>

#include <array>
#include <string>

namespace vantrel {

// The status bits the Status column names, in the order it names them.
constexpr std::array<DWORD, 25> kPrinterStatusBits = {
    0x00000200, 0x00400000, 0x00000002, 0x00008000, 0x00000100, 0x00000020, 0x00040000, 0x00001000, 0x00000080,
    0x00200000, 0x00000800, 0x00080000, 0x00000008, 0x00000010, 0x00000040, 0x00000001, 0x00000004, 0x01000000,
    0x00000400, 0x00004000, 0x00800000, 0x00020000, 0x00100000, 0x00002000, 0x00010000,
};

struct PrinterTexts {
    std::array<std::wstring, kPrinterStatusBits.size()> status;  // one per bit, same order
    std::wstring ready;
};
PrinterTexts LoadPrinterTexts();

// The text of each set bit, joined by " - "; "Ready" for 0; bits the table
// does not know add nothing.
std::wstring PrinterStatusText(DWORD status, const PrinterTexts& texts);
// A name that begins with a backslash shows the part after its third one
// (\\server\printer shows printer); others, and names with fewer
// backslashes, show whole; none shows empty.
std::wstring PrinterDisplayName(const wchar_t* printerName);
// Shared printers have their own image.
int PrinterImage(DWORD attributes) noexcept;
// The shell's printer path: the computer, one backslash, the printer (at
// most 1023 characters).
std::wstring PrinterPath(const std::wstring& computer, const std::wstring& printer);

}  // namespace vantrel
