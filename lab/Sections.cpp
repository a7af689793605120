#include "lab/Sections.h"

namespace lab {
namespace {

// Filled during static initialisation of the DLL, read-only afterwards.
std::vector<ComputerSectionHandler>& ComputerHandlers() {
    static std::vector<ComputerSectionHandler> handlers;
    return handlers;
}

std::vector<NetworkSectionHandler>& NetworkHandlers() {
    static std::vector<NetworkSectionHandler> handlers;
    return handlers;
}

}  // namespace

void RegisterComputerSection(const ComputerSectionHandler& handler) { ComputerHandlers().push_back(handler); }
void RegisterNetworkSection(const NetworkSectionHandler& handler) { NetworkHandlers().push_back(handler); }
const std::vector<ComputerSectionHandler>& ComputerSectionHandlers() { return ComputerHandlers(); }
const std::vector<NetworkSectionHandler>& NetworkSectionHandlers() { return NetworkHandlers(); }

}  // namespace lab
