#pragma once

#include <string>

namespace korvan {

// An error code of our own beside errno's: the path names something that is not a regular
// file (a device, a pipe, a socket).
inline constexpr int kNotRegularFile = 100000;

// The user's text for a system error code, in the program's language whatever the locale.
std::string SystemErrorText(int error);

}  // namespace korvan
