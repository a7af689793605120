#pragma once
// Resources embedded in lab.dll.
#define IDR_LAB_DEFAULT_SCENARIO 101
