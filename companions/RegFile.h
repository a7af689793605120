#pragma once
// The reader of registry files (*.reg) as the registry editor writes them:
// "Windows Registry Editor Version 5.00" in UTF-16LE with a byte-order mark,
// or "REGEDIT4" in the system code page. A pure function of the file's bytes
// (no platform calls, builds natively): the caller supplies the decoding of
// code-page text.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel::regfile {

// Registry value types by their numbers.
enum ValueType : uint32_t {
    kTypeNone = 0,
    kTypeString = 1,
    kTypeExpandString = 2,
    kTypeBinary = 3,
    kTypeDword = 4,
    kTypeDwordBigEndian = 5,
    kTypeLink = 6,
    kTypeMultiString = 7,
    kTypeQword = 11,
};

struct Value {
    std::u16string name;  // empty: the key's default value ("@")
    bool remove = false;  // "name"=-
    uint32_t type = kTypeNone;
    // As the registry stores it: strings UTF-16LE with their terminator,
    // numbers little-endian.
    std::vector<uint8_t> data;
    size_t line = 0;  // where the value starts (1-based)
};

struct Key {
    std::u16string path;  // as written, beginning with its root key's name
    bool remove = false;  // [-path]
    std::vector<Value> values;
    size_t line = 0;
};

struct File {
    bool unicode = true;  // version 5.00 (UTF-16LE); false: REGEDIT4
    std::vector<Key> keys;  // in file order; a key may appear more than once
};

struct Error {
    size_t line = 0;  // 1-based; 0 for the file as a whole
    std::string what;
};

// Decodes code-page text to UTF-16; false when the bytes are not text in it.
using AnsiDecoder = std::function<bool(std::string_view bytes, std::u16string& text)>;

// Each byte as the character of the same number; never fails.
bool DecodeLatin1(std::string_view bytes, std::u16string& text);

// Reads a whole file. False with `error` naming the line for a malformed one.
bool Read(const uint8_t* bytes, size_t size, const AnsiDecoder& ansi, File& file, Error& error);

// The file as version 5.00 text (without the byte-order mark): what Read
// gives back from it equals `file`, the format aside.
std::u16string Write(const File& file);

// "line N: what" (or just "what" for the file as a whole).
std::string Describe(const Error& error);

// The root key names a path may begin with, long or short, compared without
// regard to case. `rest` gets what follows the root's backslash (empty for
// the root itself). Returns the long name, or an empty view for none.
std::u16string_view SplitRoot(std::u16string_view path, std::u16string_view& rest);

}  // namespace vantrel::regfile
