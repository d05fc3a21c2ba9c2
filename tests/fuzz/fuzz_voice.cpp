// SPDX-License-Identifier: GPL-3.0-or-later
// Voice messages straight from the modem's memory: any bytes must un-shield and repack without
// faults, the repack must keep every frame parameter, and re-shielding must round-trip.
#include "modem/VoiceStream.h"
#include "modem/Wav49.h"

#include <gsm.h>

#include <cstdlib>
#include <cstring>

namespace {

constexpr uint8_t Dle = 0x10;

void check(bool ok)
{
    if (!ok)
        std::abort();
}

struct Gsm {
    gsm g = gsm_create();
    ~Gsm() { gsm_destroy(g); }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace zarvo;
    const std::vector<uint8_t> plain = UnshieldVoice({data, size});
    check(plain.size() <= size);

    std::vector<uint8_t> shielded;
    for (uint8_t b : plain) {
        shielded.push_back(b);
        if (b == Dle)
            shielded.push_back(Dle);
    }
    check(UnshieldVoice(shielded) == plain);

    static Gsm plainReader, wavReader;
    static const bool setUp = [] {
        int on = 1;
        return gsm_option(wavReader.g, GSM_OPT_WAV49, &on) >= 0;
    }();
    check(setUp);

    Gsm2Wav repack;
    check(repack.usable());
    for (std::size_t at = 0; at + ModemBlockBytes <= plain.size() && at < 64 * ModemBlockBytes;
         at += ModemBlockBytes) {
        std::array<uint8_t, Wav49BlockBytes> out;
        check(repack.Convert(std::span<const uint8_t, ModemBlockBytes>(plain.data() + at, ModemBlockBytes),
                             out));
        for (int half = 0; half < 2; ++half) {
            uint8_t frame[GsmFrameBytes];
            std::memcpy(frame, plain.data() + at + half * GsmFrameBytes, GsmFrameBytes);
            frame[0] = static_cast<uint8_t>(0xD0 | (frame[0] & 0x0F));
            gsm_signal want[76], got[76];
            check(gsm_explode(plainReader.g, frame, want) == 0);
            int index = half == 0 ? 1 : 0;
            gsm_option(wavReader.g, GSM_OPT_FRAME_INDEX, &index);
            // Reading back, the carried nibble is already in the chain: the second half starts one
            // byte later than it was written.
            check(gsm_explode(wavReader.g, out.data() + (half == 0 ? 0 : 33), got) == 0);
            check(std::memcmp(want, got, sizeof want) == 0);
        }
    }
    return 0;
}
