// SPDX-License-Identifier: GPL-3.0-or-later
#include "modem/MessageLayout.h"

namespace zarvo {

int BlockProgress(qint64 received)
{
    const qint64 n = received * 100;
    const qint64 q = n / kBlockAnswer;
    const qint64 twice = 2 * (n % kBlockAnswer);
    if (twice > kBlockAnswer || (twice == kBlockAnswer && (q & 1)))
        return static_cast<int>(q + 1);
    return static_cast<int>(q);
}

BlockAnswer JudgeBlockAnswer(const QByteArray& captured, qsizetype start)
{
    if (captured.size() - start < kBlockAnswer)
        return BlockAnswer::Incomplete;
    // Expected after the block, line feeds aside: one or more CR, "O", "K", CR.
    static constexpr char kFinal[] = "OK\r";
    bool framed = false;
    int matched = 0;
    for (qsizetype i = start + kBlockAnswer; i < captured.size(); ++i) {
        const char c = captured[i];
        if (c == '\n')
            continue;
        if (matched == 0 && c == '\r') {
            framed = true;
            continue;
        }
        if (!framed || c != kFinal[matched])
            return BlockAnswer::Garbled;
        if (++matched == 3)
            return BlockAnswer::Complete;
    }
    return BlockAnswer::Incomplete;
}

bool AssembleMessageBody(quint8 block, quint16 offset, const BlockReader& read,
                         const std::function<void(quint8 lastBlock)>& lastBlockKnown, QByteArray& body)
{
    if (offset >= kBlockSize)
        return false;
    QByteArray data;
    if (!read(block, data))
        return false;
    QByteArray header = data.mid(offset, kHeaderSize);
    qsizetype start = offset + kHeaderSize;
    if (kBlockSize - offset < kHeaderSize) {
        // The header runs on into the next block; the body starts right after it there.
        if (block == 255)
            return false;
        ++block;
        if (!read(block, data))
            return false;
        start = kHeaderSize - (kBlockSize - offset);
        header += data.left(start);
    }
    if (header.size() < kHeaderSize)
        return false;
    const quint8 lastBlock = static_cast<quint8>(header[kHeaderLastBlock]);
    const int end = static_cast<quint8>(header[32]) * 256 + static_cast<quint8>(header[33]);
    if (lastBlockKnown)
        lastBlockKnown(lastBlock);

    QByteArray result = data.mid(start);
    while (block < lastBlock) {
        ++block;
        if (!read(block, data))
            return false;
        result += data;
    }
    const qsizetype cut = kBlockSize - end;
    if (cut > 0) {
        if (cut > result.size())
            result.clear();
        else
            result.chop(cut);
    }
    body = result;
    return true;
}

QByteArray MessageDataString(const tMessageReport& report, const QByteArray& body)
{
    QByteArray data;
    data.reserve(body.size() + 2);
    switch (report.MsgType) {
    case 1:
        data.append('F');
        data.append(static_cast<char>(report.Size));
        break;
    case 2:
        data.append('V');
        break;
    case 3:
        data.append('D');
        break;
    default:
        data.append('U');
        break;
    }
    data.append(body);
    return data;
}

std::span<const uint8_t> FaxPartOf(const QByteArray& data)
{
    if (data.size() <= 2)
        return {};
    return {reinterpret_cast<const uint8_t*>(data.constData()) + 2,
            static_cast<std::size_t>(data.size() - 2)};
}

} // namespace zarvo
