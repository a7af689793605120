#pragma once
// The texts the progress page shows under its bar.
#include <windows.h>

#include <string>

namespace vantrel::commonui {

// "3 of 10 done"; empty before the number of steps is known.
std::wstring StepsText(long done, long steps);
// "Elapsed time: 0:01:05" for 65,000 ms; hours are not cut at 24.
std::wstring ElapsedText(DWORD elapsedMs);
// The bar's position out of 1000 (a bar range of 0..1000 moves smoothly for
// any step count); 0 for no steps.
int BarPosition(long done, long steps) noexcept;

}  // namespace vantrel::commonui
