#include "app/core/StartMode.h"

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
    // The switch character is not examined, and each switch is a prefix test from the second
    // character on, as the command line reads them.
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString rest = arguments[i].toUpper().mid(1);
        if (rest.startsWith(u'H') || rest.startsWith(u'?') || rest.startsWith(QLatin1String("STP")) ||
            rest.startsWith(QLatin1String("DELETE")))
            return true;
    }
    return false;
}

QString NoDisplayMessage()
{
    return QString::fromUtf8("zarvo: Keine grafische Oberfläche gefunden (weder DISPLAY noch WAYLAND_DISPLAY "
                             "ist gesetzt).\nOhne Anzeige arbeitet Zarvo nur im Stapelbetrieb, zum Beispiel "
                             "mit /STP:<Pfad> oder /DELETE.");
}

} // namespace zarvo
