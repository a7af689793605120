#include "wizards/dns/RecordLines.h"

namespace vantrel::dns {

std::vector<std::string> TextModeLines(std::string_view bytes) {
    std::vector<std::string> lines;
    std::string line;
    for (size_t i = 0; i < bytes.size(); ++i) {
        char c = bytes[i];
        if (c == '\x1A') break;  // the end of a text file
        // CR LF reads as LF; a CR on its own is an ordinary character.
        if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') {
            ++i;
            c = '\n';
        }
        line.push_back(c);
        if (c == '\n' || line.size() == kMaxLineChars) {
            lines.push_back(std::move(line));
            line.clear();
        }
    }
    if (!line.empty()) lines.push_back(std::move(line));
    return lines;
}

bool TrimRecordLine(std::string& line) {
    const size_t first = line.find_first_not_of(' ');
    if (first == std::string::npos) {
        line.clear();
        return false;
    }
    // Blanks before the line end go too; the line end itself stays.
    const bool ended = line.back() == '\n';
    const std::string body = line.substr(first, line.size() - first - (ended ? 1 : 0));
    const size_t last = body.find_last_not_of(' ');
    line = (last == std::string::npos ? std::string() : body.substr(0, last + 1)) + (ended ? "\n" : "");
    return !(line.empty() || line == "\n" || line[0] == ';');
}

std::vector<std::string> RecordLinesOf(std::string_view bytes) {
    std::vector<std::string> records;
    for (std::string& line : TextModeLines(bytes)) {
        if (TrimRecordLine(line)) records.push_back(std::move(line));
    }
    return records;
}

RecordFields SplitRecordLine(std::wstring_view line) {
    std::vector<std::wstring_view> fields;
    size_t at = 0;
    while (at < line.size()) {
        const size_t start = line.find_first_not_of(L' ', at);
        if (start == std::wstring_view::npos) break;
        size_t end = line.find(L' ', start);
        if (end == std::wstring_view::npos) end = line.size();
        fields.push_back(line.substr(start, end - start));
        at = end;
    }
    RecordFields out;
    if (fields.empty()) return out;
    out.name.assign(fields[0].substr(0, kMaxNameChars));
    if (fields.size() > 3) out.type.assign(fields[3]);
    out.data.assign(fields.back());
    return out;
}

uint16_t RecordTypeCode(std::wstring_view type) {
    if (type == L"A") return kTypeA;
    if (type == L"SRV") return kTypeSrv;
    if (type == L"CNAME") return kTypeCname;
    return kTypeAll;
}

std::wstring_view ComparedData(std::wstring_view data) {
    if (data.size() >= 2 && data[data.size() - 2] == L'.') return data.substr(0, data.size() - 2);
    return data;
}

uint32_t DottedAddressValue(std::wstring_view data) {
    // The line end is not part of the address.
    while (!data.empty() && (data.back() == L'\n' || data.back() == L'\r')) data.remove_suffix(1);
    uint32_t value = 0;
    size_t at = 0;
    for (int part = 0; part < 4; ++part) {
        if (part > 0) {
            if (at >= data.size() || data[at] != L'.') return 0;
            ++at;
        }
        const size_t start = at;
        uint32_t number = 0;
        while (at < data.size() && data[at] >= L'0' && data[at] <= L'9' && at - start < 4) {
            number = number * 10 + static_cast<uint32_t>(data[at] - L'0');
            ++at;
        }
        if (at == start || number > 255) return 0;
        value |= number << (8 * part);
    }
    return at == data.size() ? value : 0;
}

std::wstring MadeUpAddressLine(std::wstring_view computer, const uint8_t address[4]) {
    std::wstring line(computer);
    line += L" 600 IN A ";
    for (int i = 0; i < 4; ++i) {
        if (i > 0) line += L'.';
        line += std::to_wstring(static_cast<unsigned>(address[i]));
    }
    line += L"\r\n";
    return line;
}

}  // namespace vantrel::dns
