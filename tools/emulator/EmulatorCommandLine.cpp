// SPDX-License-Identifier: GPL-3.0-or-later
#include "EmulatorCommandLine.h"

#include "MessageBuilder.h"
#include "MessageMemory.h"
#include "ModemClock.h"

#include <cctype>
#include <charconv>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <tuple>

namespace zarvo::emu {

namespace {

std::vector<std::string> split(const std::string& s, char sep)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        std::size_t p = s.find(sep, start);
        parts.push_back(s.substr(start, p - start));
        if (p == std::string::npos)
            return parts;
        start = p + 1;
    }
}

int toInt(const std::string& s, const std::string& what, int lo, int hi)
{
    int v = 0;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || end != s.data() + s.size() || s.empty() || v < lo || v > hi)
        throw UsageError(what + ": '" + s + "' is not a number from " + std::to_string(lo) + " to " +
                         std::to_string(hi));
    return v;
}

// The modem keeps its texts in Latin-1, the command line comes in the locale's encoding. A text
// that is valid UTF-8 (every current locale) is converted, a character beyond Latin-1 becoming '?';
// anything else is taken as Latin-1 already.
std::string commandLineText(const std::string& text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        const std::size_t extra = c < 0x80             ? 0
                                  : (c & 0xE0) == 0xC0 ? 1
                                  : (c & 0xF0) == 0xE0 ? 2
                                  : (c & 0xF8) == 0xF0 ? 3
                                                       : 4;
        if (extra == 4)
            return text;
        unsigned long code = extra == 0 ? c : c & (0x3F >> extra);
        for (std::size_t k = 1; k <= extra; ++k) {
            if (i + k >= text.size())
                return text;
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80)
                return text;
            code = (code << 6) | (next & 0x3F);
        }
        out += code <= 0xFF ? static_cast<char>(code) : '?';
        i += extra + 1;
    }
    return out;
}

bool toBool(const std::string& s, const std::string& what)
{
    return toInt(s, what, 0, 1) == 1;
}

// "-1"/"any" or a block number, then ":" and a byte count.
BlockFault blockFault(const std::string& arg, const std::string& what)
{
    auto parts = split(arg, ':');
    if (parts.size() != 2)
        throw UsageError(what + " wants BLOCK:BYTES");
    BlockFault f;
    f.enabled = true;
    f.block = parts[0] == "any" ? -1 : toInt(parts[0], what, -1, MessageMemory::kBlocks - 1);
    f.offset = std::size_t(toInt(parts[1], what, 0, MessageMemory::kBlockSize));
    return f;
}

// "voice", "fax" or "data" and the file(s) as the message switches of the same names take them.
StoredMessage typedMessage(const std::string& type, const std::string& files, const std::string& what)
{
    if (type == "voice")
        return voiceMessage(readFileBytes(files));
    if (type == "fax") {
        std::vector<std::vector<std::uint8_t>> pages;
        for (const std::string& f : split(files, ','))
            pages.push_back(readFileBytes(f));
        return faxMessage(pages);
    }
    if (type == "data")
        return dataMessage(readFileBytes(files));
    throw UsageError(what + ": type '" + type + "' is not voice, fax or data");
}

// "<n>s:TYPE:FILE" or "b<n>:TYPE:FILE"; the file name may hold further colons.
Arrival arrival(const std::string& arg)
{
    const std::string what = "--arrive";
    auto first = arg.find(':');
    auto second = first == std::string::npos ? first : arg.find(':', first + 1);
    if (second == std::string::npos)
        throw UsageError(what + " wants WHEN:TYPE:FILE");
    std::string when = arg.substr(0, first);
    Arrival a;
    if (when.size() > 1 && when.back() == 's') {
        a.when = Arrival::When::AfterSeconds;
        a.count = toInt(when.substr(0, when.size() - 1), what, 0, 86'400);
    }
    else if (when.size() > 1 && when.front() == 'b') {
        a.when = Arrival::When::AfterBlock;
        a.count = toInt(when.substr(1), what, 1, 1'000'000);
    }
    else {
        throw UsageError(what + ": '" + when + "' is neither <n>s (seconds) nor b<n> (block)");
    }
    a.message = typedMessage(arg.substr(first + 1, second - first - 1), arg.substr(second + 1), what);
    return a;
}

// What --id, --new, --time, ... set for the next message.
struct Pending {
    std::optional<std::string> id;
    std::optional<int> state;
    std::optional<ClockValue> received;
    std::optional<int> size;
    std::optional<std::pair<int, int>> at;
    bool any() const { return id || state || received || size || at; }
};

namespace fs = std::filesystem;

// The demo's voice messages and its three-page fax, as the modem stores them after three calls.
const char* const kDemoVoice[] = {"nachricht1.gsm", "nachricht2.gsm"};
const char* const kDemoFax[] = {"fax3-1.g3", "fax3-2.g3", "fax3-3.g3"};

bool holdsDemo(const fs::path& folder)
{
    std::error_code ec;
    return !folder.empty() && fs::is_regular_file(folder / kDemoVoice[0], ec) &&
           fs::is_regular_file(folder / kDemoFax[0], ec);
}

// The source tree's data folder when `exeDir` lies in a Zarvo build tree (a CMakeCache.txt at most
// three folders up that names Zarvo_SOURCE_DIR); empty otherwise. Nothing of the build is compiled in.
fs::path buildTreeData(fs::path dir)
{
    const std::string key = "Zarvo_SOURCE_DIR:STATIC=";
    for (int level = 0; level < 4 && !dir.empty(); ++level) {
        std::ifstream cache(dir / "CMakeCache.txt");
        if (cache) {
            for (std::string line; std::getline(cache, line);)
                if (line.rfind(key, 0) == 0)
                    return fs::path(line.substr(key.size())) / "data";
            return {};
        }
        if (dir == dir.parent_path())
            break;
        dir = dir.parent_path();
    }
    return {};
}

std::vector<fs::path> xdgDataFolders()
{
    std::vector<fs::path> folders;
    const char* home = std::getenv("XDG_DATA_HOME");
    const char* user = std::getenv("HOME");
    if (home && *home == '/')
        folders.emplace_back(home);
    else if (user && *user)
        folders.push_back(fs::path(user) / ".local/share");
    const char* dirs = std::getenv("XDG_DATA_DIRS");
    for (const std::string& dir : split(dirs && *dirs ? dirs : "/usr/local/share:/usr/share", ':'))
        if (!dir.empty() && dir.front() == '/')
            folders.emplace_back(dir);
    return folders;
}

} // namespace

std::string executableDir()
{
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : exe.parent_path().string();
}

std::string demoFolder(const std::string& exeDir)
{
    std::vector<fs::path> places;
    if (!exeDir.empty()) {
        places.push_back(fs::path(exeDir) / ZARVO_DATA_FROM_BIN / "demo");
        places.push_back(buildTreeData(exeDir) / "demo");
    }
    for (const fs::path& dir : xdgDataFolders())
        places.push_back(dir / "zarvo/demo");
    for (const fs::path& place : places)
        if (holdsDemo(place))
            return place.lexically_normal().string();
    return {};
}

SelfModeSettings parseSettings(const std::string& list, SelfModeSettings s)
{
    if (list.empty())
        return s;
    for (const std::string& item : split(list, ',')) {
        auto eq = item.find('=');
        if (eq == std::string::npos)
            throw UsageError("--options: '" + item + "' is not KEY=VALUE");
        std::string key = item.substr(0, eq);
        std::string value = item.substr(eq + 1);
        for (char& c : key)
            c = char(std::toupper(static_cast<unsigned char>(c)));
        if (key == "MCD")
            s.dialupRetr = toBool(value, key);
        else if (key == "MCF")
            s.faxRecv = toBool(value, key);
        else if (key == "MCL")
            s.localMode = toBool(value, key);
        else if (key == "MCM")
            s.callMonitor = toBool(value, key);
        else if (key == "MCV")
            s.voiceRecv = toBool(value, key);
        else if (key == "MCR")
            s.rings = toInt(value, key, 1, 20);
        else if (key == "MCP")
            s.password = value;
        else if (key == "MFI")
            s.faxId = commandLineText(value);
        else
            throw UsageError("--options: unknown key " + key);
    }
    return s;
}

CommandLine parseCommandLine(const std::vector<std::string>& args, const std::string& exeDir)
{
    CommandLine cl;
    EmulatorOptions& o = cl.options;
    Pending pending;
    std::string settingsList;

    auto describe = [&](StoredMessage m) {
        if (pending.id)
            m.id = *pending.id;
        if (pending.state)
            m.state = *pending.state;
        if (pending.received)
            m.received = pending.received;
        if (pending.size)
            m.size = *pending.size;
        if (pending.at) {
            m.block = pending.at->first;
            m.offset = pending.at->second;
        }
        pending = Pending{};
        return m;
    };
    auto addMessage = [&](StoredMessage m) { o.messages.push_back(describe(std::move(m))); };
    auto position = [](const std::string& arg, const std::string& what) {
        auto parts = split(arg, ':');
        if (parts.size() != 2)
            throw UsageError(what + " wants BLOCK:OFFSET");
        return std::pair{toInt(parts[0], what, 0, MessageMemory::kBlocks - 1),
                         toInt(parts[1], what, 0, MessageMemory::kBlockSize - 1)};
    };

    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&]() -> const std::string& {
            if (i + 1 >= args.size())
                throw UsageError(a + " needs a value");
            return args[++i];
        };
        if (a == "--help" || a == "-h") {
            cl.help = true;
        }
        else if (a == "--version") {
            cl.version = true;
        }
        else if (a == "--link") {
            o.linkPath = value();
        }
        else if (a == "--transcript") {
            o.transcriptFile = value();
        }
        else if (a == "--identity") {
            o.identity = value();
        }
        else if (a == "--baud") {
            o.baud = toInt(value(), a, 0, 10'000'000);
        }
        else if (a == "--clock-unset") {
            o.clockUnset = true;
        }
        else if (a == "--clock") {
            auto p = split(value(), ',');
            if (p.size() != 4)
                throw UsageError("--clock wants D,H,M,S");
            ClockValue v{toInt(p[0], a, 0, 254), toInt(p[1], a, 0, 23), toInt(p[2], a, 0, 59),
                         toInt(p[3], a, 0, 59)};
            o.clockStart = v;
        }
        else if (a == "--options") {
            settingsList += (settingsList.empty() ? "" : ",") + value();
        }
        else if (a == "--echo-off") {
            o.echo = false;
        }
        else if (a == "--start") {
            std::tie(o.startBlock, o.startOffset) = position(value(), a);
        }
        else if (a == "--voice") {
            addMessage(voiceMessage(readFileBytes(value())));
        }
        else if (a == "--fax") {
            std::vector<std::vector<std::uint8_t>> pages;
            for (const std::string& f : split(value(), ','))
                pages.push_back(readFileBytes(f));
            addMessage(faxMessage(pages));
        }
        else if (a == "--data") {
            addMessage(dataMessage(readFileBytes(value())));
        }
        else if (a == "--demo") {
            const fs::path folder = demoFolder(exeDir.empty() ? executableDir() : exeDir);
            if (folder.empty())
                throw UsageError("--demo: the demo messages are not installed (share/zarvo/demo)");
            int n = 0;
            for (const char* name : kDemoVoice) {
                pending.id = "Demo Sprache " + std::to_string(++n);
                addMessage(voiceMessage(readFileBytes((folder / name).string())));
            }
            std::vector<std::vector<std::uint8_t>> pages;
            for (const char* name : kDemoFax)
                pages.push_back(readFileBytes((folder / name).string()));
            pending.id = "Demo Fax";
            addMessage(faxMessage(pages));
        }
        else if (a == "--message") {
            const std::string& v = value();
            auto colon = v.find(':');
            if (colon == std::string::npos)
                throw UsageError("--message wants TYPE:FILE");
            int type = toInt(v.substr(0, colon), a, 0, 255);
            addMessage(rawMessage(type, readFileBytes(v.substr(colon + 1))));
        }
        else if (a == "--arrive") {
            o.arrivals.push_back(arrival(value()));
            o.arrivals.back().message = describe(std::move(o.arrivals.back().message));
        }
        else if (a == "--id") {
            pending.id = commandLineText(value());
        }
        else if (a == "--new" || a == "--listened" || a == "--downloaded") {
            pending.state = a == "--new" ? 255 : a == "--listened" ? 253 : 252;
        }
        else if (a == "--state") {
            pending.state = toInt(value(), a, 0, 255);
        }
        else if (a == "--time") {
            auto p = split(value(), ',');
            if (p.size() != 3)
                throw UsageError("--time wants D,H,M");
            pending.received =
                ClockValue{toInt(p[0], a, 0, 255), toInt(p[1], a, 0, 255), toInt(p[2], a, 0, 255), 0};
        }
        else if (a == "--size") {
            pending.size = toInt(value(), a, 0, 65535);
        }
        else if (a == "--at") {
            pending.at = position(value(), a);
        }
        else if (a == "--no-reply") {
            o.faults.noReply.match = value();
        }
        else if (a == "--late-reply") {
            auto p = split(value(), ':');
            if (p.size() != 2)
                throw UsageError("--late-reply wants TEXT:MS");
            o.faults.lateReply.match = p[0];
            o.faults.lateReplyMs = toInt(p[1], a, 0, 600'000);
        }
        else if (a == "--error-reply") {
            o.faults.error.match = value();
        }
        else if (a == "--bad-field") {
            auto p = split(value(), ':');
            o.faults.badField.match = p[0];
            if (p.size() > 1)
                o.faults.badFieldIndex = toInt(p[1], a, 1, 99);
            if (p.size() > 2)
                o.faults.badFieldText = p[2];
        }
        else if (a == "--cut-block") {
            o.faults.cutShort = blockFault(value(), a);
        }
        else if (a == "--ok-in-block") {
            o.faults.okInData = blockFault(value(), a);
        }
        else if (a == "--dead-in-block") {
            o.faults.lineDead = blockFault(value(), a);
        }
        else if (a == "--chunks") {
            auto p = split(value(), ':');
            if (p.size() != 2)
                throw UsageError("--chunks wants SIZE:PAUSE_MS");
            o.faults.chunkSize = std::size_t(toInt(p[0], a, 1, 1 << 20));
            o.faults.chunkPauseMs = toInt(p[1], a, 0, 60'000);
        }
        else {
            throw UsageError("unknown argument " + a);
        }
    }
    if (pending.any())
        throw UsageError("--id, --new, --listened, --downloaded, --state, --time, --size and --at "
                         "describe the message (or --arrive) that follows them; none follows");
    o.settings = parseSettings(settingsList, o.settings);
    return cl;
}

std::string usageText()
{
    return R"(Usage: zarvo-emulator --link PATH [options] [messages]
Serves an emulated US Robotics Message Modem on a pseudo-terminal reachable at PATH (a symbolic
link, removed on exit). Prints "ready PATH" when it serves; runs until SIGINT or SIGTERM.

Modem:
  --link PATH            symbolic link to the pty slave
  --identity TEXT        answer of "#MDL?" (default "U.S. Robotics 56K Message V.92")
  --baud N               pace the modem's output at N/10 bytes per second (default: unpaced)
  --clock D,H,M,S        start value of the modem clock (default: day of month and time of day)
  --clock-unset          "+MCC?" answers 255,255,255,255 until the clock is set
  --options LIST         self-mode settings, e.g. MCD=1,MCF=1,MCL=0,MCM=0,MCP=1234,MCR=4,MCV=1,MFI=ID
  --echo-off             start with E0 instead of E1
  --transcript FILE      append every received command line to FILE
  --start BLOCK:OFFSET   where the first message goes (default 0:0)

Messages (in directory order; the switches before a message describe it):
  --voice FILE.gsm       raw GSM 06.10 frames (sox -t gsm); size in seconds
  --fax P1.g3[,P2.g3...] raw T.4 pages (pbmtog3); size in pages
  --data FILE            a data message; size in bytes
  --message TYPE:FILE    any type byte, FILE stored shielded; size in bytes
  --id TEXT              identification of the next message
  --new | --listened | --downloaded | --state N    its state (255, 253, 252)
  --time D,H,M           its reception time by the modem clock (default: the clock at start)
  --size N               its directory size
  --at BLOCK:OFFSET      place its header there
  --demo                 the demo: two voice messages and a three-page fax, from share/zarvo/demo
                         of the installation (or data/demo of the source tree)
  --arrive WHEN:TYPE:FILE  a call the modem answers while serving (repeatable): WHEN is <n>s
                         (n seconds after start) or b<n> (right after the n-th block answer has
                         gone out); TYPE voice, fax or data, FILE as for --voice, --fax, --data.
                         It goes after the last message in memory, as new; its time is the clock's
                         reading then unless --time gave one

Program:
  --help                 this text
  --version              print "zarvo-emulator" and the version

Faults:
  --no-reply TEXT        swallow command lines containing TEXT
  --late-reply TEXT:MS   carry out command lines containing TEXT, answer them MS ms later
  --error-reply TEXT     answer ERROR to command lines containing TEXT
  --bad-field TEXT[:N[:VALUE]]  field N (default 1) of the value line becomes VALUE (default X7)
  --cut-block B:N        block B (or "any") ends after N data bytes, then OK
  --ok-in-block B:N      CR "OK" CR is written into block B at data offset N once it is read
  --dead-in-block B:N    the modem goes dead after N data bytes of block B
  --chunks SIZE:MS       write every reply in chunks of SIZE bytes, MS apart
)";
}

} // namespace zarvo::emu
