#pragma once
// Scenario files: a network described in JSON (schema in lab/README.md).
#include "lab/Model.h"

#include <memory>
#include <string>
#include <string_view>

namespace lab {

// Reads a scenario. On failure returns null and sets `error` to one line
// naming the source, the line and the field ("x.json:12: computers[1].os.build:
// expected a number").
std::unique_ptr<Network> ParseScenario(std::string_view utf8, const std::wstring& source, std::wstring& error);

// As ParseScenario, from a file; `status` is 0, the file system's error, or
// ERROR_INVALID_DATA for a malformed scenario.
std::unique_ptr<Network> ReadScenarioFile(const std::wstring& path, std::wstring& error, DWORD& status);

}  // namespace lab
