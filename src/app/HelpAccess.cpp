// SPDX-License-Identifier: GPL-3.0-or-later
// Help pages in the desktop's browser.
#include "app/HelpAccess.h"

#include "common/MessageSeam.h"
#include "common/ProgramPaths.h"

#include <QDesktopServices>
#include <QFileInfo>

namespace zarvo {
namespace {

struct HelpState {
    bool loaded = false;
    bool available = false;
    QString dir; // folder holding the pages
    int loads = 0;
    HelpUrlOpener opener;
    HelpDataLocator locator;
};

HelpState& State()
{
    static HelpState state;
    return state;
}

// The page every topic's folder is recognised by.
const QString kIndexPage = QStringLiteral("help/hauptfen.htm");

} // namespace

bool LoadHtmlHelp()
{
    HelpState& s = State();
    if (!s.loaded) {
        s.loaded = true;
        ++s.loads;
        const QString index = s.locator ? s.locator(kIndexPage) : ProgramPaths::findData(kIndexPage);
        s.available = !index.isEmpty();
        s.dir = s.available ? QFileInfo(index).absolutePath() : QString();
    }
    return s.available;
}

void FreeHtmlHelp()
{
    HelpState& s = State();
    s.loaded = false;
    s.available = false;
    s.dir.clear();
}

QUrl HelpTopicUrl(const QString& topic)
{
    if (!LoadHtmlHelp())
        return {};
    const qsizetype hash = topic.indexOf(u'#');
    const QString page = hash < 0 ? topic : topic.left(hash);
    QUrl url = QUrl::fromLocalFile(State().dir + u'/' + page);
    if (hash >= 0)
        url.setFragment(topic.mid(hash + 1));
    return url;
}

void ShowHelpTopic(QWidget* window, const QString& topic)
{
    Q_UNUSED(window);
    if (!LoadHtmlHelp()) {
        Messages().information(kAppCaption,
                               QStringLiteral("HTML Hilfe nicht integriert (bei Microsoft herunterladbar)"));
        return;
    }
    // A missing page or anchor is the browser's matter, as it was the help viewer's.
    const QUrl url = HelpTopicUrl(topic);
    const HelpUrlOpener& opener = State().opener;
    const bool shown = opener ? opener(url) : QDesktopServices::openUrl(url);
    // Without a browser the user would otherwise see nothing at all: say where the page is.
    if (!shown)
        Messages().information(
            kAppCaption, QStringLiteral("Die Hilfe kann nicht angezeigt werden, weil kein "
                                        "Browser gefunden wurde. Die Hilfeseite liegt hier:\r") +
                             url.toLocalFile() + (url.hasFragment() ? u'#' + url.fragment() : QString()));
}

void SetHelpUrlOpener(HelpUrlOpener opener)
{
    State().opener = std::move(opener);
}

void SetHelpDataLocator(HelpDataLocator locator)
{
    State().locator = std::move(locator);
}

int HelpLoadCount()
{
    return State().loads;
}

} // namespace zarvo
