// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/GermanLocale.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace zarvo {

void UseGermanLocale()
{
    const QLocale system = QLocale::system();
    const QLocale german =
        system.language() == QLocale::German ? system : QLocale(QLocale::German, QLocale::Germany);
    QLocale::setDefault(german);
    auto* translator = new QTranslator(QCoreApplication::instance());
    if (translator->load(german, QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(translator);
    else
        delete translator;
}

} // namespace zarvo
