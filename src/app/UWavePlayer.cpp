// SPDX-License-Identifier: GPL-3.0-or-later
// Playing a decoded voice message through Qt Multimedia.
#include "app/UWavePlayer.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QMediaDevices>
#include <QtEndian>

namespace zarvo {

WavPlayer::WavPlayer() = default;

WavPlayer::~WavPlayer()
{
    Close();
}

bool WavPlayer::Open(const QString& fileName)
{
    Close();
    const PcmSound sound = DecodeWav49File(fileName);
    if (!sound.ok()) {
        m_error = sound.error;
        return false;
    }
    m_error.clear();
    m_rate = sound.sampleRate;
    m_pcm.resize(qsizetype(sound.samples.size() * 2));
    auto* out = reinterpret_cast<uchar*>(m_pcm.data());
    for (std::size_t i = 0; i < sound.samples.size(); ++i)
        qToLittleEndian<qint16>(sound.samples[i], out + 2 * i);
    m_buffer.setData(m_pcm);
    m_buffer.open(QIODevice::ReadOnly);

    // Without a sound server the device list is empty and a new sink reports its error at once,
    // without a signal: check both here.
    if (m_outputAllowed && !QMediaDevices::audioOutputs().isEmpty()) {
        QAudioFormat format;
        format.setSampleRate(m_rate);
        format.setChannelCount(1);
        format.setSampleFormat(QAudioFormat::Int16);
        const QAudioDevice device = QMediaDevices::defaultAudioOutput();
        if (!device.isNull() && device.isFormatSupported(format)) {
            m_sink = std::make_unique<QAudioSink>(device, format);
            if (m_sink->error() != QAudio::NoError)
                m_sink.reset();
            else
                connect(m_sink.get(), &QAudioSink::stateChanged, this, [this] { SinkStateChanged(); });
        }
    }
    SetState(State::Stopped);
    return true;
}

void WavPlayer::Close()
{
    if (m_sink) {
        m_sink->disconnect(this);
        m_sink->stop();
        m_sink.reset();
    }
    m_buffer.close();
    m_pcm.clear();
    SetState(State::Closed);
}

void WavPlayer::StartSink()
{
    if (!m_sink)
        return;
    m_sink->stop();
    m_sinkStart = m_buffer.pos();
    m_sink->start(&m_buffer);
}

void WavPlayer::Play()
{
    if (m_state == State::Closed || !m_sink)
        return;
    if (m_state == State::Paused) {
        Pause();
        return;
    }
    if (m_state == State::Playing)
        return;
    if (m_buffer.atEnd())
        m_buffer.seek(0);
    SetState(State::Playing);
    StartSink();
}

void WavPlayer::Pause()
{
    if (!m_sink)
        return;
    if (m_state == State::Playing) {
        m_sink->suspend();
        SetState(State::Paused);
    }
    else if (m_state == State::Paused) {
        m_sink->resume();
        SetState(State::Playing);
    }
}

void WavPlayer::Stop()
{
    if (m_state != State::Playing && m_state != State::Paused)
        return;
    // The sink reads ahead: remember where the listener really is, not where the reader stands.
    const qint64 heard = m_sink ? m_sink->processedUSecs() * m_rate / 1000000 * 2 : 0;
    const qint64 start = m_sinkStart;
    if (m_sink)
        m_sink->stop();
    m_buffer.seek(std::min<qint64>(start + heard, m_pcm.size()));
    SetState(State::Stopped);
}

void WavPlayer::Rewind()
{
    if (m_state == State::Closed)
        return;
    const bool wasPlaying = m_state == State::Playing;
    if (m_sink)
        m_sink->stop();
    m_buffer.seek(0);
    SetState(State::Stopped);
    if (wasPlaying)
        Play();
}

void WavPlayer::SinkStateChanged()
{
    // Idle with the whole buffer read means the end was reached; the sink keeps playing its last
    // buffer, so it is left running rather than stopped (stopping would cut the tail).
    if (m_sink && m_sink->state() == QAudio::IdleState && m_buffer.atEnd() && m_state == State::Playing)
        SetState(State::Stopped);
}

void WavPlayer::SetState(State s)
{
    if (m_state == s)
        return;
    m_state = s;
    emit stateChanged();
}

} // namespace zarvo
