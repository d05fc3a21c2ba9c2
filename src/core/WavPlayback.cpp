// SPDX-License-Identifier: GPL-3.0-or-later
// WAV49 decoding for playback, on libgsm.
#include "core/WavPlayback.h"

#include "modem/Wav49.h"

#include <QFile>

#include <gsm.h>

#include <cstring>
#include <memory>

namespace zarvo {
namespace {

constexpr int kWav49FormatTag = 49;

quint32 Le32(const char* p)
{
    const auto* u = reinterpret_cast<const unsigned char*>(p);
    return quint32(u[0]) | quint32(u[1]) << 8 | quint32(u[2]) << 16 | quint32(u[3]) << 24;
}

quint16 Le16(const char* p)
{
    const auto* u = reinterpret_cast<const unsigned char*>(p);
    return quint16(u[0] | u[1] << 8);
}

PcmSound Failed(const QString& text)
{
    PcmSound s;
    s.error = text;
    return s;
}

struct GsmClose {
    void operator()(gsm_state* g) const { gsm_destroy(g); }
};

} // namespace

qint64 PcmSound::durationUs() const
{
    return sampleRate > 0 ? qint64(samples.size()) * 1000000 / sampleRate : 0;
}

PcmSound DecodeWav49(const QByteArray& wave)
{
    const QString notWave = QStringLiteral("Die Datei ist keine GSM 6.10 Wave-Datei.");
    if (wave.size() < 12 || !wave.startsWith("RIFF") || wave.mid(8, 4) != "WAVE")
        return Failed(notWave);

    const char* fmt = nullptr;
    qsizetype fmtSize = 0;
    const char* data = nullptr;
    qsizetype dataSize = 0;
    qsizetype pos = 12;
    while (pos + 8 <= wave.size() && !data) {
        const char* head = wave.constData() + pos;
        const qsizetype size = Le32(head + 4);
        const qsizetype available = wave.size() - pos - 8;
        if (QByteArray(head, 4) == "fmt " && size <= available) {
            fmt = head + 8;
            fmtSize = size;
        }
        else if (QByteArray(head, 4) == "data") {
            data = head + 8;
            dataSize = std::min(size, available);
        }
        // Chunks are padded to even sizes; the data chunk of our own files is not, but it is last.
        pos += 8 + size + (size & 1);
    }
    if (!fmt || fmtSize < 16 || !data)
        return Failed(notWave);
    const int tag = Le16(fmt);
    const int channels = Le16(fmt + 2);
    const int rate = int(Le32(fmt + 4));
    const int blockAlign = Le16(fmt + 12);
    if (tag != kWav49FormatTag || channels != 1 || blockAlign != int(Wav49BlockBytes) || rate <= 0)
        return Failed(notWave);

    std::unique_ptr<gsm_state, GsmClose> g(gsm_create());
    int one = 1;
    if (!g || gsm_option(g.get(), GSM_OPT_WAV49, &one) < 0)
        return Failed(QStringLiteral("Der GSM-Decoder steht nicht zur Verfügung."));

    PcmSound sound;
    sound.sampleRate = rate;
    const qsizetype blocks = dataSize / qsizetype(Wav49BlockBytes);
    sound.samples.resize(std::size_t(blocks) * Wav49SamplesPerBlock);
    gsm_signal* out = sound.samples.data();
    // One state for the whole stream: libgsm alternates the 33- and 32-byte halves itself.
    for (qsizetype b = 0; b < blocks; ++b) {
        gsm_byte block[Wav49BlockBytes];
        std::memcpy(block, data + b * qsizetype(Wav49BlockBytes), Wav49BlockBytes);
        if (gsm_decode(g.get(), block, out) < 0 || gsm_decode(g.get(), block + 33, out + 160) < 0) {
            sound.samples.resize(std::size_t(out - sound.samples.data()));
            return sound.samples.empty() ? Failed(notWave) : sound;
        }
        out += Wav49SamplesPerBlock;
    }
    return sound;
}

PcmSound DecodeWav49File(const QString& fileName)
{
    QFile f(fileName);
    if (!f.open(QIODevice::ReadOnly))
        return Failed(QStringLiteral("Die Datei %1 kann nicht geöffnet werden.").arg(fileName));
    PcmSound s = DecodeWav49(f.readAll());
    if (!s.ok())
        s.error = fileName + QStringLiteral(": ") + s.error;
    return s;
}

WaveButtonLayout LayOutWaveButtons(int playerLeft, int playerWidth, int saveWidth, int closeWidth,
                                   int helpWidth)
{
    WaveButtonLayout l;
    l.saveLeft = playerLeft + playerWidth + 5;
    l.closeLeft = l.saveLeft + saveWidth + 1;
    l.helpLeft = l.closeLeft + closeWidth + 1;
    l.windowWidth = l.helpLeft + helpWidth + 7;
    return l;
}

} // namespace zarvo
