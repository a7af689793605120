// A small coverage-guided fuzzer for the native fuzz targets: it replays the
// seed corpus, then mutates inputs from its pool for a bounded time and keeps
// every input that reaches a program edge no earlier input reached. The code
// under test is built with -fsanitize-coverage=trace-pc, whose callback below
// records the edges; faults are found by the sanitizers and FUZZ_CHECK.
//
//   fuzz-NAME [--seconds N] [--seed S] [--max-len L] CORPUS_DIR|FILE...
//
// Without --seconds the inputs are only replayed (to reproduce a saved one).
// The input that faulted is written to fuzz-NAME.crash in the working folder.
#include <sanitizer/common_interface_defs.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

using Input = std::vector<uint8_t>;

// Edges seen, hashed from the caller's address.
constexpr size_t kMapSize = 1 << 16;
uint8_t g_edges[kMapSize];
size_t g_newEdges = 0;

// The input being run, for the fault handlers (which may only write).
const Input* g_current = nullptr;
char g_crashPath[512];

void SaveCurrentInput() {
    if (!g_current) return;
    const int fd = open(g_crashPath, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) return;
    if (!g_current->empty() && write(fd, g_current->data(), g_current->size()) < 0) {
        // Nothing more can be done in a dying process.
    }
    close(fd);
    const char note[] = "fuzz: the faulting input is saved as ";
    if (write(2, note, sizeof note - 1) < 0 || write(2, g_crashPath, strlen(g_crashPath)) < 0 || write(2, "\n", 1) < 0) {
    }
}

extern "C" void OnAbort(int) {
    SaveCurrentInput();
    signal(SIGABRT, SIG_DFL);
    raise(SIGABRT);
}

void Run(const Input& input) {
    g_current = &input;
    LLVMFuzzerTestOneInput(input.data(), input.size());
    g_current = nullptr;
}

std::vector<Input> LoadInputs(const std::vector<std::string>& paths) {
    std::vector<std::filesystem::path> files;
    for (const auto& path : paths) {
        if (std::filesystem::is_directory(path)) {
            for (const auto& entry : std::filesystem::directory_iterator(path))
                if (entry.is_regular_file()) files.push_back(entry.path());
        } else {
            files.emplace_back(path);
        }
    }
    std::sort(files.begin(), files.end());  // the same order on every run
    std::vector<Input> inputs;
    for (const auto& file : files) {
        std::ifstream in(file, std::ios::binary);
        if (!in) {
            std::fprintf(stderr, "fuzz: cannot read %s\n", file.c_str());
            std::exit(2);
        }
        inputs.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    return inputs;
}

class Mutator {
public:
    Mutator(uint32_t seed, size_t maxLength) : random_(seed), maxLength_(maxLength) {}

    Input Mutate(const std::vector<Input>& pool) {
        Input input = pool[Below(pool.size())];
        const size_t steps = 1 + Below(4);
        for (size_t i = 0; i < steps; ++i) Step(input, pool);
        if (input.size() > maxLength_) input.resize(maxLength_);
        return input;
    }

private:
    size_t Below(size_t n) { return n ? std::uniform_int_distribution<size_t>(0, n - 1)(random_) : 0; }

    void Step(Input& input, const std::vector<Input>& pool) {
        // Bytes that delimit fields in the texts and formats under test.
        static const uint8_t kInteresting[] = {0, 0xff, 0x7f, 0x80, '"', ' ', '\t', '\r', '\n', '.', ':', '=', '%',
                                               '\\', '[', ']', '@', ',', ';', '-', '0', '9', 'x', '/'};
        const size_t at = Below(input.size() + 1);
        switch (Below(input.empty() ? 2 : 8)) {
            case 0:  // insert a byte
                input.insert(input.begin() + at, static_cast<uint8_t>(Below(256)));
                break;
            case 1:  // insert a delimiter
                input.insert(input.begin() + at, kInteresting[Below(sizeof kInteresting)]);
                break;
            case 2:  // overwrite with a delimiter
                input[Below(input.size())] = kInteresting[Below(sizeof kInteresting)];
                break;
            case 3:  // flip a bit
                input[Below(input.size())] ^= static_cast<uint8_t>(1u << Below(8));
                break;
            case 4: {  // erase a range
                const size_t from = Below(input.size());
                input.erase(input.begin() + from, input.begin() + from + 1 + Below(std::min<size_t>(16, input.size() - from)));
                break;
            }
            case 5: {  // repeat a range
                const size_t from = Below(input.size());
                const Input piece(input.begin() + from, input.begin() + from + 1 + Below(std::min<size_t>(64, input.size() - from)));
                input.insert(input.begin() + Below(input.size() + 1), piece.begin(), piece.end());
                break;
            }
            case 6: {  // splice in a piece of another input
                const Input& other = pool[Below(pool.size())];
                if (other.empty()) break;
                const size_t from = Below(other.size());
                const size_t length = 1 + Below(other.size() - from);
                input.insert(input.begin() + at, other.begin() + from, other.begin() + from + length);
                break;
            }
            default:  // cut the tail
                input.resize(Below(input.size() + 1));
                break;
        }
    }

    std::mt19937 random_;
    size_t maxLength_;
};

}  // namespace

// Never itself instrumented, whatever flags the driver is built with.
extern "C" __attribute__((no_sanitize_coverage)) void __sanitizer_cov_trace_pc() {
    auto pc = reinterpret_cast<uintptr_t>(__builtin_return_address(0));
    uint8_t& seen = g_edges[(pc ^ (pc >> 16)) & (kMapSize - 1)];
    if (!seen) {
        seen = 1;
        ++g_newEdges;
    }
}

int main(int argc, char** argv) {
    double seconds = 0;
    uint32_t seed = 1;
    size_t maxLength = 4096;
    std::vector<std::string> paths;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--seconds" && i + 1 < argc) {
            seconds = std::atof(argv[++i]);
        } else if (arg == "--seed" && i + 1 < argc) {
            seed = static_cast<uint32_t>(std::strtoul(argv[++i], nullptr, 10));
        } else if (arg == "--max-len" && i + 1 < argc) {
            maxLength = std::strtoul(argv[++i], nullptr, 10);
        } else if (arg.rfind("--", 0) == 0) {
            std::fprintf(stderr, "fuzz: unknown option %s\n", arg.c_str());
            return 2;
        } else {
            paths.push_back(arg);
        }
    }
    const std::string name = std::filesystem::path(argv[0]).filename().string();
    std::snprintf(g_crashPath, sizeof g_crashPath, "%s.crash", name.c_str());
    __sanitizer_set_death_callback(SaveCurrentInput);
    signal(SIGABRT, OnAbort);

    std::vector<Input> pool = LoadInputs(paths);
    const size_t seeds = pool.size();
    if (pool.empty()) pool.emplace_back();
    for (const Input& input : pool) Run(input);
    if (seconds <= 0) {
        std::printf("fuzz: %s: replayed %zu inputs\n", name.c_str(), seeds);
        return 0;
    }

    Mutator mutator(seed, maxLength);
    const auto start = std::chrono::steady_clock::now();
    const auto deadline = start + std::chrono::duration<double>(seconds);
    size_t runs = 0;
    while (std::chrono::steady_clock::now() < deadline) {
        for (int batch = 0; batch < 256; ++batch, ++runs) {
            Input input = mutator.Mutate(pool);
            const size_t before = g_newEdges;
            Run(input);
            if (g_newEdges != before) pool.push_back(std::move(input));
        }
    }
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("fuzz: %s: %zu runs in %.1f s from %zu seeds (seed %u); %zu edges, %zu inputs kept; no fault\n",
                name.c_str(), runs, elapsed, seeds, seed, g_newEdges, pool.size() - std::max<size_t>(seeds, 1));
    return 0;
}
