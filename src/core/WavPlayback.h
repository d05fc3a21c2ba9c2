// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <vector>

// What the voice window needs to play a GSM 6.10 WAVE file ("WAV49", format tag 49): its sound as
// 16-bit PCM, and the pixel rule that places the window's buttons.
namespace zarvo {

struct PcmSound {
    int sampleRate = 8000;
    std::vector<int16_t> samples; // mono
    QString error;                // German text when the file could not be decoded; samples empty

    bool ok() const { return error.isEmpty(); }
    // Length in microseconds.
    qint64 durationUs() const;
};

// Decodes the WAV49 data of a WAVE file held in memory. The RIFF chunks are walked by their sizes;
// the format must be GSM 6.10 mono with 65-byte blocks. A last block cut short is dropped; a data
// chunk that claims more than the file holds is read as far as it goes.
PcmSound DecodeWav49(const QByteArray& wave);

// Reads and decodes a file; a file that cannot be read gives an error text naming it.
PcmSound DecodeWav49File(const QString& fileName);

// Where the voice window's three buttons go once the window is active: the save button 5 pixels
// after the player's right end, close and help 1 pixel after their left neighbour, and the
// window's outer width the help button's right end plus 7.
struct WaveButtonLayout {
    int saveLeft = 0;
    int closeLeft = 0;
    int helpLeft = 0;
    int windowWidth = 0;
};
WaveButtonLayout LayOutWaveButtons(int playerLeft, int playerWidth, int saveWidth, int closeWidth,
                                   int helpWidth);

} // namespace zarvo
