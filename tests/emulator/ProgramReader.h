// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "PtyClient.h"

#include <string>
#include <vector>

// The program's way of reading the modem, rebuilt from the command set for the emulator's tests:
// value lines, blocks, and a message cut out of its blocks by directory entry and header.
namespace zarvo::test {

std::vector<std::string> fields(const std::string& line);

// The value line of a "value, OK" reply (checks the framing).
std::string valueLine(const std::string& reply);

// "+MTP=" answer: checks the two leading bytes and the final "OK", returns the block's bytes.
std::string readBlock(PtyClient& line, int block);

// The stored body of message `index` (still DLE-shielded). blockReads: how many blocks it took.
std::string readMessage(PtyClient& line, int index, int* blockReads = nullptr);

// Fax body split at its page ends, DLE pairs resolved.
std::vector<std::string> faxPages(const std::string& body);

} // namespace zarvo::test
