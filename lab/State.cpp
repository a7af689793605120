#include "lab/State.h"

#include "lab/DefaultNetwork.h"

namespace lab {

LabState::LabState() : network(BuiltInNetwork()) {}

LabState& LabState::Get() {
    static LabState state;
    return state;
}

}  // namespace lab
