// The options dialog's three pages.
#include "Shots.h"
#include "app/UOptionen.h"
#include "modem/Zarvo.h"

static zarvo::shots::Register reg("options", [](zarvo::shots::Context& c) {
    zarvo::TZarvo zarvo;
    zarvo::TOpts opts;
    opts.ComPort = 1;
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
        {zarvo::TOptionen::Page::TSModem, "options-modem"}};
    for (const auto& [page, name] : pages) {
        dialog.SetActivePage(page);
        c.save(&dialog, QLatin1String(name));
    }
});
