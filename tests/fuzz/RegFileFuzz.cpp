// Registry files come from anywhere: reading one never faults, and what it
// gives back holds together (a root on every key, keys and values in file
// order, a refusal naming a line of the file), and what it gives back,
// written out again, reads back the same.
#include "companions/RegFile.h"
#include "tests/fuzz/FuzzDriver.h"

#include <algorithm>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    vantrel::regfile::File file;
    vantrel::regfile::Error error;
    if (!vantrel::regfile::Read(data, size, vantrel::regfile::DecodeLatin1, file, error)) {
        FUZZ_CHECK(!error.what.empty());
        // A line number never lies past the end of the file.
        const size_t breaks = static_cast<size_t>(std::count(data, data + size, '\n')) +
                              static_cast<size_t>(std::count(data, data + size, '\r'));
        FUZZ_CHECK(error.line <= breaks + 1);
        return 0;
    }
    size_t lastLine = 0;
    for (const vantrel::regfile::Key& key : file.keys) {
        std::u16string_view rest;
        FUZZ_CHECK(!vantrel::regfile::SplitRoot(key.path, rest).empty());
        FUZZ_CHECK(key.line > lastLine);
        lastLine = key.line;
        FUZZ_CHECK(!key.remove || key.values.empty());
        for (const vantrel::regfile::Value& value : key.values) {
            FUZZ_CHECK(value.line > lastLine);
            lastLine = value.line;
            FUZZ_CHECK(!value.remove || value.data.empty());
        }
    }

    // What was read, written again and read back, is the same.
    const std::u16string text = vantrel::regfile::Write(file);
    std::vector<uint8_t> bytes{0xFF, 0xFE};
    for (char16_t c : text) {
        bytes.push_back(static_cast<uint8_t>(c & 0xFF));
        bytes.push_back(static_cast<uint8_t>(c >> 8));
    }
    vantrel::regfile::File again;
    FUZZ_CHECK(vantrel::regfile::Read(bytes.data(), bytes.size(), vantrel::regfile::DecodeLatin1, again, error));
    FUZZ_CHECK(again.keys.size() == file.keys.size());
    for (size_t k = 0; k < file.keys.size(); ++k) {
        const auto& a = file.keys[k];
        const auto& b = again.keys[k];
        FUZZ_CHECK(a.path == b.path && a.remove == b.remove && a.values.size() == b.values.size());
        for (size_t v = 0; v < a.values.size(); ++v) {
            FUZZ_CHECK(a.values[v].name == b.values[v].name);
            FUZZ_CHECK(a.values[v].remove == b.values[v].remove);
            FUZZ_CHECK(a.values[v].type == b.values[v].type);
            FUZZ_CHECK(a.values[v].data == b.values[v].data);
        }
    }
    return 0;
}
