// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/OutputFile.h"
#include "common/Wait.h" // Delay
#include "fax/FaxSaveReport.h"
#include "modem/ComDrv32.h"
#include "modem/ModemTypes.h"

#include <QByteArray>
#include <QDateTime>
#include <QObject>
#include <QString>
#include <QtGlobal>
#include <functional>

namespace zarvo {

class ReportTarget;
class StatusTarget;
class FaxViewerOpener;

// The modem component: every conversation with the modem passes through it. One command
// exchange opens the port, sends, waits (running the event loop) and closes the port again.
// Operations return 8-bit result codes and report progress through ShowStatus.
class TZarvo : public QObject {
    Q_OBJECT
  public:
    explicit TZarvo(QObject* owner = nullptr);
    ~TZarvo() override;

    // --- Published targets (null = not assigned) ---
    ReportTarget* ReportMemo = nullptr;
    StatusTarget* StatusPanel = nullptr;

    // --- State ---
    bool Busy = false;
    bool Locked = false;
    // The modem is left alone (another run of the program uses it, or the program is ending): no
    // exchange opens the port, operations return 5 and TestPort does not touch the port.
    bool HeldOff = false;
    bool Capturing = false;
    bool ModemFound = false;
    bool ClockRead = false;
    QString LastLine;
    QString PrevLine;
    QByteArray LineBuffer;
    QByteArray Data;
    TDateTime ClockBase = 0;
    int CachedBlock = -1;
    int TotalBlocks = 0;
    QByteArray CachedData;
    TCommPortDriver* MainPort = nullptr;
    TCommPortDriver* ProbePort = nullptr;
    // Why the port could not be used, with the remedy (German): set when TestPort finds no device
    // or an exchange cannot open its port; cleared by TestPort and ForcePort and by the next
    // exchange that opens its port.
    QString PortProblem;

    // --- Command exchange and log (ZarvoExchange.cpp) ---
    void SendCommand(const QString& Cmd, bool WaitReply, bool WaitSecondLine);
    void TestCommand(const QString& Cmd, bool WaitReply, bool WaitSecondLine);
    void ShowStatus(const QString& Text);
    void LockModem(bool Lock);
    void MainPortReceive(TCommPortDriver* Sender, const char* DataPtr, int DataSize);
    void ProbePortReceive(TCommPortDriver* Sender, const char* DataPtr, int DataSize);

    // Longest wait for the first reply line, in ms (default 10000; [Modem] ReplyTimeout of
    // ZARVO2.ini when present). On expiry the exchange ends as with no reply and says so. The
    // block download gives up after as long without a byte.
    static constexpr int kDefaultReplyTimeout = 10000;
    int ReplyTimeout() const { return m_replyTimeout; }
    void SetReplyTimeout(int ms) { m_replyTimeout = ms > 0 ? ms : kDefaultReplyTimeout; }
    // The same for the erase, which a modem with a full memory answers only when done (default
    // 60000; [Modem] EraseTimeout).
    static constexpr int kDefaultEraseTimeout = 60000;
    int EraseTimeout() const { return m_eraseTimeout; }
    void SetEraseTimeout(int ms) { m_eraseTimeout = ms > 0 ? ms : kDefaultEraseTimeout; }
    // Time limits the settings file may give; a value outside falls back to the default (0 would
    // fail every exchange, a negative one every download at once).
    static constexpr int kMinTimeoutSetting = 1000;
    static constexpr int kMaxTimeoutSetting = 600000;
    // True when the last exchange ended because the first reply never came (or the device failed).
    bool ReplyTimedOut() const { return m_replyTimedOut; }

    // --- Detection (ZarvoDetect.cpp) ---
    static bool PortExists(quint8 Port);
    static TComPortNumber PortNumberToComPort(quint8 Port);
    quint8 TestPort(quint8 Port);
    void ForcePort(quint8 Port);

    // --- Memory status, directory, clock (ZarvoMemory.cpp) ---
    // Malformed numbers in a reply throw ConvertError (the exchange has ended, Busy is false).
    quint8 ReadMemoryStatus(tMemoryStatus& Status);
    quint8 ReadMessageReport(quint8 Index, tMessageReport& Report);
    quint8 ReadClock(TDateTime& BaseDate);
    // The computer's present date and time for the modem clock; tests put a fixed clock here.
    std::function<QDateTime()> NowSource;

    // --- Download and memory commands (ZarvoDownload.cpp) ---
    // False when the block did not arrive whole (Data then holds no trusted block).
    bool ReadBlock(quint8 Block);
    // False when a block failed; Body is then unchanged.
    bool ReadMessageData(quint8 Block, quint8 PosHi, quint8 PosLo, QByteArray& Body);
    // 0, 4, 5, 6 or kResultTransferFailed; MessageData is changed only on 0.
    quint8 GetMessage(quint8 Index, QByteArray& MessageData);
    quint8 ClearMemory();
    // Playback of message Index over the modem's line output, and its stop. Result 0, 4 or 5
    // (play: 6 for index 0); the replies are not examined.
    quint8 LinePlay(quint8 Index);
    quint8 LineStop(quint8 Index);

    // --- Self-mode options (ZarvoOptions.cpp) ---
    quint8 ReadOptions(tModemOptions& Options);
    quint8 WriteOptions(const tModemOptions& Options);
    // Section "ModemOpt" of the settings file; SaveOptions throws IniWriteError.
    static void LoadOptions(const QString& FileName, tModemOptions& Options);
    static void SaveOptions(const QString& FileName, const tModemOptions& Options);

    // --- Voice conversion (ZarvoVoice.cpp) ---
    // The WAV file is written whole or not at all; `existing` says what an entry of its name gets
    // (work files are replaced, saved messages never). On result 23 LastWriteProblem says why.
    // `alreadyThere`, where given, hears whether the file held these very bytes (nothing written).
    quint8 ConvertVoice(const QByteArray& Message, const QString& WavFileName,
                        Existing existing = Existing::Replace, bool* alreadyThere = nullptr);
    QString LastWriteProblem;

    // --- Fax hand-off and TIFF export (ZarvoFax.cpp) ---
    void SetViewerOpener(FaxViewerOpener* opener) { m_viewerOpener = opener; }
    quint8 ShowFax(const QByteArray& Message);
    // Opens a new, empty fax viewer (nothing without an installed opener).
    void OpenFaxViewer();
    // `report`, where given, hears the pages written and the fax's pages that could not be drawn
    // (left out of the file; result 0 all the same when at least one page was written).
    quint8 SaveFax(const QByteArray& Message, const QString& TiffFileName,
                   Existing existing = Existing::Replace, FaxSaveReport* report = nullptr);
    // The TIFF writer's code table file RFCG3.DAT.
    static QString CodeFilePath();

  private:
    // The checks every memory operation starts with: 4 without a modem, 5 while busy, else 0.
    quint8 Refusal() const { return HeldOff ? 5 : !ModemFound ? 4 : Busy ? 5 : 0; }
    // Says that the modem is held off; the text for the status panel and the log.
    void ShowHeldOff();
    // TestPort's talk with the modem on the opened test port: its result 0, 2 or 3.
    quint8 Probe(quint8 Port);
    void RunExchange(TCommPortDriver* port, const QString& Cmd, bool WaitReply, bool WaitSecondLine,
                     bool probe, int replyLimitMs);
    void AddLog(const QString& line);

    int m_replyTimeout = kDefaultReplyTimeout;
    int m_eraseTimeout = kDefaultEraseTimeout;
    bool m_replyTimedOut = false;
    FaxViewerOpener* m_viewerOpener = nullptr;
};

} // namespace zarvo
