#pragma once
// One line of the activity log: "YYYY-MM-DD hh:mm:ss.mmm <kind> <text>" in
// UTF-8, ended by CR LF. A message stays one line: each line break inside
// the text (CR LF, CR, LF, and the Unicode line and paragraph separators)
// becomes " | ", which reads like the sentence break it stood for; other
// control characters except tab become a space.
#include <windows.h>

#include <string>

namespace vantrel::companions {

std::string FormatLogLine(const SYSTEMTIME& time, long kind, const wchar_t* text, size_t length);

}  // namespace vantrel::companions
