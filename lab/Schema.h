#pragma once
// Strict reading of scenario objects: every field is checked for its type,
// required fields must be there, and fields nobody read are reported as
// unknown. Only the first error is kept; once there is one, the readers do
// nothing, so the loading code needs no error checks between fields.
#include "lab/Json.h"

#include "platform/PlatApi.h"  // windows.h, in the order the seam needs

#include <string>
#include <vector>

namespace lab {

class Diagnostics {
public:
    explicit Diagnostics(std::wstring source) : source_(std::move(source)) {}

    // Records "source:line: path: message" unless an error is already held.
    void Fail(int line, const std::string& path, const std::string& message);
    bool Ok() const { return message_.empty(); }
    const std::wstring& Message() const { return message_; }
    const std::wstring& Source() const { return source_; }

private:
    std::wstring source_;
    std::wstring message_;
};

// Field paths as the messages write them: "computers[1].os.build".
std::string FieldPath(const std::string& parent, const char* key);
std::string ItemPath(const std::string& parent, size_t index);

enum class Need { Optional, Required };

class ObjectReader {
public:
    // Reports "expected an object" when `value` is none; duplicate fields are
    // reported here, in the order they appear.
    ObjectReader(const json::Value& value, std::string path, Diagnostics& diag);
    ObjectReader(const ObjectReader&) = delete;
    ObjectReader& operator=(const ObjectReader&) = delete;

    bool Ok() const { return diag_.Ok(); }
    const std::string& Path() const { return path_; }
    int Line() const { return value_.line; }
    Diagnostics& Diag() const { return diag_; }
    std::string PathOf(const char* key) const { return FieldPath(path_, key); }
    // Line of the member's value, or of the object when it is absent.
    int LineOf(const char* key) const;

    // The member's value (marked as read), or null when it is absent or an
    // error is held; a missing required field is reported.
    const json::Value* Take(const char* key, Need need = Need::Optional);

    // Typed fields: `out` keeps its default when the field is absent.
    void String(const char* key, std::wstring& out, Need need = Need::Optional);
    void Bool(const char* key, bool& out, Need need = Need::Optional);
    void Number(const char* key, DWORD& out, Need need = Need::Optional, DWORD min = 0, DWORD max = 0xFFFFFFFF);
    void StringList(const char* key, std::vector<std::wstring>& out, Need need = Need::Optional);

    // Reports the first member nobody took as an unknown field.
    void Finish();

private:
    const json::Value& value_;
    std::string path_;
    Diagnostics& diag_;
    std::vector<bool> taken_;
};

// Checks one value outside an object (list items and the like).
bool ExpectType(const json::Value& value, json::Type type, const std::string& path, Diagnostics& diag);
bool ReadNumber(const json::Value& value, const std::string& path, Diagnostics& diag, DWORD min, DWORD max,
                DWORD& out);

// A section that is a list: nothing when it is absent, "expected an array"
// when it is something else, otherwise `read(item, itemPath)` for each item
// until a diagnostic is held.
template <typename Read>
void ReadItems(const json::Value* value, const std::string& path, Diagnostics& diag, Read read) {
    if (!value || !ExpectType(*value, json::Type::Array, path, diag)) return;
    for (size_t i = 0; i < value->items.size() && diag.Ok(); ++i) read(value->items[i], ItemPath(path, i));
}

}  // namespace lab
