// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <stdexcept>
#include <string>

namespace zarvo {

// A number in a modem reply or a typed value could not be converted. The application shows
// what() in its standard error box.
class ConvertError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// A profile file could not be written; what() is "In <file> kann nicht geschrieben werden".
class IniWriteError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Strict decimal conversion as the platform's StrToInt does it: optional blanks, an optional
// sign, digits, nothing else. Throws ConvertError("'<text>' ist kein gültiger Integerwert").
int StrToInt(const std::string& text);

} // namespace zarvo
