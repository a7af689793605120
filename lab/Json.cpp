#include "lab/Json.h"

#include <cstdlib>

namespace lab::json {

const char* Describe(Type type) {
    switch (type) {
        case Type::Null: return "null";
        case Type::Bool: return "true or false";
        case Type::Number: return "a number";
        case Type::String: return "a string";
        case Type::Array: return "a list";
        case Type::Object: return "an object";
    }
    return "?";
}

namespace {

// Nesting deeper than this is not a scenario; it also keeps recursion bounded.
constexpr int kMaxDepth = 64;

class Parser {
public:
    explicit Parser(std::string_view text) : s_(text) {
        if (s_.substr(0, 3) == "\xEF\xBB\xBF") pos_ = 3;
    }

    bool Document(Value& out, SyntaxError& error) {
        SkipSpace();
        if (!ParseValue(out, 0)) return Report(error);
        SkipSpace();
        if (pos_ < s_.size()) {
            Fail("unexpected text after the end of the document");
            return Report(error);
        }
        return true;
    }

private:
    bool Report(SyntaxError& error) const {
        error.line = errorLine_;
        error.message = message_;
        return false;
    }

    bool Fail(std::string message) {
        if (message_.empty()) {
            errorLine_ = line_;
            message_ = "syntax error: " + std::move(message);
        }
        return false;
    }

    void SkipSpace() {
        while (pos_ < s_.size()) {
            const char c = s_[pos_];
            if (c == '\n') ++line_;
            if (c != ' ' && c != '\t' && c != '\r' && c != '\n') break;
            ++pos_;
        }
    }

    bool Literal(std::string_view word) {
        if (s_.substr(pos_, word.size()) != word) return false;
        pos_ += word.size();
        return true;
    }

    bool ParseValue(Value& v, int depth) {
        if (depth > kMaxDepth) return Fail("nesting is too deep");
        v.line = line_;
        if (pos_ >= s_.size()) return Fail("unexpected end of the document");
        const char c = s_[pos_];
        if (c == '{') return ParseObject(v, depth);
        if (c == '[') return ParseArray(v, depth);
        if (c == '"') {
            v.type = Type::String;
            return ParseString(v.text);
        }
        if (c == '-' || (c >= '0' && c <= '9')) return ParseNumber(v);
        if (Literal("true")) {
            v.type = Type::Bool;
            v.boolean = true;
            return true;
        }
        if (Literal("false")) {
            v.type = Type::Bool;
            return true;
        }
        if (Literal("null")) return true;
        return Fail(std::string("unexpected character '") + c + "'");
    }

    bool ParseObject(Value& v, int depth) {
        v.type = Type::Object;
        ++pos_;
        SkipSpace();
        if (pos_ < s_.size() && s_[pos_] == '}') {
            ++pos_;
            return true;
        }
        for (;;) {
            SkipSpace();
            if (pos_ >= s_.size() || s_[pos_] != '"') return Fail("expected a field name in double quotes");
            Member m;
            m.line = line_;
            if (!ParseString(m.key)) return false;
            SkipSpace();
            if (pos_ >= s_.size() || s_[pos_] != ':') return Fail("expected ':' after the field name");
            ++pos_;
            SkipSpace();
            if (!ParseValue(m.value, depth + 1)) return false;
            v.members.push_back(std::move(m));
            SkipSpace();
            if (pos_ < s_.size() && s_[pos_] == ',') {
                ++pos_;
                continue;
            }
            if (pos_ < s_.size() && s_[pos_] == '}') {
                ++pos_;
                return true;
            }
            return Fail("expected ',' or '}'");
        }
    }

    bool ParseArray(Value& v, int depth) {
        v.type = Type::Array;
        ++pos_;
        SkipSpace();
        if (pos_ < s_.size() && s_[pos_] == ']') {
            ++pos_;
            return true;
        }
        for (;;) {
            SkipSpace();
            Value item;
            if (!ParseValue(item, depth + 1)) return false;
            v.items.push_back(std::move(item));
            SkipSpace();
            if (pos_ < s_.size() && s_[pos_] == ',') {
                ++pos_;
                continue;
            }
            if (pos_ < s_.size() && s_[pos_] == ']') {
                ++pos_;
                return true;
            }
            return Fail("expected ',' or ']'");
        }
    }

    bool Hex4(unsigned& out) {
        if (pos_ + 4 > s_.size()) return Fail("incomplete \\u escape");
        out = 0;
        for (int i = 0; i < 4; ++i) {
            const char c = s_[pos_++];
            out <<= 4;
            if (c >= '0' && c <= '9') out |= static_cast<unsigned>(c - '0');
            else if (c >= 'a' && c <= 'f') out |= static_cast<unsigned>(c - 'a' + 10);
            else if (c >= 'A' && c <= 'F') out |= static_cast<unsigned>(c - 'A' + 10);
            else return Fail("bad hex digit in \\u escape");
        }
        return true;
    }

    static void AppendUtf8(std::string& out, unsigned cp) {
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (cp >> 18));
            out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }

    bool ParseString(std::string& out) {
        ++pos_;  // opening quote
        for (;;) {
            if (pos_ >= s_.size()) return Fail("unterminated string");
            const char c = s_[pos_++];
            if (c == '"') return true;
            if (static_cast<unsigned char>(c) < 0x20) return Fail("control character in a string (write \\n, \\t)");
            if (c != '\\') {
                out += c;
                continue;
            }
            if (pos_ >= s_.size()) return Fail("unterminated string");
            const char e = s_[pos_++];
            switch (e) {
                case '"': out += '"'; break;
                case '\\': out += '\\'; break;
                case '/': out += '/'; break;
                case 'b': out += '\b'; break;
                case 'f': out += '\f'; break;
                case 'n': out += '\n'; break;
                case 'r': out += '\r'; break;
                case 't': out += '\t'; break;
                case 'u': {
                    unsigned cp = 0;
                    if (!Hex4(cp)) return false;
                    if (cp >= 0xD800 && cp <= 0xDBFF) {
                        unsigned low = 0;
                        if (s_.substr(pos_, 2) != "\\u") return Fail("unpaired surrogate in \\u escape");
                        pos_ += 2;
                        if (!Hex4(low)) return false;
                        if (low < 0xDC00 || low > 0xDFFF) return Fail("unpaired surrogate in \\u escape");
                        cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                    } else if (cp >= 0xDC00 && cp <= 0xDFFF) {
                        return Fail("unpaired surrogate in \\u escape");
                    }
                    AppendUtf8(out, cp);
                    break;
                }
                default: return Fail(std::string("unknown escape '\\") + e + "' (a backslash is written \\\\)");
            }
        }
    }

    bool ParseNumber(Value& v) {
        const size_t start = pos_;
        auto digits = [&] {
            const size_t from = pos_;
            while (pos_ < s_.size() && s_[pos_] >= '0' && s_[pos_] <= '9') ++pos_;
            return pos_ > from;
        };
        if (s_[pos_] == '-') ++pos_;
        if (pos_ < s_.size() && s_[pos_] == '0') {
            ++pos_;
        } else if (!digits()) {
            return Fail("bad number");
        }
        bool integral = true;
        if (pos_ < s_.size() && s_[pos_] == '.') {
            ++pos_;
            integral = false;
            if (!digits()) return Fail("bad number");
        }
        if (pos_ < s_.size() && (s_[pos_] == 'e' || s_[pos_] == 'E')) {
            ++pos_;
            integral = false;
            if (pos_ < s_.size() && (s_[pos_] == '+' || s_[pos_] == '-')) ++pos_;
            if (!digits()) return Fail("bad number");
        }
        v.type = Type::Number;
        v.text.assign(s_.substr(start, pos_ - start));
        v.integral = integral;
        v.number = std::strtod(v.text.c_str(), nullptr);
        return true;
    }

    std::string_view s_;
    size_t pos_ = 0;
    int line_ = 1;
    int errorLine_ = 0;
    std::string message_;
};

}  // namespace

bool Parse(std::string_view text, Value& out, SyntaxError& error) {
    out = Value{};
    return Parser(text).Document(out, error);
}

}  // namespace lab::json
