// A computer's netlogon.dns comes from that computer: reading it never
// faults, its lines keep the reader's limits, a record line's fields are
// pieces of it, and a dotted address that reads as one reads back the same.
#include "tests/fuzz/FuzzDriver.h"
#include "wizards/dns/RecordLines.h"

#include <string>

namespace {

using namespace vantrel::dns;

std::wstring Widened(const std::string& line) {
    std::wstring wide;
    for (char c : line) wide.push_back(static_cast<wchar_t>(static_cast<unsigned char>(c)));
    return wide;
}

void CheckRecordLine(const std::wstring& line) {
    const RecordFields fields = SplitRecordLine(line);
    FUZZ_CHECK(fields.name.size() <= kMaxNameChars);
    FUZZ_CHECK(fields.name.find(L' ') == std::wstring::npos);
    FUZZ_CHECK(fields.type.find(L' ') == std::wstring::npos);
    FUZZ_CHECK(fields.data.find(L' ') == std::wstring::npos);
    FUZZ_CHECK(line.find(fields.name) != std::wstring::npos);
    FUZZ_CHECK(line.size() >= fields.data.size() &&
               (fields.data.empty() || line.find(fields.data) != std::wstring::npos));
    const uint16_t code = RecordTypeCode(fields.type);
    FUZZ_CHECK(code == kTypeA || code == kTypeSrv || code == kTypeCname || code == kTypeAll);
    const std::wstring_view compared = ComparedData(fields.data);
    FUZZ_CHECK(compared.size() == fields.data.size() || compared.size() + 2 == fields.data.size());
    FUZZ_CHECK(std::wstring_view(fields.data).substr(0, compared.size()) == compared);
    const uint32_t value = DottedAddressValue(compared);
    if (value != 0) {
        const uint8_t bytes[4] = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
                                  static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)};
        const RecordFields made = SplitRecordLine(MadeUpAddressLine(L"X", bytes));
        FUZZ_CHECK(DottedAddressValue(ComparedData(made.data)) == value);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    // The text-mode pieces put back together are the text with CR LF as LF,
    // up to the first Ctrl-Z.
    std::string expected;
    for (size_t i = 0; i < bytes.size() && bytes[i] != '\x1A'; ++i) {
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') continue;
        expected.push_back(bytes[i]);
    }
    std::string joined;
    for (const std::string& piece : TextModeLines(bytes)) {
        FUZZ_CHECK(!piece.empty() && piece.size() <= kMaxLineChars);
        FUZZ_CHECK(piece.find('\n') == std::string::npos || piece.find('\n') == piece.size() - 1);
        joined += piece;
    }
    FUZZ_CHECK(joined == expected);
    for (const std::string& line : RecordLinesOf(bytes)) {
        FUZZ_CHECK(!line.empty() && line != "\n" && line[0] != ' ' && line[0] != ';' && line.back() != ' ');
        FUZZ_CHECK(line.size() < 2 || line.back() != '\n' || line[line.size() - 2] != ' ');
        CheckRecordLine(Widened(line));
    }
    // The wide readers also take text that never came through a file.
    CheckRecordLine(fuzz::Utf16Units(data, size));
    return 0;
}
