// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/FaxOptions.h"

#include "common/Errors.h"
#include "common/IniProfile.h"

namespace zarvo {

namespace {

QLocale Plain(QLocale locale)
{
    locale.setNumberOptions(QLocale::OmitGroupSeparator | QLocale::RejectGroupSeparator);
    return locale;
}

double ReadFloat(const IniProfile& ini, const QString& section, const QString& key, double def,
                 const QLocale& locale)
{
    double value = def;
    const QString text = ini.readString(section, key, QString());
    return ParseFloat(text, locale, value) ? value : def;
}

} // namespace

QString FormatFloat(double value, const QLocale& locale)
{
    // Fifteen significant digits, as a double holds them; trailing zeros dropped.
    return Plain(locale).toString(value, 'g', 15);
}

bool ParseFloat(const QString& text, const QLocale& locale, double& value)
{
    bool ok = false;
    const double parsed = Plain(locale).toDouble(text.trimmed(), &ok);
    if (ok)
        value = parsed;
    return ok;
}

double StrToFloat(const QString& text, const QLocale& locale)
{
    double value = 0;
    if (!ParseFloat(text, locale, value))
        throw ConvertError(("'" + text + "' ist kein gültiger Gleitkommawert").toStdString());
    return value;
}

FaxOptions LoadFaxOptions(const QString& fileName, const QLocale& locale)
{
    const IniProfile ini(fileName);
    const FaxOptions defaults;
    FaxOptions o;
    o.PrintZoom = ReadFloat(ini, QStringLiteral("Druck"), QStringLiteral("Zoom"), defaults.PrintZoom, locale);
    o.RandX = ReadFloat(ini, QStringLiteral("Druck"), QStringLiteral("RandX"), defaults.RandX, locale);
    o.RandY = ReadFloat(ini, QStringLiteral("Druck"), QStringLiteral("RandY"), defaults.RandY, locale);
    o.FensterZoom =
        ReadFloat(ini, QStringLiteral("Faxfenster"), QStringLiteral("Zoom"), defaults.FensterZoom, locale);
    // The field is one byte wide: larger numbers keep their low byte.
    o.Hoehemul =
        static_cast<quint8>(ini.readInteger(QStringLiteral("Faxfenster"), QStringLiteral("Hoehemul"), 1));
    o.FensterWidth =
        ini.readInteger(QStringLiteral("Faxfenster"), QStringLiteral("Width"), defaults.FensterWidth);
    o.FensterHeight =
        ini.readInteger(QStringLiteral("Faxfenster"), QStringLiteral("Height"), defaults.FensterHeight);
    return o;
}

void SaveFaxOptions(const QString& fileName, const FaxOptions& o, bool saveZoom, bool saveSize,
                    const QLocale& locale)
{
    IniProfile ini(fileName);
    ini.writeString(QStringLiteral("Druck"), QStringLiteral("Zoom"), FormatFloat(o.PrintZoom, locale));
    ini.writeString(QStringLiteral("Druck"), QStringLiteral("RandX"), FormatFloat(o.RandX, locale));
    ini.writeString(QStringLiteral("Druck"), QStringLiteral("RandY"), FormatFloat(o.RandY, locale));
    if (saveZoom) {
        ini.writeString(QStringLiteral("Faxfenster"), QStringLiteral("Zoom"),
                        FormatFloat(o.FensterZoom, locale));
        ini.writeInteger(QStringLiteral("Faxfenster"), QStringLiteral("Hoehemul"), o.Hoehemul);
    }
    if (saveSize) {
        ini.writeInteger(QStringLiteral("Faxfenster"), QStringLiteral("Width"), o.FensterWidth);
        ini.writeInteger(QStringLiteral("Faxfenster"), QStringLiteral("Height"), o.FensterHeight);
    }
}

} // namespace zarvo
