// SPDX-License-Identifier: GPL-3.0-or-later
#include "modem/Wav49.h"

#include <gsm.h>

#include <algorithm>
#include <cstring>

namespace zarvo {

namespace {

// The first nibble of every standard GSM 06.10 frame.
constexpr uint8_t GsmSignature = 0xD0;
// Parameters of one frame as gsm_explode lays them out (8 LARc, then 4 x 17 per sub-frame).
constexpr int GsmParameters = 76;

void put16(uint8_t* p, uint16_t v)
{
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

void put32(uint8_t* p, uint32_t v)
{
    put16(p, static_cast<uint16_t>(v));
    put16(p + 2, static_cast<uint16_t>(v >> 16));
}

} // namespace

std::array<uint8_t, Wav49HeaderBytes> Wav49Header(uint32_t blocks)
{
    const uint32_t dataBytes = blocks * static_cast<uint32_t>(Wav49BlockBytes);
    std::array<uint8_t, Wav49HeaderBytes> h{};
    uint8_t* p = h.data();
    std::memcpy(p + 0, "RIFF", 4);
    put32(p + 4, 52 + dataBytes);
    std::memcpy(p + 8, "WAVE", 4);
    std::memcpy(p + 12, "fmt ", 4);
    put32(p + 16, 20);
    put16(p + 20, 49);   // GSM 6.10
    put16(p + 22, 1);    // mono
    put32(p + 24, 8000); // samples per second
    put32(p + 28, 8000 / Wav49SamplesPerBlock * Wav49BlockBytes);
    put16(p + 32, Wav49BlockBytes);
    put16(p + 34, 0); // bits per sample: not meaningful for GSM
    put16(p + 36, 2); // extra format bytes
    put16(p + 38, Wav49SamplesPerBlock);
    std::memcpy(p + 40, "fact", 4);
    put32(p + 44, 4);
    put32(p + 48, blocks * Wav49SamplesPerBlock);
    std::memcpy(p + 52, "data", 4);
    put32(p + 56, dataBytes);
    return h;
}

void Gsm2Wav::Destroy::operator()(gsm_state* g) const
{
    gsm_destroy(g);
}

Gsm2Wav::Gsm2Wav() : m_plain(gsm_create()), m_wav49(gsm_create())
{
    if (m_wav49) {
        int on = 1;
        gsm_option(m_wav49.get(), GSM_OPT_WAV49, &on);
    }
}

Gsm2Wav::~Gsm2Wav() = default;

bool Gsm2Wav::Convert(std::span<const uint8_t, ModemBlockBytes> in, std::span<uint8_t, Wav49BlockBytes> out)
{
    if (!usable())
        return false;
    std::array<uint8_t, GsmFrameBytes> frame;
    gsm_signal params[GsmParameters];
    // The first half of a WAV49 block is 32 bytes and a nibble; the second half starts in the
    // byte that holds that nibble, which the second call rewrites whole (libgsm carries the
    // nibble over as its frame chain). Only gsm_encode toggles the frame index by itself, so it
    // is set here for each half.
    const std::size_t offset[2] = {0, 32};
    for (int half = 0; half < 2; ++half) {
        std::copy_n(in.begin() + half * GsmFrameBytes, GsmFrameBytes, frame.begin());
        frame[0] = static_cast<uint8_t>(GsmSignature | (frame[0] & 0x0F));
        if (gsm_explode(m_plain.get(), frame.data(), params) != 0)
            return false;
        int index = half == 0 ? 1 : 0;
        gsm_option(m_wav49.get(), GSM_OPT_FRAME_INDEX, &index);
        gsm_implode(m_wav49.get(), params, out.data() + offset[half]);
    }
    return true;
}

} // namespace zarvo
