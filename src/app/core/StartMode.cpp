#include "app/core/StartMode.h"

#include "app/core/CommandLine.h"

#include <QtGlobal>

namespace zarvo {

bool HasDisplay(const std::function<QByteArray(const char*)>& variable)
{
    const auto read = variable ? variable : [](const char* name) { return qgetenv(name); };
    return !read("DISPLAY").isEmpty() || !read("WAYLAND_DISPLAY").isEmpty() ||
           !read("QT_QPA_PLATFORM").isEmpty();
}

bool IsBatchRun(const QStringList& arguments)
{
    return IsBatchRun(ParseCommandLine(arguments.mid(1)));
}

QString NoDisplayMessage()
{
    return QString::fromUtf8("zarvo: Keine grafische Oberfläche gefunden (weder DISPLAY noch WAYLAND_DISPLAY "
                             "ist gesetzt).\nOhne Anzeige arbeitet Zarvo nur im Stapelbetrieb, zum Beispiel "
                             "mit /STP:<Pfad> oder /DELETE.");
}

} // namespace zarvo
