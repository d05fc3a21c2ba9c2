// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>
#include <QtGlobal>
#include <functional>
#include <memory>

class QSerialPort;
class QTimer;

namespace zarvo {

enum TComPortNumber { pnCOM1, pnCOM2, pnCOM3, pnCOM4, pnCOM5, pnCOM6, pnCOM7, pnCOM8, pnCOM9 };
enum TComPortBaudRate {
    br110,
    br300,
    br600,
    br1200,
    br2400,
    br4800,
    br9600,
    br14400,
    br19200,
    br38400,
    br56000,
    br57600,
    br115200
};
enum TComPortDataBits { db5BITS, db6BITS, db7BITS, db8BITS };
enum TComPortStopBits { sb1BITS, sb1HALFBITS, sb2BITS };
enum TComPortParity { ptNONE, ptODD, ptEVEN, ptMARK, ptSPACE };
enum TComPortHwHandshaking { hhNONE, hhRTSCTS };
enum TComPortSwHandshaking { shNONE, shXONXOFF };

class TCommPortDriver;
using TComPortReceiveDataEvent = std::function<void(TCommPortDriver* sender, const char* data, int size)>;

// The device control block the line settings amount to; kept as plain values so the mapping
// onto the serial back end is computable and testable.
struct TDeviceControlBlock {
    quint32 DCBlength = 0;
    quint32 BaudRate = 0;
    quint32 Flags = 0;
    quint16 XonLim = 0;
    quint16 XoffLim = 0;
    quint8 ByteSize = 0;
    quint8 Parity = 0;
    quint8 StopBits = 0;
    char XonChar = 0;
    char XoffChar = 0;
};

// Device path of COM1..COM9: key "COMn" of section [Ports] in ZARVO2.ini of the program's
// directory, else /dev/ttyS(n-1).
QString ComPortDevicePath(int portNumber);

// Test seam of the serial layer: asked before each open with the device path; a non-zero errno
// makes the open fail as the system would have failed it (EACCES, EBUSY, ENOENT, ...), so the
// messages for a refused device can be tested as root and without a second user. Null (the
// default) opens normally.
using OpenFaultHook = std::function<int(const QString& devicePath)>;
void SetOpenFaultHook(OpenFaultHook hook);

// Serial port driver: opens one port, applies line settings, sends with an output time-out and
// polls for received data on a timer of the GUI thread.
class TCommPortDriver : public QObject {
    Q_OBJECT
  public:
    explicit TCommPortDriver(QObject* owner = nullptr);
    ~TCommPortDriver() override;

    bool Connected() const;
    bool Connect();
    void Disconnect();
    void ApplySettings();
    void Purge(bool InQueue, bool OutQueue);
    quint16 OutputFree();
    int SendData(const char* DataPtr, int DataSize);
    bool SendString(const QByteArray& S);

    TDeviceControlBlock BuildControlBlock() const;
    // The device path this driver opens for its ComPort.
    QString DevicePath() const;

    TComPortNumber ComPort() const { return m_comPort; }
    void SetComPort(TComPortNumber v);
    TComPortBaudRate ComPortSpeed() const { return m_speed; }
    void SetComPortSpeed(TComPortBaudRate v);
    TComPortDataBits ComPortDataBits() const { return m_dataBits; }
    void SetComPortDataBits(TComPortDataBits v);
    TComPortStopBits ComPortStopBits() const { return m_stopBits; }
    void SetComPortStopBits(TComPortStopBits v);
    TComPortParity ComPortParity() const { return m_parity; }
    void SetComPortParity(TComPortParity v);
    TComPortHwHandshaking ComPortHwHandshaking() const { return m_hw; }
    void SetComPortHwHandshaking(TComPortHwHandshaking v);
    TComPortSwHandshaking ComPortSwHandshaking() const { return m_sw; }
    void SetComPortSwHandshaking(TComPortSwHandshaking v);
    quint16 ComPortInBufSize() const { return m_inBufSize; }
    void SetComPortInBufSize(quint16 v);
    quint16 ComPortOutBufSize() const { return m_outBufSize; }
    void SetComPortOutBufSize(quint16 v);
    quint16 ComPortPollingDelay() const { return m_pollingDelay; }
    void SetComPortPollingDelay(quint16 v);
    bool EnableDTROnOpen() const { return m_enableDtr; }
    void SetEnableDTROnOpen(bool v) { m_enableDtr = v; }
    quint16 OutputTimeout() const { return m_outputTimeout; }
    void SetOutputTimeout(quint16 v) { m_outputTimeout = v; }
    void SetOnReceiveData(TComPortReceiveDataEvent handler) { m_onReceive = std::move(handler); }

    // Set when the device failed under an open port (read error, vanished device); the port was
    // closed. Cleared by the next Connect. A German text for the status line.
    const QString& DeviceError() const { return m_deviceError; }
    // Why the last Connect failed, as a German text with the remedy; empty after a successful one.
    const QString& OpenError() const { return m_openError; }
    // Number of polling restarts, for tests of the polling-delay rule.
    int TimerStarts() const { return m_timerStarts; }

  private:
    void PollTick();
    void FailDevice(const QString& why);

    TComPortNumber m_comPort = pnCOM2;
    TComPortBaudRate m_speed = br9600;
    TComPortDataBits m_dataBits = db8BITS;
    TComPortStopBits m_stopBits = sb1BITS;
    TComPortParity m_parity = ptNONE;
    TComPortHwHandshaking m_hw = hhNONE;
    TComPortSwHandshaking m_sw = shNONE;
    quint16 m_inBufSize = 2048;
    quint16 m_outBufSize = 2048;
    TComPortReceiveDataEvent m_onReceive;
    quint16 m_pollingDelay = 50;
    bool m_enableDtr = true;
    quint16 m_outputTimeout = 4000;

    std::unique_ptr<QSerialPort> m_port;
    std::unique_ptr<QTimer> m_timer;
    QByteArray m_receiveBuffer;
    QString m_deviceError;
    QString m_openError;
    QString m_portPath; // the device the last Connect opened
    int m_timerStarts = 0;
    quint64 m_generation = 0;
};

} // namespace zarvo
