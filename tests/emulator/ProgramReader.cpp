// SPDX-License-Identifier: GPL-3.0-or-later
#include "ProgramReader.h"

#include <gtest/gtest.h>

#include <sstream>
#include <utility>

namespace zarvo::test {

namespace {
constexpr std::size_t kBlock = 32768;
} // namespace

std::vector<std::string> fields(const std::string& line)
{
    std::vector<std::string> out;
    std::stringstream ss(line);
    std::string f;
    while (std::getline(ss, f, ','))
        out.push_back(f);
    return out;
}

std::string valueLine(const std::string& reply)
{
    EXPECT_TRUE(reply.starts_with("\r\n") && reply.ends_with("\r\n\r\nOK\r\n")) << reply;
    if (reply.size() < 10)
        return {};
    return reply.substr(2, reply.size() - 2 - 8);
}

std::string readBlock(PtyClient& line, int block)
{
    line.send("ATE0V1+MTP=" + std::to_string(block));
    std::string r = line.readUntil([](const std::string& s) { return s.size() >= 2 + kBlock + 6; });
    EXPECT_EQ(r.size(), 2 + kBlock + 6);
    if (r.size() != 2 + kBlock + 6)
        return std::string(kBlock, '\0');
    EXPECT_EQ(r.substr(0, 2), "\r\n");
    EXPECT_EQ(r.substr(r.size() - 6), "\r\nOK\r\n");
    return r.substr(2, kBlock);
}

std::string readMessage(PtyClient& line, int index, int* blockReads)
{
    auto f = fields(valueLine(line.exchange("ATE0V1+MSR=" + std::to_string(index))));
    EXPECT_EQ(f.size(), 13u);
    if (f.size() != 13)
        return {};
    int block = std::stoi(f.at(9));
    std::size_t p = std::stoul(f.at(10)) * 256 + std::stoul(f.at(11));
    int reads = 1;
    std::string data = readBlock(line, block);
    std::string hdr = data.substr(p, 34);
    std::size_t s = p + 34;
    if (kBlock - p < 34) {
        data = readBlock(line, ++block);
        ++reads;
        s = 34 - (kBlock - p);
        hdr += data.substr(0, s);
    }
    int lastBlock = std::uint8_t(hdr[31]);
    std::size_t end = std::uint8_t(hdr[32]) * 256u + std::uint8_t(hdr[33]);
    std::string body = data.substr(s);
    while (block < lastBlock) {
        body += readBlock(line, ++block);
        ++reads;
    }
    body.resize(body.size() - std::min(body.size(), kBlock - end));
    if (blockReads)
        *blockReads = reads;
    return body;
}

std::vector<std::string> faxPages(const std::string& body)
{
    std::vector<std::string> pages;
    std::string page;
    for (std::size_t i = 0; i < body.size(); ++i) {
        if (body[i] != '\x10') {
            page += body[i];
            continue;
        }
        if (++i >= body.size())
            break;
        if (body[i] == '\x10')
            page += '\x10';
        else if (body[i] == '\x03' || body[i] == '\xFF')
            pages.push_back(std::exchange(page, std::string()));
    }
    if (!page.empty())
        pages.push_back(page);
    return pages;
}

} // namespace zarvo::test
