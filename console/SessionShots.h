#pragma once
// Works the terminal sessions view the way a person does: right-clicks a
// session, picks Send Message from the view's own menu and fills in its
// dialog, then picks Close Session and confirms. Saves pictures of the
// dialog and of the view before and after.
#include <cstdio>
#include <string>

namespace console {

// Acts on the session whose Session column is `session` on `computer`;
// writes FOLDER\send-message.png, FOLDER\COMPUTER-terminalsessions-before.png
// and -after.png, prints what happened on `out`; 0 on success.
int ActOnTerminalSession(const std::wstring& computer, const std::wstring& session, const std::wstring& folder,
                         std::FILE* out);

}  // namespace console
