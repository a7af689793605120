// How fast a registry file is compared with the registry that holds it,
// against reading and decoding the same file alone, in the same run: a file
// of `values` values of every type (100 to a key), imported into the lab's
// local computer first.
//   registry_compare_bench.exe [values] [runs]
#include "companions/RegFile.h"
#include "companions/RegistryComponent.h"
#include "lab/LabControl.h"

#include <windows.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using vantrel::regfile::File;
using vantrel::regfile::Key;
using vantrel::regfile::Value;

void Text(std::vector<uint8_t>& data, const std::u16string& text) {
    for (char16_t c : text) {
        data.push_back(static_cast<uint8_t>(c & 0xFF));
        data.push_back(static_cast<uint8_t>(c >> 8));
    }
    data.push_back(0);
    data.push_back(0);
}

File MakeFile(size_t values) {
    const uint32_t types[] = {1, 2, 3, 4, 7, 11, 0, 5};
    File file;
    for (size_t i = 0; i < values; ++i) {
        if (i % 100 == 0) {
            Key key;
            const std::string name = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Vantrel Bench\\Key " + std::to_string(i / 100);
            key.path.assign(name.begin(), name.end());
            file.keys.push_back(std::move(key));
        }
        Value value;
        const std::string name = "Value " + std::to_string(i);
        value.name.assign(name.begin(), name.end());
        value.type = types[i % std::size(types)];
        const std::u16string text = u"C:\\Program Files\\Vantrel\\data " + value.name;
        switch (value.type) {
        case 1: case 2: Text(value.data, text); break;
        case 7: Text(value.data, text); value.data.insert(value.data.end(), {0, 0}); break;
        case 4: case 5: value.data = {static_cast<uint8_t>(i), 1, 2, 3}; break;
        case 11: value.data = {static_cast<uint8_t>(i), 1, 2, 3, 4, 5, 6, 7}; break;
        default: for (int b = 0; b < 24; ++b) value.data.push_back(static_cast<uint8_t>(i + b)); break;
        }
        file.keys.back().values.push_back(std::move(value));
    }
    return file;
}

double Seconds(std::chrono::steady_clock::duration d) { return std::chrono::duration<double>(d).count(); }

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const size_t values = argc > 1 ? std::wcstoul(argv[1], nullptr, 10) : 100000;
    const int runs = argc > 2 ? _wtoi(argv[2]) : 3;
    LabReset();

    const std::u16string text = vantrel::regfile::Write(MakeFile(values));
    wchar_t folder[MAX_PATH];
    ::GetTempPathW(MAX_PATH, folder);
    const std::wstring path = std::wstring(folder) + L"vantrel-bench.reg";
    {
        FILE* out = _wfopen(path.c_str(), L"wb");
        const unsigned char bom[] = {0xFF, 0xFE};
        std::fwrite(bom, 1, 2, out);
        std::fwrite(text.data(), 2, text.size(), out);
        std::fclose(out);
    }
    std::printf("file: %zu values, %.1f MB\n", values, text.size() * 2 / 1048576.0);

    File file;
    std::vector<std::wstring> missing;
    if (FAILED(vantrel::companions::LoadRegFile(path.c_str(), file)) ||
        FAILED(vantrel::companions::ImportRegistry(L"", file, missing)) || !missing.empty()) {
        std::printf("the file could not be imported into the lab\n");
        return 1;
    }

    double readBest = 1e9, compareBest = 1e9;
    for (int run = 0; run < runs; ++run) {
        auto start = std::chrono::steady_clock::now();
        File read;
        vantrel::companions::LoadRegFile(path.c_str(), read);
        readBest = std::min(readBest, Seconds(std::chrono::steady_clock::now() - start));

        start = std::chrono::steady_clock::now();
        File compared;
        vantrel::companions::LoadRegFile(path.c_str(), compared);
        const HRESULT hr = vantrel::companions::CompareRegistry(L"", compared, missing);
        compareBest = std::min(compareBest, Seconds(std::chrono::steady_clock::now() - start));
        if (FAILED(hr) || !missing.empty()) {
            std::printf("the comparison found differences (0x%08lX, %zu)\n", static_cast<unsigned long>(hr),
                        missing.size());
            return 1;
        }
    }
    std::printf("read and decode: %.3f s (%.0f values/s)\n", readBest, values / readBest);
    std::printf("compare:         %.3f s (%.0f values/s)\n", compareBest, values / compareBest);
    std::printf("compare / read throughput: %.2f (target at least 0.25)\n", readBest / compareBest);
    ::DeleteFileW(path.c_str());
    return 0;
}
