// SPDX-License-Identifier: GPL-3.0-or-later
#include "fax/G4Encoder.h"

#include "fax/CodeTable.h"

#include <array>

namespace zarvo {

namespace {

struct BitCode {
    uint16_t value = 0;
    uint8_t bits = 0;
};

// The run codes of T.4 tables 1 and 2, taken from the built-in code table text: terminating codes
// by run (0..63), make-up codes by run / 64 (1..40; from 1792 the shared extended codes).
struct RunCodes {
    std::array<std::array<BitCode, 64>, 2> terminating{};
    std::array<std::array<BitCode, 41>, 2> makeUp{};

    RunCodes()
    {
        CodeTable table;
        LoadCodeTable(table);
        for (int i = 0; i < table.count(); ++i) {
            const oneCode& c = table[i];
            const BitCode code{c.Value, c.Bits};
            switch (c.Kind) {
            case CodeKind::WT:
            case CodeKind::BT:
                if (c.Run >= 0 && c.Run < 64)
                    terminating[c.Kind == CodeKind::BT][static_cast<size_t>(c.Run)] = code;
                break;
            case CodeKind::WM:
            case CodeKind::BM:
            case CodeKind::M:
                if (c.Run % 64 == 0 && c.Run / 64 >= 1 && c.Run / 64 <= 40)
                    for (int colour = 0; colour < 2; ++colour)
                        if (c.Kind == CodeKind::M || (colour == 1) == (c.Kind == CodeKind::BM))
                            makeUp[static_cast<size_t>(colour)][static_cast<size_t>(c.Run / 64)] = code;
                break;
            default:
                break;
            }
        }
    }
};

const RunCodes& Codes()
{
    static const RunCodes codes;
    return codes;
}

constexpr BitCode kPass{0b0001, 4};
constexpr BitCode kHorizontal{0b001, 3};
// Vertical mode by a1 - b1 from -3 to 3: VL3 .. V0 .. VR3.
constexpr BitCode kVertical[7] = {{0b0000010, 7}, {0b000010, 6}, {0b010, 3},    {0b1, 1},
                                  {0b011, 3},     {0b000011, 6}, {0b0000011, 7}};
constexpr BitCode kEol{0b000000000001, 12};

class BitSink {
  public:
    void put(BitCode code)
    {
        m_acc = m_acc << code.bits | code.value;
        m_count += code.bits;
        while (m_count >= 8) {
            m_count -= 8;
            m_out.push_back(static_cast<uint8_t>(m_acc >> m_count));
        }
        m_acc &= (1u << m_count) - 1;
    }
    // A run of one colour: make-up codes of 2560 while more than that remains, one make-up code,
    // then the terminating code.
    void run(int length, int colour)
    {
        const RunCodes& codes = Codes();
        const auto c = static_cast<size_t>(colour);
        while (length >= 2560 + 64) {
            put(codes.makeUp[c][40]);
            length -= 2560;
        }
        if (length >= 64) {
            put(codes.makeUp[c][static_cast<size_t>(length / 64)]);
            length %= 64;
        }
        put(codes.terminating[c][static_cast<size_t>(length)]);
    }
    std::vector<uint8_t> finish()
    {
        if (m_count > 0)
            m_out.push_back(static_cast<uint8_t>(m_acc << (8 - m_count)));
        m_count = 0;
        return std::move(m_out);
    }

  private:
    uint32_t m_acc = 0;
    int m_count = 0;
    std::vector<uint8_t> m_out;
};

// The changing elements of one row: positions whose pixel differs from the one before (white
// before the first), then the width three times so that every look-ahead finds an end.
void Changes(const uint8_t* row, int width, std::vector<int>& out)
{
    out.clear();
    int colour = 0;
    for (int x = 0; x < width;) {
        const uint8_t byte = row[x >> 3];
        if ((x & 7) == 0 && x + 8 <= width && byte == (colour ? 0xFF : 0x00)) {
            x += 8;
            continue;
        }
        if (((byte >> (7 - (x & 7))) & 1) != colour) {
            out.push_back(x);
            colour ^= 1;
        }
        ++x;
    }
    out.insert(out.end(), 3, width);
}

} // namespace

std::vector<uint8_t> EncodeG4(const PageBitmap& page)
{
    BitSink sink;
    const int width = page.width;
    std::vector<int> ref, cur;
    ref.assign(3, width); // the white line above the first
    for (int y = 0; y < page.height && width > 0; ++y) {
        Changes(page.bits.data() + static_cast<size_t>(y) * static_cast<size_t>(page.stride()), width, cur);
        int a0 = -1;
        int colour = 0;
        size_t i = 0; // first change of the coding line right of a0
        size_t j = 0; // first change of the reference line right of a0
        while (a0 < width) {
            while (cur[i] <= a0 && cur[i] < width)
                ++i;
            while (ref[j] <= a0 && ref[j] < width)
                ++j;
            // b1 changes to the colour opposite a0's: even entries turn black, odd ones white.
            const size_t b = j + ((j & 1) != static_cast<size_t>(colour) ? 1 : 0);
            const int a1 = cur[i], b1 = ref[b], b2 = ref[b + 1];
            if (b2 < a1) {
                sink.put(kPass);
                a0 = b2;
            }
            else if (a1 - b1 >= -3 && a1 - b1 <= 3) {
                sink.put(kVertical[a1 - b1 + 3]);
                a0 = a1;
                colour ^= 1;
            }
            else {
                const int a2 = cur[i + 1];
                sink.put(kHorizontal);
                sink.run(a1 - (a0 < 0 ? 0 : a0), colour);
                sink.run(a2 - a1, colour ^ 1);
                a0 = a2;
            }
        }
        std::swap(ref, cur);
    }
    sink.put(kEol); // EOFB
    sink.put(kEol);
    return sink.finish();
}

} // namespace zarvo
