// SPDX-License-Identifier: GPL-3.0-or-later
// Text recognition of fax pages: German business letters set at 10 to 12 pt, scanned as a fax
// machine would (fine 204 x 196 and normal 204 x 98 dpi, one of each with light noise). Prints the
// share of the letter's words found (recall) and the CPU seconds per page.
#include "FaxTextPage.h"

#include "ocr/FaxOcr.h"

#include <QFontInfo>
#include <QGuiApplication>

#include <sys/resource.h>

#include <cstdio>
#include <map>

namespace {

const QStringList kLetterA = {
    "Müller & Söhne GmbH, Industriestraße 12, 70565 Stuttgart",
    "Herrn Jürgen Weiß, Bahnhofstraße 4, 80335 München",
    "Stuttgart, den 14. März 2026",
    "Rechnung Nr. 2026-0417 über die Lieferung vom 2. März",
    "Sehr geehrter Herr Weiß,",
    "für die Lieferung der bestellten Ersatzteile erlauben wir uns, Ihnen",
    "folgende Beträge in Rechnung zu stellen. Die Ware wurde vollständig",
    "und termingerecht an Ihr Lager in Garching übergeben. Bitte prüfen Sie",
    "die Aufstellung und überweisen Sie den Gesamtbetrag von 4.812,50 Euro",
    "innerhalb von vierzehn Tagen auf unser Konto bei der Kreissparkasse.",
    "Bei Zahlung innerhalb von acht Tagen gewähren wir zwei Prozent Skonto.",
    "Sollten Sie Fragen zu einzelnen Positionen haben, erreichen Sie unsere",
    "Buchhaltung werktags zwischen acht und sechzehn Uhr unter der bekannten",
    "Telefonnummer. Wir danken für Ihren Auftrag und freuen uns auf die",
    "weitere Zusammenarbeit mit Ihrem Unternehmen.",
    "Mit freundlichen Grüßen",
    "Sabine Köhler, Vertrieb",
};

const QStringList kLetterB = {
    "Stadtwerke Oberndorf, Kundenservice, Postfach 1180, 78727 Oberndorf",
    "Frau Dr. Anna Schäfer, Lindenweg 9, 72108 Rottenburg",
    "Ihr Zeichen: AS/kl, unser Zeichen: KS-3391, Datum: 21.09.2026",
    "Betreff: Änderung Ihres Abschlags ab dem ersten Oktober",
    "Sehr geehrte Frau Dr. Schäfer,",
    "aufgrund der gestiegenen Beschaffungskosten müssen wir die monatlichen",
    "Abschläge für Strom und Wasser leider anpassen. Ihr neuer Abschlag",
    "beträgt ab Oktober 96 Euro statt bisher 84 Euro. Die Änderung gilt",
    "automatisch, Sie müssen nichts weiter veranlassen. Wenn Sie einen",
    "höheren oder niedrigeren Betrag wünschen, genügt ein kurzer Anruf oder",
    "eine Nachricht über unser Kundenportal. Die Jahresabrechnung erhalten",
    "Sie wie gewohnt im Januar; zu viel gezahlte Beträge erstatten wir",
    "selbstverständlich umgehend. Für Rückfragen stehen wir Ihnen gern zur",
    "Verfügung und verbleiben mit freundlichen Grüßen",
    "Ihre Stadtwerke Oberndorf",
};

// A word as compared: without the punctuation around it.
QString Bare(QString word)
{
    while (!word.isEmpty() && QString(",.;:()„“\"!?").contains(word.back()))
        word.chop(1);
    while (!word.isEmpty() && QString("(„\"").contains(word.front()))
        word.remove(0, 1);
    return word;
}

double CpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

struct Case {
    const char* name;
    const QStringList* letter;
    const char* family;
    double points;
    int linesPerInch;
    double noise;
};

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QGuiApplication app(argc, argv);
    for (const char* family : {"DejaVu Serif", "DejaVu Sans"}) {
        if (QFontInfo(QFont(family)).family() != family) {
            std::fprintf(stderr, "bench_ocr: font %s missing (Debian package fonts-dejavu-core)\n", family);
            return 1;
        }
    }
    const std::string reason = zarvo::OcrUnavailableReason();
    if (!reason.empty()) {
        std::fprintf(stderr, "bench_ocr: %s\n", reason.c_str());
        return 1;
    }
    const Case cases[] = {
        {"fine   11 pt serif", &kLetterA, "DejaVu Serif", 11, 196, 0},
        {"fine   10 pt sans ", &kLetterB, "DejaVu Sans", 10, 196, 0},
        {"normal 12 pt serif", &kLetterA, "DejaVu Serif", 12, 98, 0},
        {"normal 10 pt sans ", &kLetterB, "DejaVu Sans", 10, 98, 0},
        {"fine   10 pt serif, noise 0.3 %", &kLetterB, "DejaVu Serif", 10, 196, 0.003},
        {"normal 11 pt sans,  noise 0.3 %", &kLetterA, "DejaVu Sans", 11, 98, 0.003},
    };
    const double setupStart = CpuSeconds();
    zarvo::FaxOcr ocr;
    std::printf("engine set up (deu+eng): %.2f s CPU\n", CpuSeconds() - setupStart);
    for (const Case& c : cases) {
        const zarvo::test::FaxTextPage page =
            zarvo::test::RenderFaxText(*c.letter, c.family, c.points, c.linesPerInch, c.noise);
        const double start = CpuSeconds();
        const zarvo::OcrResult result = ocr.recognise(page.page, c.linesPerInch == 196);
        const double cpu = CpuSeconds() - start;
        if (!result.ok()) {
            std::printf("%s: %s\n", c.name, result.error.c_str());
            continue;
        }
        std::map<QString, int> found;
        for (const zarvo::OcrWord& word : result.page.words)
            ++found[Bare(QString::fromStdString(word.text))];
        int hits = 0, total = 0;
        QStringList missed;
        for (const zarvo::test::PlacedWord& word : page.words) {
            const QString bare = Bare(word.text);
            if (bare.isEmpty())
                continue;
            ++total;
            if (found[bare]-- > 0)
                ++hits;
            else
                missed << bare;
        }
        std::printf("%-32s recall %5.1f %% (%d of %d words), %.2f s CPU per page\n", c.name,
                    100.0 * hits / total, hits, total, cpu);
        if (!missed.isEmpty())
            std::printf("    missed: %s\n", qPrintable(missed.join(' ')));
    }
    return 0;
}
