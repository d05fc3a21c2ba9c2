// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <span>

struct gsm_state;

namespace zarvo {

// The modem stores its voice messages as standard GSM 06.10 frames (33 bytes, 160 samples each),
// two to a 66-byte block. A WAVE file with format tag 49 ("WAV49") packs the same two frames into
// 65 bytes: the 76 parameters of each frame are bit-packed LSB first without the 4-bit magic, the
// first frame taking 32.5 bytes and the second the following 32.5.
inline constexpr std::size_t GsmFrameBytes = 33;
inline constexpr std::size_t ModemBlockBytes = 2 * GsmFrameBytes;
inline constexpr std::size_t Wav49BlockBytes = 65;
inline constexpr uint32_t Wav49SamplesPerBlock = 320;
inline constexpr std::size_t Wav49HeaderBytes = 60;
// Most blocks for which every 32-bit field of the header holds its value: the sample count
// (320 * N) overflows long before the RIFF size (52 + 65 * N) or the data size (65 * N).
inline constexpr uint32_t Wav49MaxBlocks =
    std::min<uint32_t>((UINT32_MAX - 52) / Wav49BlockBytes, UINT32_MAX / Wav49SamplesPerBlock);

// The 60-byte header of a WAV49 file holding `blocks` blocks (RIFF, fmt, fact and data chunk
// headers; blocks must not exceed Wav49MaxBlocks).
std::array<uint8_t, Wav49HeaderBytes> Wav49Header(uint32_t blocks);

// Repacks the modem's 66-byte blocks into 65-byte WAV49 blocks, losslessly: each frame is
// exploded into its parameters and imploded again in WAV49 mode.
class Gsm2Wav {
  public:
    Gsm2Wav();
    ~Gsm2Wav();
    Gsm2Wav(const Gsm2Wav&) = delete;
    Gsm2Wav& operator=(const Gsm2Wav&) = delete;

    // False when libgsm could not set up its coder state; Convert then always fails.
    bool usable() const { return m_plain && m_wav49; }

    // One 66-byte block in, one 65-byte WAVE block out. The modem's frames may lack the 0xD
    // signature nibble of standard frames; it is supplied here, the other bits are kept.
    bool Convert(std::span<const uint8_t, ModemBlockBytes> in, std::span<uint8_t, Wav49BlockBytes> out);

  private:
    struct Destroy {
        void operator()(gsm_state* g) const;
    };
    std::unique_ptr<gsm_state, Destroy> m_plain; // reads standard 33-byte frames
    std::unique_ptr<gsm_state, Destroy> m_wav49; // writes WAV49 halves
};

} // namespace zarvo
