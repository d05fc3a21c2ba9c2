// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/WavPlayback.h"

#include <QBuffer>
#include <QByteArray>
#include <QObject>
#include <QString>

#include <memory>

class QAudioSink;

namespace zarvo {

// The voice window's media player: decodes a WAV49 file to PCM and plays it through the desktop's
// sound output. Play, pause/resume, stop (keeps the place) and back to the start, as the buttons of
// a media player do. Without a sound output the file still opens; SoundAvailable() says so.
class WavPlayer : public QObject {
    Q_OBJECT
  public:
    enum class State { Closed, Stopped, Playing, Paused };

    WavPlayer();
    ~WavPlayer() override;

    // Decodes the file and prepares a sound output. False (with Error()) when the file cannot be
    // decoded; a missing sound output is no failure.
    bool Open(const QString& fileName);
    void Close();

    void Play();   // from the present place; at the end, from the start
    void Pause();  // pauses, or resumes when paused
    void Stop();   // halts and keeps the place
    void Rewind(); // back to the start; playing goes on from there

    State state() const { return m_state; }
    bool SoundAvailable() const { return m_sink != nullptr; }
    QString Error() const { return m_error; }
    // The PCM fed to the sound output: 16-bit signed, little-endian, mono, SampleRate() Hz.
    const QByteArray& Pcm() const { return m_pcm; }
    int SampleRate() const { return m_rate; }
    qint64 PositionBytes() const { return m_buffer.pos(); }

    // Tests (and a desktop without sound) may forbid the sound output before Open.
    void SetOutputAllowed(bool allowed) { m_outputAllowed = allowed; }

  signals:
    void stateChanged();

  private:
    void SetState(State s);
    void StartSink();
    void SinkStateChanged();

    State m_state = State::Closed;
    QString m_error;
    QByteArray m_pcm;
    int m_rate = 8000;
    QBuffer m_buffer;
    qint64 m_sinkStart = 0; // buffer position where the sink last started
    std::unique_ptr<QAudioSink> m_sink;
    bool m_outputAllowed = true;
};

} // namespace zarvo
