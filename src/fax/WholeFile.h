#pragma once

#include <string>
#include <string_view>

namespace zarvo {

// Writes `bytes` as the file `fileName`, whole or not at all: into a new temporary file beside it,
// flushed to the disk, then renamed over the name (an existing file is replaced only then). On any
// failure the temporary file is removed, an existing file stays as it was, and FaxFileError tells
// why ("Datei <Name> kann nicht geschrieben werden (<Grund>)").
void WriteWholeFile(const std::string& fileName, std::string_view bytes);

} // namespace zarvo
