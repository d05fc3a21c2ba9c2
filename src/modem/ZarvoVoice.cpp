// SPDX-License-Identifier: GPL-3.0-or-later
// Voice messages to WAV: un-shield, park the GSM stream in ~~test.gsm, repack block by block.
#include "common/OutputFile.h"
#include "common/ProgramPaths.h"
#include "modem/VoiceStream.h"
#include "modem/Wav49.h"
#include "modem/Zarvo.h"

#include <QFile>

namespace zarvo {

namespace {

constexpr quint8 VoiceDone = 0;
constexpr quint8 NotVoice = 21;
constexpr quint8 TempFileFailed = 22;
constexpr quint8 WriteFailed = 23;

std::span<const uint8_t> bytesOf(const QByteArray& data)
{
    return {reinterpret_cast<const uint8_t*>(data.constData()), static_cast<std::size_t>(data.size())};
}

// Writes the stream after the kind byte into the temporary file; false on any failure.
bool parkStream(const QString& tempName, const std::vector<uint8_t>& plain)
{
    QFile temp(tempName);
    if (!temp.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    const qint64 length = static_cast<qint64>(plain.size()) - 1;
    if (length > 0 && temp.write(reinterpret_cast<const char*>(plain.data()) + 1, length) != length)
        return false;
    temp.close(); // flushes; a failed flush shows in error()
    return temp.error() == QFileDevice::NoError;
}

// Writes the WAV file from the parked stream, whole or not at all; false on any failure, with the
// reason in `problem` when the WAV file itself was the trouble.
bool writeWave(const QString& tempName, OutputFile& wav, Gsm2Wav& repack)
{
    if (!wav.Open())
        return false;
    QFile temp(tempName);
    if (!temp.open(QIODevice::ReadOnly))
        return false;
    const qint64 blocks = temp.size() / static_cast<qint64>(ModemBlockBytes);
    // A stream too long for the RIFF sizes would give a header that lies about its data.
    if (blocks > Wav49MaxBlocks)
        return false;
    const auto header = Wav49Header(static_cast<uint32_t>(blocks));
    if (!wav.Write(header.data(), Wav49HeaderBytes))
        return false;

    std::array<uint8_t, ModemBlockBytes> in;
    std::array<uint8_t, Wav49BlockBytes> out;
    for (qint64 block = 0; block < blocks; ++block) {
        if (temp.read(reinterpret_cast<char*>(in.data()), ModemBlockBytes) !=
            static_cast<qint64>(ModemBlockBytes))
            return false;
        if (!repack.Convert(in, out))
            return false;
        if (!wav.Write(out.data(), Wav49BlockBytes))
            return false;
    }
    temp.close();
    return wav.Commit();
}

// The work file goes on every way out of the conversion, a failed one included.
class WorkFileRemover {
  public:
    explicit WorkFileRemover(QString name) : m_name(std::move(name)) {}
    ~WorkFileRemover() { QFile::remove(m_name); }
    WorkFileRemover(const WorkFileRemover&) = delete;
    WorkFileRemover& operator=(const WorkFileRemover&) = delete;

  private:
    QString m_name;
};

} // namespace

quint8 TZarvo::ConvertVoice(const QByteArray& Message, const QString& WavFileName, Existing existing,
                            bool* alreadyThere)
{
    LastWriteProblem.clear();
    if (Message.isEmpty() || Message.at(0) != 'V')
        return NotVoice;
    // The repack is built in, so the component cannot be absent; it is unusable only when libgsm
    // fails to set up its state, which surfaces at the first block like an entry point missing.
    Gsm2Wav repack;

    ShowStatus(QStringLiteral("Entferne DLE-Shield"));
    const std::vector<uint8_t> plain = UnshieldVoice(bytesOf(Message));

    const QString tempName = ProgramPaths::workFile(QStringLiteral("~~test.gsm"));
    const WorkFileRemover removeWorkFile(tempName);
    if (!parkStream(tempName, plain)) {
        ShowStatus(QStringLiteral("Fehler bei der temporären Datei"));
        return TempFileFailed;
    }

    ShowStatus(QStringLiteral("Konvertiere in WAV"));
    OutputFile wav(QFile::encodeName(WavFileName).toStdString(), existing);
    if (!writeWave(tempName, wav, repack)) {
        LastWriteProblem = QString::fromUtf8(wav.Error() != 0 ? wav.Reason() : "Fehler beim Konvertieren");
        ShowStatus(QStringLiteral("Fehler beim Schreiben"));
        return WriteFailed;
    }
    if (alreadyThere)
        *alreadyThere = wav.WasAlreadyThere();
    ShowStatus(QStringLiteral("Fertig"));
    return VoiceDone;
}

} // namespace zarvo
