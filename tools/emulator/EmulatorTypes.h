// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Plain value types of the emulated message modem: what a test or the command line hands to
// ModemEmulator. No behaviour here.
namespace zarvo::emu {

// The eight self-mode settings as the modem holds them (working set and stored set).
struct SelfModeSettings {
    bool dialupRetr = false;  // +MCD remote retrieval
    bool faxRecv = true;      // +MCF automatic fax reception
    bool localMode = false;   // +MCL
    bool callMonitor = false; // +MCM speaker monitor
    std::string password;     // +MCP remote retrieval password, any text up to 20 characters
    int rings = 2;            // +MCR rings before answering, 1..20
    bool voiceRecv = true;    // +MCV voice recording
    std::string faxId;        // +MFI fax identification, up to 20 characters, no double quote

    bool operator==(const SelfModeSettings&) const = default;
};

// The modem clock's reading: a counter of days, hours, minutes and seconds since it was set.
struct ClockValue {
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;

    bool operator==(const ClockValue&) const = default;
};

// One message to put into the modem memory. The body is stored as given: make it with the builders
// of MessageBuilder.h, which apply the modem's DLE shielding.
struct StoredMessage {
    int type = 2;                   // 1 fax, 2 voice, 3 data, anything else: unknown to the program
    std::vector<std::uint8_t> body; // as the modem stores it (DLE-shielded)
    int size = 0;                   // directory size: pages, seconds or bytes
    int state = 255;                // 255 new, 253 listened, 252 downloaded and listened
    std::string id;                 // identification text; commas become blanks
    // Reception time by the modem clock; nullopt stamps the clock's reading when the memory is filled.
    std::optional<ClockValue> received;
    // Where its 34-byte header goes; -1 places it right after the previous message.
    int block = -1;
    int offset = 0;
};

// A message that comes in while the emulator serves, as a call the modem answers on its own: it is
// added after the last message in memory, with the clock's reading as its reception time unless it
// carries one.
struct Arrival {
    enum class When {
        AfterSeconds, // `count` seconds after start()
        AfterBlock,   // right after the `count`-th block answer (from 1) has gone out whole
    };
    When when = When::AfterSeconds;
    int count = 0;
    StoredMessage message;
};

// One directory entry as the emulated modem currently reports it.
struct DirectoryEntry {
    int type = 0;
    int size = 0;
    int state = 255;
    std::string id;
    ClockValue received;
    int block = 0; // header position
    int offset = 0;
    int lastBlock = 0; // header bytes 31..33
    int endOffset = 0; // 1..32768: the message ends just before this offset of lastBlock
};

// A fault tied to command lines: it hits every received line that contains `match`
// (compared without regard to case), `times` times (-1: every time). An empty match is off.
struct CommandFault {
    std::string match;
    int times = -1;
};

// A fault of the block answer to "+MTP=": it acts after `offset` bytes of block data.
struct BlockFault {
    bool enabled = false;
    int block = -1;         // the block it hits; -1 any block
    std::size_t offset = 0; // data bytes (after the two leading bytes) sent before it acts
    int times = -1;         // how many block answers it hits; -1 every one
};

// Fault switches for the reliability tests. All off by default.
struct Faults {
    CommandFault noReply;   // the line is swallowed: not executed, nothing answered
    CommandFault lateReply; // the line is executed at once but answered lateReplyMs later
    int lateReplyMs = 0;
    CommandFault error;    // the line is answered "ERROR" without being executed
    CommandFault badField; // the first value line of the answer gets a non-numeric field
    int badFieldIndex = 1; // which comma-separated field (from 1) is replaced
    std::string badFieldText = "X7";
    BlockFault cutShort; // the block data ends after `offset` bytes; the final "OK" follows
    // okInDataText is written over the block's bytes at `offset` into the memory itself, so the
    // message holds those bytes from then on and the modem sends what it stores.
    BlockFault okInData;
    std::string okInDataText = "\rOK\r";
    BlockFault lineDead;       // after `offset` bytes the modem goes dead: no output, input ignored
    std::size_t chunkSize = 0; // every reply is written in chunks of this many bytes (0: off) ...
    int chunkPauseMs = 0;      // ... with this pause before each further chunk
};

// Everything the emulator starts with.
struct EmulatorOptions {
    std::string linkPath;       // symlink to the pty slave, replaced if present; empty: none
    std::string transcriptFile; // every received command line is appended here; empty: none
    std::string identity = "U.S. Robotics 56K Message V.92"; // "#MDL?" answer and base of "I3"
    int baud = 0;             // pacing of modem-to-computer bytes: baud / 10 bytes per second; 0 off
    bool echo = true;         // E1 after power-on, as a real modem
    bool verbose = true;      // V1
    bool clockUnset = false;  // "+MCC?" answers 255,255,255,255 until "+MCC=" sets it
    bool clockRunning = true; // false freezes the clock (tests move it with advanceClock)
    std::optional<ClockValue> clockStart; // nullopt: the host's day of month and time of day
    SelfModeSettings settings;            // start value of both the working and the stored set
    int startBlock = 0;                   // where the first message without own placement goes
    int startOffset = 0;
    std::vector<StoredMessage> messages; // directory order
    std::vector<Arrival> arrivals;       // messages that come in while serving
    Faults faults;
};

} // namespace zarvo::emu
