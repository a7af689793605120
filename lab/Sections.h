#pragma once
// How a family adds its part to scenarios and generated networks. A family
// registers a handler for a JSON key inside each computer object (or at the
// top level of the file) from its own source file:
//
//   static const lab::SectionRegistration services{lab::ComputerSectionHandler{
//       "services", &ParseServices, &GenerateServices}};
//
// and keeps what it reads in computer.Section<ServiceTable>().
#include "lab/Json.h"
#include "lab/Model.h"
#include "lab/Schema.h"

#include <string>
#include <vector>

namespace lab {

struct GeneratorOptions {
    DWORD computers = 1000;
    DWORD seed = 1;
};

struct ComputerSectionHandler {
    const char* key;
    // Reads computers[i].<key>; `value` is null when the computer has no such
    // field (fill defaults from the computer's facts then). Called after the
    // computer's own fields were read. Reports errors through `diag`.
    void (*parse)(const json::Value* value, const std::string& path, Computer& computer, Diagnostics& diag);
    // Fills the section of a generated computer (index 0 is the local one);
    // may be null.
    void (*generate)(Computer& computer, size_t index, const GeneratorOptions& options);
};

struct NetworkSectionHandler {
    const char* key;
    // Reads the top-level <key>; called after accounts and computers, so it
    // may refer to them. `value` is null when the file has no such field.
    void (*parse)(const json::Value* value, const std::string& path, Network& network, Diagnostics& diag);
    void (*generate)(Network& network, const GeneratorOptions& options);  // may be null
};

void RegisterComputerSection(const ComputerSectionHandler& handler);
void RegisterNetworkSection(const NetworkSectionHandler& handler);
const std::vector<ComputerSectionHandler>& ComputerSectionHandlers();
const std::vector<NetworkSectionHandler>& NetworkSectionHandlers();

// Registers at load time of the lab DLL (static initialisation).
struct SectionRegistration {
    explicit SectionRegistration(const ComputerSectionHandler& handler) { RegisterComputerSection(handler); }
    explicit SectionRegistration(const NetworkSectionHandler& handler) { RegisterNetworkSection(handler); }
};

}  // namespace lab
