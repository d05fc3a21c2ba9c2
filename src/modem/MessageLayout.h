// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "modem/ModemTypes.h"

#include <QByteArray>
#include <cstdint>
#include <functional>
#include <span>

// How messages lie in the modem's memory and how one block arrives on the line.
namespace zarvo {

inline constexpr int kBlockSize = 32768;
// The modem's answer to "ATE0V1+MTP=" + n: two lead bytes, the block, then a final line "OK".
inline constexpr int kBlockLead = 2;
inline constexpr int kBlockAnswer = kBlockLead + kBlockSize;
// A message begins with a 34-byte header; bytes 31 to 33 say where it ends.
inline constexpr int kHeaderSize = 34;
inline constexpr int kHeaderLastBlock = 31;

// Percent of the block answer received, rounded to the nearest integer, halves to even.
int BlockProgress(qint64 received);

// How far a captured block answer has come. Complete: every lead and block byte is there and the
// final line follows right after them (its framing begins with a carriage return, then "OK" and a
// carriage return; line feeds are ignored). A CR "OK" CR inside the block data does not count, and a
// block that came short or long puts other bytes where the final line belongs: Garbled. The answer
// starts at `start` of the captured bytes (after an echo of the command).
enum class BlockAnswer { Incomplete, Complete, Garbled };
BlockAnswer JudgeBlockAnswer(const QByteArray& captured, qsizetype start = 0);

// Reads one memory block of kBlockSize bytes; false when it did not arrive whole.
using BlockReader = std::function<bool(quint8 block, QByteArray& data)>;

// The body of the message whose header starts at `offset` of `block`, across as many blocks as the
// header says, up to its end offset. lastBlockKnown learns the header's last block before the
// further blocks are read. False when a block could not be read or the entry points outside the
// memory; body is then unchanged.
bool AssembleMessageBody(quint8 block, quint16 offset, const BlockReader& read,
                         const std::function<void(quint8 lastBlock)>& lastBlockKnown, QByteArray& body);

// "F" + page count, "V", "D" or "U", followed by the body as stored.
QByteArray MessageDataString(const tMessageReport& report, const QByteArray& body);

// The fax part of a fax's message data string: after "F" and the page count, the DLE-coded fax
// (empty when there is none). The one place that knows the layout.
std::span<const uint8_t> FaxPartOf(const QByteArray& data);

} // namespace zarvo
