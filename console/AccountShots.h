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

}  // namespace console
