// SPDX-License-Identifier: GPL-3.0-or-later
#include "modem/ComDrv32.h"

#include "common/IniProfile.h"
#include "common/ProgramPaths.h"
#include "modem/SerialErrors.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSerialPort>
#include <QTimer>

namespace zarvo {

namespace {

constexpr quint32 kBaudRates[] = {110,   300,   600,   1200,  2400,  4800,  9600,
                                  14400, 19200, 38400, 56000, 57600, 115200};

// Control-block flag bits the line settings are described by.
constexpr quint32 kFlagBinary = 1;
constexpr quint32 kFlagOutxCtsFlow = 4;
constexpr quint32 kFlagDtrControlEnable = 16;
constexpr quint32 kFlagOutX = 256;
constexpr quint32 kFlagInX = 512;
constexpr quint32 kFlagRtsControlHandshake = 8192;

OpenFaultHook& FaultHook()
{
    static OpenFaultHook hook;
    return hook;
}

} // namespace

void SetOpenFaultHook(OpenFaultHook hook)
{
    FaultHook() = std::move(hook);
}

QString ComPortDevicePath(int portNumber)
{
    const QString fallback = QStringLiteral("/dev/ttyS%1").arg(portNumber - 1);
    const IniProfile ini(ProgramPaths::programFile(QStringLiteral("ZARVO2.ini")));
    return ini.readString(QStringLiteral("Ports"), QStringLiteral("COM%1").arg(portNumber), fallback);
}

TCommPortDriver::TCommPortDriver(QObject* owner) : QObject(owner), m_port(std::make_unique<QSerialPort>())
{
    // A vanished device makes Qt raise read errors without end; close at the first one.
    connect(m_port.get(), &QSerialPort::errorOccurred, this, [this](QSerialPort::SerialPortError error) {
        if (error == QSerialPort::ReadError || error == QSerialPort::ResourceError ||
            error == QSerialPort::WriteError)
            FailDevice(SerialErrorText(error, m_portPath));
    });
}

TCommPortDriver::~TCommPortDriver()
{
    Disconnect();
}

bool TCommPortDriver::Connected() const
{
    return m_port->isOpen();
}

QString TCommPortDriver::DevicePath() const
{
    return ComPortDevicePath(static_cast<int>(m_comPort) + 1);
}

bool TCommPortDriver::Connect()
{
    if (Connected())
        return true;
    m_deviceError.clear();
    m_openError.clear();
    ++m_generation;
    m_receiveBuffer.resize(m_inBufSize);
    m_portPath = DevicePath();
    m_port->setPortName(m_portPath);
    if (const int fault = FaultHook() ? FaultHook()(m_portPath) : 0) {
        m_openError = SerialErrorText(SerialErrorForErrno(fault), m_portPath, fault);
        m_receiveBuffer.clear();
        return false;
    }
    // Qt locks a link under the link's name; a terminal program locks the device's own name, and
    // that lock must keep us off as well.
    if (const LockHolder holder = FindLockHolder(m_portPath, SerialLockDirs());
        holder.pid != 0 && holder.pid != QCoreApplication::applicationPid()) {
        SerialProblem problem;
        problem.failure = SerialFailure::InUse;
        problem.device = m_portPath;
        problem.holder = holder.program;
        problem.holderPid = holder.pid;
        m_openError = SerialProblemText(problem);
        m_receiveBuffer.clear();
        return false;
    }
    if (!m_port->open(QIODevice::ReadWrite)) {
        m_openError = SerialErrorText(m_port->error(), m_portPath);
        m_receiveBuffer.clear();
        m_port->clearError();
        return false;
    }
    ApplySettings();
    m_timer = std::make_unique<QTimer>();
    connect(m_timer.get(), &QTimer::timeout, this, &TCommPortDriver::PollTick);
    m_timer->start(m_pollingDelay);
    ++m_timerStarts;
    return true;
}

void TCommPortDriver::Disconnect()
{
    if (!Connected())
        return;
    m_timer.reset();
    m_port->close();
    m_port->clearError();
    m_receiveBuffer.clear();
}

void TCommPortDriver::FailDevice(const QString& why)
{
    if (m_deviceError.isEmpty())
        m_deviceError = why.isEmpty() ? QStringLiteral("Gerätefehler") : why;
    if (m_timer)
        m_timer->stop();
    // Close outside Qt's own error signal; a port opened again meanwhile is left alone.
    QTimer::singleShot(0, this, [this, generation = m_generation] {
        if (generation == m_generation)
            Disconnect();
    });
}

TDeviceControlBlock TCommPortDriver::BuildControlBlock() const
{
    TDeviceControlBlock dcb;
    dcb.DCBlength = 28;
    dcb.BaudRate = kBaudRates[m_speed];
    dcb.Flags = kFlagBinary;
    if (m_enableDtr)
        dcb.Flags |= kFlagDtrControlEnable;
    if (m_hw == hhRTSCTS)
        dcb.Flags |= kFlagOutxCtsFlow | kFlagRtsControlHandshake;
    if (m_sw == shXONXOFF)
        dcb.Flags |= kFlagOutX | kFlagInX;
    dcb.XonLim = static_cast<quint16>(m_inBufSize / 4);
    dcb.XoffLim = 1;
    dcb.ByteSize = static_cast<quint8>(m_dataBits + 5);
    dcb.Parity = static_cast<quint8>(m_parity);
    dcb.StopBits = static_cast<quint8>(m_stopBits);
    dcb.XonChar = 17;
    dcb.XoffChar = 19;
    return dcb;
}

void TCommPortDriver::ApplySettings()
{
    if (!Connected())
        return;
    const TDeviceControlBlock dcb = BuildControlBlock();
    static constexpr QSerialPort::Parity kParity[] = {QSerialPort::NoParity, QSerialPort::OddParity,
                                                      QSerialPort::EvenParity, QSerialPort::MarkParity,
                                                      QSerialPort::SpaceParity};
    static constexpr QSerialPort::StopBits kStop[] = {QSerialPort::OneStop, QSerialPort::OneAndHalfStop,
                                                      QSerialPort::TwoStop};
    // Failures to apply a setting are not reported (a pseudo-terminal refuses some of them).
    m_port->setBaudRate(static_cast<qint32>(dcb.BaudRate));
    m_port->setDataBits(static_cast<QSerialPort::DataBits>(dcb.ByteSize));
    m_port->setParity(kParity[dcb.Parity]);
    m_port->setStopBits(kStop[dcb.StopBits]);
    if (dcb.Flags & kFlagRtsControlHandshake)
        m_port->setFlowControl(QSerialPort::HardwareControl);
    else if (dcb.Flags & kFlagOutX)
        m_port->setFlowControl(QSerialPort::SoftwareControl);
    else
        m_port->setFlowControl(QSerialPort::NoFlowControl);
    if (dcb.Flags & kFlagDtrControlEnable)
        m_port->setDataTerminalReady(true);
    m_port->clearError();
    Purge(true, true);
}

void TCommPortDriver::Purge(bool InQueue, bool OutQueue)
{
    if (!Connected())
        return;
    if (InQueue && OutQueue)
        m_port->clear(QSerialPort::AllDirections);
    else if (InQueue)
        m_port->clear(QSerialPort::Input);
    else if (OutQueue)
        m_port->clear(QSerialPort::Output);
}

quint16 TCommPortDriver::OutputFree()
{
    if (!Connected())
        return 65535;
    const qint64 waiting = m_port->bytesToWrite();
    return waiting >= m_outBufSize ? 0 : static_cast<quint16>(m_outBufSize - waiting);
}

int TCommPortDriver::SendData(const char* DataPtr, int DataSize)
{
    if (!Connected())
        return 0;
    QElapsedTimer sinceProgress;
    sinceProgress.start();
    if (DataSize < 1)
        return 0;
    int sent = 0;
    while (sent < DataSize) {
        const quint16 free = OutputFree();
        if (!Connected())
            return -sent;
        if (free > 0) {
            const qint64 written = m_port->write(DataPtr + sent, std::min<int>(free, DataSize - sent));
            if (written > 0) {
                sent += static_cast<int>(written);
                sinceProgress.restart();
            }
            m_port->flush();
        }
        else if (sinceProgress.elapsed() > m_outputTimeout) {
            return -sent;
        }
        else {
            // Sleep until the device takes bytes instead of polling the queue.
            m_port->waitForBytesWritten(10);
        }
    }
    return sent;
}

bool TCommPortDriver::SendString(const QByteArray& S)
{
    return SendData(S.constData(), static_cast<int>(S.size())) == S.size();
}

void TCommPortDriver::PollTick()
{
    if (!Connected() || m_receiveBuffer.isEmpty())
        return;
    const qint64 n = m_port->read(m_receiveBuffer.data(), m_receiveBuffer.size());
    if (n > 0 && m_onReceive) {
        // The handler may run the event loop; keep our own copy alive for its duration.
        const QByteArray chunk(m_receiveBuffer.constData(), static_cast<int>(n));
        m_onReceive(this, chunk.constData(), static_cast<int>(n));
    }
}

void TCommPortDriver::SetComPort(TComPortNumber v)
{
    if (!Connected())
        m_comPort = v;
}

void TCommPortDriver::SetComPortInBufSize(quint16 v)
{
    if (!Connected())
        m_inBufSize = v;
}

void TCommPortDriver::SetComPortOutBufSize(quint16 v)
{
    // Takes effect with the next settings, like the other queue size.
    m_outBufSize = v;
}

#define ZARVO_LINE_SETTER(Name, Member, Type)                                                                \
    void TCommPortDriver::Set##Name(Type v)                                                                  \
    {                                                                                                        \
        Member = v;                                                                                          \
        ApplySettings();                                                                                     \
    }
ZARVO_LINE_SETTER(ComPortSpeed, m_speed, TComPortBaudRate)
ZARVO_LINE_SETTER(ComPortDataBits, m_dataBits, TComPortDataBits)
ZARVO_LINE_SETTER(ComPortStopBits, m_stopBits, TComPortStopBits)
ZARVO_LINE_SETTER(ComPortParity, m_parity, TComPortParity)
ZARVO_LINE_SETTER(ComPortHwHandshaking, m_hw, TComPortHwHandshaking)
ZARVO_LINE_SETTER(ComPortSwHandshaking, m_sw, TComPortSwHandshaking)
#undef ZARVO_LINE_SETTER

void TCommPortDriver::SetComPortPollingDelay(quint16 v)
{
    if (v == m_pollingDelay)
        return;
    const bool running = Connected() && m_timer;
    if (running)
        m_timer->stop();
    m_pollingDelay = v;
    if (running) {
        m_timer->start(m_pollingDelay);
        ++m_timerStarts;
    }
}

} // namespace zarvo
