#include "app/UHauptImages.h"

#include <QString>

// The resource file lives in a static library: its registration has to be pulled in by name.
static void InitAppResources()
{
    static const bool done = [] {
        Q_INIT_RESOURCE(app);
        return true;
    }();
    (void)done;
}

namespace zarvo {

QIcon ImageList1(int index)
{
    static const char* const names[kImageCount] = {"voice", "fax",   "line-play", "line-stop", "flag",
                                                   "close", "erase", "reload",    "info",      "save"};
    InitAppResources();
    if (index < 0 || index >= kImageCount)
        return {};
    return QIcon(QStringLiteral(":/icons/%1.svg").arg(QLatin1String(names[index])));
}

QIcon ApplicationIcon()
{
    InitAppResources();
    return QIcon(QStringLiteral(":/icons/zarvo.svg"));
}

} // namespace zarvo
