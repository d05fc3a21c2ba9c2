// SPDX-License-Identifier: GPL-3.0-or-later
// Block answers, progress figures and guards of the message assembly, without a port.
#include "modem/MessageLayout.h"

#include <gtest/gtest.h>

namespace zarvo::test {
namespace {

TEST(BlockProgress, PercentOfTheWholeAnswer)
{
    const int cases[][2] = {{0, 0}, {16385, 50}, {163, 0}, {164, 1}, {32770, 100}};
    for (const auto& c : cases)
        EXPECT_EQ(BlockProgress(c[0]), c[1]) << c[0];
}

TEST(JudgeBlockAnswer, EndsOnlyAfterTheWholeBlockAndTheFinalLine)
{
    QByteArray block(kBlockSize, 'x');
    block.replace(100, 4, "\rOK\r"); // the block's own data may look like a final line
    auto answer = [&](const QByteArray& data, const char* tail) { return "\r\n" + data + tail; };
    const struct {
        QByteArray captured;
        BlockAnswer expected;
        const char* what;
    } cases[] = {
        {answer(block.left(200), "\r\nOK\r\n"), BlockAnswer::Incomplete, "OK inside the block"},
        {answer(block, "\r\nOK"), BlockAnswer::Incomplete, "final line not yet ended"},
        {answer(block, "\r\nOK\r\n"), BlockAnswer::Complete, "usual framing"},
        {answer(block, "\r\rOK\r"), BlockAnswer::Complete, "blank line first, no line feeds"},
        {answer(block.left(kBlockSize - 1), "\r\nOK\r\n"), BlockAnswer::Garbled, "one byte short"},
        {answer(block + "y", "\r\nOK\r\n"), BlockAnswer::Garbled, "one byte long"},
        {answer(block, "\r\nERROR\r\n"), BlockAnswer::Garbled, "refused"},
        {answer(block, "OK\r\n"), BlockAnswer::Garbled, "final line glued to the data"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(JudgeBlockAnswer(c.captured), c.expected) << c.what;
    EXPECT_EQ(JudgeBlockAnswer("AT\r" + answer(block, "\r\nOK\r\n"), 3), BlockAnswer::Complete)
        << "after an echo";
}

TEST(AssembleMessageBody, EntriesOutsideTheMemoryFailWithoutTouchingTheBody)
{
    int reads = 0;
    const BlockReader reader = [&](quint8, QByteArray& data) {
        ++reads;
        data = QByteArray(kBlockSize, '\0');
        return true;
    };
    QByteArray body = "old";
    EXPECT_FALSE(AssembleMessageBody(4, 40000, reader, {}, body)) << "offset beyond a block";
    EXPECT_EQ(reads, 0);
    EXPECT_FALSE(AssembleMessageBody(255, 32767, reader, {}, body)) << "header past the last block";
    EXPECT_FALSE(AssembleMessageBody(
        3, 0, [](quint8, QByteArray&) { return false; }, {}, body));
    EXPECT_EQ(body, "old");
    // A header that ends before it starts leaves nothing to take.
    ASSERT_TRUE(AssembleMessageBody(3, 20000, reader, {}, body));
    EXPECT_TRUE(body.isEmpty());
}

} // namespace
} // namespace zarvo::test
