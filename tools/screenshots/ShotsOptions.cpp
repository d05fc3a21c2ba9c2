// SPDX-License-Identifier: GPL-3.0-or-later
// The options dialog's pages.
#include "Shots.h"
#include "app/UOptionen.h"
#include "common/IniProfile.h"
#include "modem/PortList.h"
#include "modem/Zarvo.h"

namespace {

const QString kAdapter = QStringLiteral("/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0");

// The ports of a desk PC with a USB serial adapter, the modem's usual link, whatever this machine has.
zarvo::PortMachine DeskWithAdapter()
{
    zarvo::PortMachine m;
    m.ports = {{QStringLiteral("/dev/ttyS0"), {}, {}},
               {QStringLiteral("/dev/ttyUSB0"), QStringLiteral("FT232R USB UART"), QStringLiteral("FTDI")}};
    m.byId = {{kAdapter, QStringLiteral("/dev/ttyUSB0")}};
    m.resolve = [](const QString& path) {
        if (path == kAdapter)
            return QStringLiteral("/dev/ttyUSB0");
        return path.startsWith(QLatin1String("/dev/tty")) ? path : QString();
    };
    m.isCharDevice = [m](const QString& path) { return !m.resolve(path).isEmpty(); };
    return m;
}

} // namespace

static zarvo::shots::Register reg("options", [](zarvo::shots::Context& c) {
    zarvo::SetSystemPortMachine(DeskWithAdapter);
    zarvo::IniProfile(zarvo::TOptionen::SettingsFileName())
        .writeString(QStringLiteral("Ports"), QStringLiteral("COM2"), kAdapter);
    zarvo::IniProfile(zarvo::TOptionen::SettingsFileName())
        .writeString(QStringLiteral("Archiv"), QStringLiteral("Befehl"),
                     QStringLiteral("notify-send \"Neue Nachricht\""));
    zarvo::TZarvo zarvo;
    zarvo::TOpts opts;
    opts.ComPort = 2;
    opts.LineKabel = opts.DFUE = opts.Faxmon = opts.UnAbEn = opts.Autonachr = true;
    opts.AutonTi = 10;
    opts.ModemOptions.FaxRecv = opts.ModemOptions.VoiceRecv = opts.ModemOptions.DialupRetr = true;
    opts.ModemOptions.RingSetup = 4;
    opts.ModemOptions.DRPassword = QStringLiteral("1234");
    opts.ModemOptions.FaxId = QStringLiteral("+49 30 1234567");
    zarvo::TOptionen dialog(zarvo, opts);
    dialog.OptsToDialog(opts);
    const std::pair<zarvo::TOptionen::Page, const char*> pages[] = {
        {zarvo::TOptionen::Page::TSProg, "options-programm"},
        {zarvo::TOptionen::Page::TSHintergrund, "options-hintergrund"},
        {zarvo::TOptionen::Page::TSModem, "options-modem"},
        {zarvo::TOptionen::Page::TSArchiv, "options-archiv"}};
    for (const auto& [page, name] : pages) {
        dialog.SetActivePage(page);
        c.save(&dialog, QLatin1String(name));
    }
    zarvo::SetSystemPortMachine(nullptr);
});
