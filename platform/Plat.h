#pragma once
// All platform calls that reach a (possibly remote) computer.
#include "platform/Clock.h"
#include "platform/NetManagement.h"
