#pragma once
// The demo of the users and groups views: lists the accounts of computers,
// then creates, disables and deletes a user and adds a member to a group on
// the first one through the views' real dialogs (pressed by a driver thread,
// as a person would), printing the lists before and after and saving
// pictures of the dialogs.
#include <cstdio>
#include <string>
#include <vector>

namespace console {

// 0 when every step did what it should.
int RunAccountsDemo(const std::vector<std::wstring>& computers, const std::wstring& folder, std::FILE* out);

// Opens `user`'s property sheet from the users view of `computer` and saves
// user-general.png, user-memberof.png, user-profile.png and user-dialin.png,
// then, from the Dial-in page, user-routes.png and user-addroute.png (the
// route dialogs are cancelled; nothing is changed). 0 when all were written.
int CaptureUserSheet(const std::wstring& computer, const std::wstring& user, const std::wstring& folder,
                     std::FILE* out);

}  // namespace console
