#pragma once
// The lab's clock behind plat::GetTickCount and plat::Sleep: the system's by
// default; in virtual mode a counter that only Sleep and the control API move.
#include "platform/PlatApi.h"  // windows.h, in the order the seam needs

namespace lab::clock {

bool IsVirtual();
// Switching virtual mode on starts virtual time from the real tick count (no
// jump backwards); switching it on again keeps the current virtual time.
void UseVirtual(bool on);
ULONGLONG Now();  // milliseconds, in the current mode
void Set(ULONGLONG milliseconds);
void Advance(ULONGLONG milliseconds);

}  // namespace lab::clock
