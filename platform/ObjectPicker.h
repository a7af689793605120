#pragma once
// The directory object picker, which browses a computer's accounts. Stands for
// CoCreateInstance of the picker class, in-process; the lab hands out a picker
// over its own network instead.
#include "platform/PlatApi.h"
#include <objsel.h>

namespace plat {
PLAT_API HRESULT WINAPI CreateDsObjectPicker(IDsObjectPicker** ppPicker);
}  // namespace plat
