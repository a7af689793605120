#pragma once
// Reading the password of `add`. It never comes from the command line, where
// other users of the computer could read it.
#include "companions/Secret.h"

#include <string>

namespace vantrel::credentialstool {

constexpr size_t kMaxPasswordLength = 1024;

// From a console: with echo off, prompting on standard error and asking twice
// unless `scripted`. From a pipe or file: the first line, UTF-8, without its
// line end. On failure `problem` says what went wrong in words.
HRESULT ReadPassword(bool scripted, const std::wstring& userName, companions::SecretString* password,
                     std::wstring* problem);

}  // namespace vantrel::credentialstool
