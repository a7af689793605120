#pragma once
// The built-in network (scenarios/default.json, embedded in the lab DLL) and
// the generator of large networks for benchmarks.
#include "lab/Model.h"
#include "lab/Sections.h"

#include <memory>
#include <string>

namespace lab {

// The embedded scenario. Should it not load (a broken build), the error is
// returned and a generated one-computer network stands in, so callers still
// have a local computer.
std::unique_ptr<Network> BuiltInNetwork(std::wstring* error = nullptr);

// Domain LAB with the accounts of the built-in network; computer 0 is the
// local workstation ADMIN01, then domain controllers, servers and
// workstations in a fixed pattern, some offline; families fill their sections
// through their generate handlers. Deterministic for a given seed.
std::unique_ptr<Network> GenerateNetwork(const GeneratorOptions& options);

}  // namespace lab
