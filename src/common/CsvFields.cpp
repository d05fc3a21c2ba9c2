// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/CsvFields.h"

namespace zarvo::csv {

namespace {

// The apostrophe itself is among them, so that reading can take the added one off again.
bool looksLikeFormula(QStringView text)
{
    return !text.isEmpty() && QStringView(u"=+-@'").contains(text.front());
}

} // namespace

QString field(const QString& text)
{
    const bool formula = looksLikeFormula(text);
    if (!formula && !text.contains(u';') && !text.contains(u'"') && !text.contains(u'\n') &&
        !text.contains(u'\r'))
        return text;
    QString q = text;
    q.replace(u'"', QStringLiteral("\"\""));
    return (formula ? QStringLiteral("\"'") : QStringLiteral("\"")) + q + u'"';
}

QStringList split(QStringView record)
{
    QStringList fields;
    QString current;
    bool quoted = false;
    bool wasQuoted = false;
    const auto finish = [&] {
        if (wasQuoted && current.size() >= 2 && current.front() == u'\'' &&
            looksLikeFormula(QStringView(current).mid(1)))
            current.remove(0, 1);
        fields << current;
        current.clear();
        wasQuoted = false;
    };
    for (qsizetype i = 0; i < record.size(); ++i) {
        const QChar c = record[i];
        if (quoted) {
            if (c == u'"' && i + 1 < record.size() && record[i + 1] == u'"') {
                current += c;
                ++i;
            }
            else if (c == u'"')
                quoted = false;
            else
                current += c;
        }
        else if (c == u'"') {
            quoted = true;
            wasQuoted = wasQuoted || current.isEmpty();
        }
        else if (c == u';')
            finish();
        else
            current += c;
    }
    finish();
    return fields;
}

} // namespace zarvo::csv
