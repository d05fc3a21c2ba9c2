// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/OutputFile.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>

namespace zarvo {

// A fax, page or picture file could not be opened, created, read or written. what() is the German
// text the application shows in its standard error box; the command that raised it ends there.
class FaxFileError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// "Datei <name> kann nicht <participle> werden (<reason>)"; savedErrno 0 leaves the reason out.
inline FaxFileError FileErrorFor(const std::string& fileName, const char* participle, int savedErrno)
{
    std::string text = "Datei " + fileName + " kann nicht " + participle + " werden";
    if (savedErrno != 0)
        text += " (" + FileErrorReason(savedErrno) + ")";
    return FaxFileError(text);
}

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using UniqueFile = std::unique_ptr<std::FILE, FileCloser>;

} // namespace zarvo
