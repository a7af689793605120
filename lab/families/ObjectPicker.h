#pragma once
// The lab's directory object picker: a dialog of ours listing the accounts of
// the target computer and of the domain. Tests drive it through these.
#include <windows.h>

namespace lab {

constexpr wchar_t kPickerCaption[] = L"Select Users or Groups";
constexpr int kPickerListId = 1001;  // the list view of accounts (report view)

}  // namespace lab
