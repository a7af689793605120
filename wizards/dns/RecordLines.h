#pragma once
// The text rules of the DNS record check: the registration file's lines as
// the runtime library reads them in text mode, which lines count as records,
// a record line's fields, the record type codes and the dotted address. Pure
// functions without platform headers, so that they also build natively (the
// fuzz targets run them under the sanitizers).
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel::dns {

// A line is read into a buffer of 1024 characters: at most 1023 of them.
constexpr size_t kMaxLineChars = 1023;
// The owner name of a record is kept to this many characters.
constexpr size_t kMaxNameChars = 1024;

// Record type codes (DNS_TYPE_A, DNS_TYPE_CNAME, DNS_TYPE_SRV, DNS_TYPE_ALL).
constexpr uint16_t kTypeA = 1;
constexpr uint16_t kTypeCname = 5;
constexpr uint16_t kTypeSrv = 33;
constexpr uint16_t kTypeAll = 255;

// The file's bytes cut into lines as a text-mode read with a 1024-character
// buffer gives them: CR LF becomes LF, the LF stays at the end of its line, a
// longer line comes in pieces of 1023, and a Ctrl-Z ends the file.
std::vector<std::string> TextModeLines(std::string_view bytes);

// Removes leading blanks and the blanks at the end of the text or before its
// line end (the blank character only: tabs and the line end stay). False when the line is then no record: empty, only a line
// end, or a comment (";" first).
bool TrimRecordLine(std::string& line);

// TextModeLines and TrimRecordLine together: the record lines in file order.
std::vector<std::string> RecordLinesOf(std::string_view bytes);

// The fields of a record line: field 0 the owner name (kept to
// kMaxNameChars), field 3 the type, the last field the data (with the line
// end, if the line has one). Fields are separated by runs of blanks; missing
// fields are empty.
struct RecordFields {
    std::wstring name;
    std::wstring type;
    std::wstring data;
};
RecordFields SplitRecordLine(std::wstring_view line);

// "A", "SRV" and "CNAME" (exactly, case included) and DNS_TYPE_ALL for any
// other text.
uint16_t RecordTypeCode(std::wstring_view type);

// The data as it is compared: a "." that is the second-last character (just
// before the line end) ends the text there.
std::wstring_view ComparedData(std::wstring_view data);

// "a.b.c.d" (four decimal parts of at most 255, a line end after it allowed)
// as the address in network byte order, a + b*256 + c*65536 + d*16777216;
// anything else is 0.
uint32_t DottedAddressValue(std::wstring_view data);

// The line made up for a computer without a registration file:
// "NAME 600 IN A a.b.c.d\r\n" from the address bytes in network order.
std::wstring MadeUpAddressLine(std::wstring_view computer, const uint8_t address[4]);

}  // namespace vantrel::dns
