// SPDX-License-Identifier: GPL-3.0-or-later
// The voice window on a demo message, with and without a sound output.
#include "Shots.h"
#include "app/UHauptImages.h"
#include "app/UWave.h"
#include "app/UWavePlayer.h"
#include "common/ProgramPaths.h"
#include "modem/Zarvo.h"

#include <QFile>

#include <cstdio>

static zarvo::shots::Register reg("voice", [](zarvo::shots::Context& c) {
    QFile demo(c.dataDir() + QStringLiteral("/demo/nachricht1.gsm"));
    if (!demo.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "voice: no demo message\n");
        return;
    }
    QByteArray message("V");
    for (const char b : demo.readAll()) {
        message.append(b);
        if (b == 0x10)
            message.append(b); // DLE shielding, as the modem sends it
    }
    const QString wav = zarvo::ProgramPaths::workFile(QStringLiteral("~~test.wav"));
    zarvo::TZarvo().ConvertVoice(message, wav);
    for (const bool sound : {true, false}) {
        zarvo::TWave wave;
        wave.Player().SetOutputAllowed(sound);
        wave.SetGlyphs(zarvo::ImageList1(9), zarvo::ImageList1(5),
                       zarvo::ImageList1(8)); // as the program does
        wave.SetFileName(wav);
        if (wave.Open())
            c.save(&wave, QLatin1String(sound ? "voice-window" : "voice-window-nosound"));
    }
});
