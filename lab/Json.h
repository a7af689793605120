#pragma once
// A strict JSON reader for scenario files. Every value keeps the line it
// starts on, so that schema errors can name the place in the file. Object
// members keep their order and duplicates: the schema reader reports those.
#include <string>
#include <string_view>
#include <vector>

namespace lab::json {

enum class Type { Null, Bool, Number, String, Array, Object };

// "a string", "a number", ... for messages.
const char* Describe(Type type);

struct Member;

struct Value {
    Type type = Type::Null;
    int line = 0;
    bool boolean = false;
    double number = 0;
    bool integral = false;   // written without fraction or exponent
    std::string text;        // strings: UTF-8; numbers: as written
    std::vector<Value> items;
    std::vector<Member> members;
};

struct Member {
    std::string key;
    int line = 0;
    Value value;
};

struct SyntaxError {
    int line = 0;
    std::string message;
};

// Parses a whole document (a UTF-8 byte order mark is skipped). Returns false
// and fills `error` on the first syntax error.
bool Parse(std::string_view text, Value& out, SyntaxError& error);

}  // namespace lab::json
