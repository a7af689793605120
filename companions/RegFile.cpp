#include "companions/RegFile.h"

#include <algorithm>
#include <utility>

namespace vantrel::regfile {
namespace {

constexpr std::u16string_view kHeader5 = u"Windows Registry Editor Version 5.00";
constexpr std::u16string_view kHeader4 = u"REGEDIT4";

struct RootName {
    std::u16string_view full;
    std::u16string_view brief;
};
constexpr RootName kRoots[] = {
    {u"HKEY_LOCAL_MACHINE", u"HKLM"},  {u"HKEY_USERS", u"HKU"},         {u"HKEY_CURRENT_USER", u"HKCU"},
    {u"HKEY_CLASSES_ROOT", u"HKCR"},   {u"HKEY_CURRENT_CONFIG", u"HKCC"},
};

char16_t Upper(char16_t c) { return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - u'a' + u'A') : c; }

bool SameText(std::u16string_view a, std::u16string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char16_t x, char16_t y) {
               return Upper(x) == Upper(y);
           });
}

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }

std::u16string_view Trim(std::u16string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

int HexDigit(char16_t c) {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    return -1;
}

// 1 to 8 hexadecimal digits and nothing else, as a number.
bool HexNumber(std::u16string_view digits, uint32_t& n) {
    if (digits.empty() || digits.size() > 8) return false;
    n = 0;
    for (char16_t c : digits) {
        const int d = HexDigit(c);
        if (d < 0) return false;
        n = n * 16 + static_cast<uint32_t>(d);
    }
    return true;
}

void AppendUtf16(std::vector<uint8_t>& data, std::u16string_view text) {
    for (char16_t c : text) {
        data.push_back(static_cast<uint8_t>(c & 0xFF));
        data.push_back(static_cast<uint8_t>(c >> 8));
    }
}

// One logical line: its text (continuations joined) and where it began.
struct Line {
    std::u16string text;
    size_t number = 0;
};

class Reader {
public:
    Reader(const AnsiDecoder& ansi, File& file, Error& error) : ansi_(ansi), file_(file), error_(error) {}

    bool Run(const uint8_t* bytes, size_t size) {
        std::u16string text;
        if (!Decode(bytes, size, text)) return false;
        std::vector<Line> lines;
        Split(text, lines);
        size_t index = 0;
        while (index < lines.size() && Trim(lines[index].text).empty()) ++index;
        if (index == lines.size()) return Fail(0, "the file is empty");
        const std::u16string_view header = Trim(lines[index].text);
        if (header == kHeader5) {
            file_.unicode = true;
        } else if (header == kHeader4) {
            file_.unicode = false;
        } else {
            return Fail(lines[index].number, "not a registry file (no \"Windows Registry Editor Version 5.00\" or "
                                             "\"REGEDIT4\" header)");
        }
        for (++index; index < lines.size(); ++index) {
            if (!Statement(lines[index])) return false;
        }
        return true;
    }

private:
    bool Fail(size_t line, std::string what) {
        error_.line = line;
        error_.what = std::move(what);
        return false;
    }

    // UTF-16LE after its byte-order mark; anything else is code-page text.
    bool Decode(const uint8_t* bytes, size_t size, std::u16string& text) {
        if (size >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
            if (size % 2 != 0) return Fail(0, "the file ends in the middle of a character");
            text.reserve((size - 2) / 2);
            for (size_t i = 2; i < size; i += 2) text.push_back(static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8)));
            return true;
        }
        const std::string_view raw(reinterpret_cast<const char*>(bytes), size);
        if (!(ansi_ ? ansi_(raw, text) : DecodeLatin1(raw, text)))
            return Fail(0, "the file is not text in the system code page");
        return true;
    }

    // Lines end in CR LF, LF or CR. A line whose last character (blanks
    // aside) is a backslash goes on in the next one, whose leading blanks
    // are dropped; key lines and comments never go on.
    static void Split(const std::u16string& text, std::vector<Line>& lines) {
        size_t number = 0;
        size_t pos = 0;
        bool continuing = false;
        while (pos <= text.size()) {
            size_t end = pos;
            while (end < text.size() && text[end] != u'\r' && text[end] != u'\n') ++end;
            std::u16string_view piece(text.data() + pos, end - pos);
            ++number;
            if (continuing) {
                lines.back().text.append(Trim(piece));
            } else {
                lines.push_back(Line{std::u16string(piece), number});
            }
            std::u16string_view whole = Trim(lines.back().text);
            continuing = !whole.empty() && whole.back() == u'\\' && whole.front() != u'[' && whole.front() != u';';
            if (continuing) {
                // Drop the backslash (and the blanks before it).
                std::u16string& t = lines.back().text;
                while (!t.empty() && IsBlank(t.back())) t.pop_back();
                t.pop_back();
            }
            if (end == text.size()) break;
            pos = end + ((text[end] == u'\r' && end + 1 < text.size() && text[end + 1] == u'\n') ? 2 : 1);
        }
    }

    bool Statement(const Line& line) {
        const std::u16string_view text = Trim(line.text);
        if (text.empty() || text.front() == u';') return true;
        if (text.front() == u'[') return KeyLine(text, line.number);
        return ValueLine(text, line.number);
    }

    bool KeyLine(std::u16string_view text, size_t number) {
        if (text.back() != u']') return Fail(number, "a key line must end with ']'");
        text = text.substr(1, text.size() - 2);
        Key key;
        key.line = number;
        if (!text.empty() && text.front() == u'-') {
            key.remove = true;
            text.remove_prefix(1);
        }
        while (!text.empty() && text.back() == u'\\') text.remove_suffix(1);
        if (text.empty()) return Fail(number, "the key has no name");
        std::u16string_view rest;
        if (SplitRoot(text, rest).empty()) return Fail(number, "the key does not begin with a root key's name");
        key.path.assign(text);
        file_.keys.push_back(std::move(key));
        return true;
    }

    // A quoted text from `text[pos]` (the opening quote); `pos` ends after
    // the closing quote.
    bool Quoted(std::u16string_view text, size_t& pos, std::u16string& out, size_t number) {
        ++pos;
        while (pos < text.size()) {
            const char16_t c = text[pos++];
            if (c == u'"') return true;
            if (c != u'\\') {
                out.push_back(c);
                continue;
            }
            if (pos == text.size()) break;
            const char16_t escaped = text[pos++];
            switch (escaped) {
            case u'\\': out.push_back(u'\\'); break;
            case u'"': out.push_back(u'"'); break;
            case u'n': out.push_back(u'\n'); break;
            case u'r': out.push_back(u'\r'); break;
            case u'0': out.push_back(u'\0'); break;
            default:
                // An unknown escape keeps its backslash, as the editor reads it.
                out.push_back(u'\\');
                out.push_back(escaped);
                break;
            }
        }
        return Fail(number, "a quoted text has no closing '\"'");
    }

    bool ValueLine(std::u16string_view text, size_t number) {
        if (file_.keys.empty()) return Fail(number, "a value comes before the first key");
        Key& key = file_.keys.back();
        if (key.remove) return Fail(number, "a value under a key that is deleted");
        Value value;
        value.line = number;
        size_t pos = 0;
        if (text.front() == u'@') {
            pos = 1;
        } else if (text.front() == u'"') {
            if (!Quoted(text, pos, value.name, number)) return false;
            if (value.name.empty()) return Fail(number, "an empty value name (use @ for the default value)");
        } else {
            return Fail(number, "a line must be a key, a value, a comment or blank");
        }
        while (pos < text.size() && IsBlank(text[pos])) ++pos;
        if (pos == text.size() || text[pos] != u'=') return Fail(number, "'=' expected after the value name");
        std::u16string_view data = Trim(text.substr(pos + 1));
        if (!Data(data, value, number)) return false;
        key.values.push_back(std::move(value));
        return true;
    }

    bool Data(std::u16string_view data, Value& value, size_t number) {
        if (data == u"-") {
            value.remove = true;
            return true;
        }
        if (!data.empty() && data.front() == u'"') {
            size_t pos = 0;
            std::u16string text;
            if (!Quoted(data, pos, text, number)) return false;
            if (!Trim(data.substr(pos)).empty()) return Fail(number, "text after the closing '\"'");
            value.type = kTypeString;
            AppendUtf16(value.data, text);
            AppendUtf16(value.data, std::u16string_view(u"\0", 1));
            return true;
        }
        const size_t colon = data.find(u':');
        if (colon == std::u16string_view::npos) return Fail(number, "unknown value data");
        const std::u16string_view kind = Trim(data.substr(0, colon));
        const std::u16string_view body = Trim(data.substr(colon + 1));
        if (SameText(kind, u"dword")) return Dword(body, value, number);
        if (SameText(kind, u"hex")) {
            value.type = kTypeBinary;
            return Bytes(body, value, number);
        }
        if (kind.size() > 5 && SameText(kind.substr(0, 4), u"hex(") && kind.back() == u')') {
            uint32_t type = 0;
            if (!HexNumber(kind.substr(4, kind.size() - 5), type)) return Fail(number, "a bad type number in hex(...)");
            value.type = type;
            if (!Bytes(body, value, number)) return false;
            return file_.unicode ? true : WidenCodePageStrings(value, number);
        }
        return Fail(number, "unknown value data");
    }

    bool Dword(std::u16string_view body, Value& value, size_t number) {
        uint32_t n = 0;
        if (!HexNumber(body, n)) return Fail(number, "dword: takes 1 to 8 hexadecimal digits");
        value.type = kTypeDword;
        for (int i = 0; i < 4; ++i) value.data.push_back(static_cast<uint8_t>(n >> (8 * i)));
        return true;
    }

    // Comma-separated pairs of hexadecimal digits, blanks allowed around them,
    // a trailing comma allowed; nothing at all is no bytes.
    bool Bytes(std::u16string_view body, Value& value, size_t number) {
        size_t pos = 0;
        while (pos < body.size()) {
            while (pos < body.size() && IsBlank(body[pos])) ++pos;
            if (pos == body.size()) break;
            const int high = HexDigit(body[pos]);
            const int low = pos + 1 < body.size() ? HexDigit(body[pos + 1]) : -1;
            if (high < 0 || low < 0) return Fail(number, "hex: takes pairs of hexadecimal digits between commas");
            value.data.push_back(static_cast<uint8_t>(high * 16 + low));
            pos += 2;
            while (pos < body.size() && IsBlank(body[pos])) ++pos;
            if (pos == body.size()) break;
            if (body[pos] != u',') return Fail(number, "hex: takes pairs of hexadecimal digits between commas");
            ++pos;
        }
        return true;
    }

    // REGEDIT4 writes expandable and multiple strings as code-page bytes: the
    // registry holds them as UTF-16.
    bool WidenCodePageStrings(Value& value, size_t number) {
        if (value.type != kTypeExpandString && value.type != kTypeMultiString) return true;
        std::u16string text;
        const std::string_view raw(reinterpret_cast<const char*>(value.data.data()), value.data.size());
        if (!(ansi_ ? ansi_(raw, text) : DecodeLatin1(raw, text)))
            return Fail(number, "the string is not text in the system code page");
        value.data.clear();
        AppendUtf16(value.data, text);
        return true;
    }

    const AnsiDecoder& ansi_;
    File& file_;
    Error& error_;
};

}  // namespace

bool DecodeLatin1(std::string_view bytes, std::u16string& text) {
    text.clear();
    text.reserve(bytes.size());
    for (char c : bytes) text.push_back(static_cast<char16_t>(static_cast<unsigned char>(c)));
    return true;
}

bool Read(const uint8_t* bytes, size_t size, const AnsiDecoder& ansi, File& file, Error& error) {
    file = File{};
    error = Error{};
    if (!bytes && size != 0) {
        error.what = "no data";
        return false;
    }
    Reader reader(ansi, file, error);
    return reader.Run(bytes ? bytes : reinterpret_cast<const uint8_t*>(""), size);
}

namespace {

void AppendEscaped(std::u16string& out, std::u16string_view text) {
    for (char16_t c : text) {
        switch (c) {
        case u'\\': out += u"\\\\"; break;
        case u'"': out += u"\\\""; break;
        case u'\n': out += u"\\n"; break;
        case u'\r': out += u"\\r"; break;
        case u'\0': out += u"\\0"; break;
        default: out.push_back(c); break;
        }
    }
}

void AppendHex(std::u16string& out, uint32_t value, int digits) {
    static constexpr char16_t kDigits[] = u"0123456789abcdef";
    for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4) out.push_back(kDigits[(value >> shift) & 0xF]);
}

// A string the quoted form can hold: UTF-16 code units ending in one
// terminator.
bool QuotedForm(const std::vector<uint8_t>& data) {
    return data.size() >= 2 && data.size() % 2 == 0 && data[data.size() - 1] == 0 && data[data.size() - 2] == 0;
}

}  // namespace

std::u16string Write(const File& file) {
    std::u16string out(kHeader5);
    out += u"\r\n";
    for (const Key& key : file.keys) {
        out += key.remove ? u"\r\n[-" : u"\r\n[";
        out += key.path;
        out += u"]\r\n";
        for (const Value& value : key.values) {
            if (value.name.empty()) {
                out += u"@";
            } else {
                out += u"\"";
                AppendEscaped(out, value.name);
                out += u"\"";
            }
            out += u"=";
            if (value.remove) {
                out += u"-";
            } else if (value.type == kTypeString && QuotedForm(value.data)) {
                std::u16string text;
                for (size_t i = 0; i + 2 < value.data.size(); i += 2)
                    text.push_back(static_cast<char16_t>(value.data[i] | (value.data[i + 1] << 8)));
                out += u"\"";
                AppendEscaped(out, text);
                out += u"\"";
            } else if (value.type == kTypeDword && value.data.size() == 4) {
                out += u"dword:";
                AppendHex(out, static_cast<uint32_t>(value.data[0] | (value.data[1] << 8) | (value.data[2] << 16)) |
                                   (static_cast<uint32_t>(value.data[3]) << 24),
                          8);
            } else {
                if (value.type == kTypeBinary) {
                    out += u"hex:";
                } else {
                    out += u"hex(";
                    size_t digits = 1;
                    while (digits < 8 && (value.type >> (4 * digits)) != 0) ++digits;
                    AppendHex(out, value.type, static_cast<int>(digits));
                    out += u"):";
                }
                for (size_t i = 0; i < value.data.size(); ++i) {
                    if (i) out += u",";
                    AppendHex(out, value.data[i], 2);
                }
            }
            out += u"\r\n";
        }
    }
    return out;
}

std::string Describe(const Error& error) {
    if (error.line == 0) return error.what;
    return "line " + std::to_string(error.line) + ": " + error.what;
}

std::u16string_view SplitRoot(std::u16string_view path, std::u16string_view& rest) {
    const size_t slash = path.find(u'\\');
    const std::u16string_view first = path.substr(0, slash);
    for (const RootName& root : kRoots) {
        if (SameText(first, root.full) || SameText(first, root.brief)) {
            rest = slash == std::u16string_view::npos ? std::u16string_view() : path.substr(slash + 1);
            return root.full;
        }
    }
    rest = {};
    return {};
}

}  // namespace vantrel::regfile
