#include "lab/Schema.h"

#include "lab/Text.h"

#include <cstring>

namespace lab {

void Diagnostics::Fail(int line, const std::string& path, const std::string& message) {
    if (!message_.empty()) return;
    message_ = source_ + L":" + std::to_wstring(line) + L": ";
    if (!path.empty()) message_ += Widen(path) + L": ";
    message_ += Widen(message);
}

std::string FieldPath(const std::string& parent, const char* key) {
    return parent.empty() ? std::string(key) : parent + "." + key;
}

std::string ItemPath(const std::string& parent, size_t index) {
    return parent + "[" + std::to_string(index) + "]";
}

bool ExpectType(const json::Value& value, json::Type type, const std::string& path, Diagnostics& diag) {
    if (!diag.Ok()) return false;
    if (value.type == type) return true;
    diag.Fail(value.line, path, std::string("expected ") + json::Describe(type));
    return false;
}

bool ReadNumber(const json::Value& value, const std::string& path, Diagnostics& diag, DWORD min, DWORD max,
                DWORD& out) {
    if (!ExpectType(value, json::Type::Number, path, diag)) return false;
    if (!value.integral || value.number < min || value.number > max) {
        diag.Fail(value.line, path,
                  "expected a whole number from " + std::to_string(min) + " to " + std::to_string(max));
        return false;
    }
    out = static_cast<DWORD>(value.number);
    return true;
}

ObjectReader::ObjectReader(const json::Value& value, std::string path, Diagnostics& diag)
    : value_(value), path_(std::move(path)), diag_(diag), taken_(value.members.size(), false) {
    if (!ExpectType(value, json::Type::Object, path_, diag_)) return;
    for (size_t i = 0; i < value.members.size() && diag_.Ok(); ++i) {
        for (size_t j = 0; j < i; ++j) {
            if (value.members[j].key == value.members[i].key) {
                diag_.Fail(value.members[i].line, PathOf(value.members[i].key.c_str()),
                           "duplicate field (first given on line " + std::to_string(value.members[j].line) + ")");
                break;
            }
        }
    }
}

const json::Value* ObjectReader::Take(const char* key, Need need) {
    if (!diag_.Ok()) return nullptr;
    for (size_t i = 0; i < value_.members.size(); ++i) {
        if (value_.members[i].key == key) {
            taken_[i] = true;
            return &value_.members[i].value;
        }
    }
    if (need == Need::Required) diag_.Fail(value_.line, PathOf(key), "required field is missing");
    return nullptr;
}

int ObjectReader::LineOf(const char* key) const {
    for (const json::Member& m : value_.members) {
        if (m.key == key) return m.value.line;
    }
    return value_.line;
}

void ObjectReader::String(const char* key, std::wstring& out, Need need) {
    const json::Value* v = Take(key, need);
    if (v && ExpectType(*v, json::Type::String, PathOf(key), diag_)) out = Widen(v->text);
}

void ObjectReader::Bool(const char* key, bool& out, Need need) {
    const json::Value* v = Take(key, need);
    if (v && ExpectType(*v, json::Type::Bool, PathOf(key), diag_)) out = v->boolean;
}

void ObjectReader::Number(const char* key, DWORD& out, Need need, DWORD min, DWORD max) {
    const json::Value* v = Take(key, need);
    if (v) ReadNumber(*v, PathOf(key), diag_, min, max, out);
}

void ObjectReader::StringList(const char* key, std::vector<std::wstring>& out, Need need) {
    const json::Value* v = Take(key, need);
    if (!v || !ExpectType(*v, json::Type::Array, PathOf(key), diag_)) return;
    std::vector<std::wstring> items;
    for (size_t i = 0; i < v->items.size(); ++i) {
        if (!ExpectType(v->items[i], json::Type::String, ItemPath(PathOf(key), i), diag_)) return;
        items.push_back(Widen(v->items[i].text));
    }
    out = std::move(items);
}

void ObjectReader::Finish() {
    if (!diag_.Ok()) return;
    for (size_t i = 0; i < value_.members.size(); ++i) {
        if (!taken_[i]) {
            diag_.Fail(value_.members[i].line, PathOf(value_.members[i].key.c_str()), "unknown field");
            return;
        }
    }
}

}  // namespace lab
