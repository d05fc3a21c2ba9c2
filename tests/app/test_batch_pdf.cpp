// SPDX-License-Identifier: GPL-3.0-or-later
// The batch switch /PDF: headless runs of the real program against the emulated modem write
// MESS<n>.PDF beside MESS<n>.TIF, read back by poppler against the viewer's pages; a second run
// finds its own files, and a different file of that name is never replaced.
#include "BuildPaths.h"
#include "test_haupt_fixture.h"

#include "fax/CodeTable.h"
#include "fax/FullPageDecoder.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "TestFiles.h"

namespace zarvo::test {
namespace {

using zarvo::test::ReadFile;

const QString kProgram = QStringLiteral(ZARVO_BINARY_DIR "/src/app/zarvo");

void RunProcess(QProcess& p, const QString& program, const QStringList& arguments,
                const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment())
{
    p.setProcessEnvironment(environment);
    p.start(program, arguments);
    p.waitForFinished(120000);
}

struct BatchPdf : ::testing::Test {
    void SetUp() override
    {
        if (!QFile::exists(kProgram))
            GTEST_SKIP() << "zarvo is not built";
        emu::EmulatorOptions o;
        for (int k = 1; k <= 3; ++k)
            pages.push_back(readDemoFile(QStringLiteral("fax3-%1.g3").arg(k)));
        o.messages = {emu::faxMessage(pages), DemoVoice()};
        modem = std::make_unique<EmulatorFixture>(o, 1, "[Modem]\nComPort=1\n" + ModemOptSection());
        QFile::copy(QStringLiteral(ZARVO_SOURCE_DATADIR "/RFCG3.DAT"), modem->programDir() + "/RFCG3.DAT");
    }
    // A batch run without a display; its exit code.
    int batch(const QStringList& arguments)
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            environment.remove(QString::fromLatin1(name));
        environment.insert("ZARVO_HOME", modem->programDir());
        QProcess zarvo;
        RunProcess(zarvo, kProgram, arguments, environment);
        err = QString::fromLocal8Bit(zarvo.readAllStandardError());
        return zarvo.exitStatus() == QProcess::NormalExit ? zarvo.exitCode() : -1;
    }
    std::vector<std::vector<std::uint8_t>> pages;
    std::unique_ptr<EmulatorFixture> modem;
    QTemporaryDir out;
    QString err;
};

TEST_F(BatchPdf, WritesEveryFaxPageBesideTheTiffOnceAndNeverOverAnotherFile)
{
    ASSERT_EQ(batch({"/PDF", "/STP:" + out.path()}), 0) << err.toStdString(); // /PDF before /STP counts too
    const QString pdf = out.filePath("MESS1.PDF");
    EXPECT_TRUE(QFile::exists(out.filePath("MESS1.TIF")));
    EXPECT_FALSE(QFile::exists(out.filePath("MESS2.PDF"))) << "a voice message has no PDF";
    EXPECT_TRUE(ReadFile(out.filePath("Nachrichten.csv")).contains("MESS1.TIF,MESS1.PDF"));

    // poppler reads three pages whose images are the whole pages, row for row the TIFF's.
    QProcess images;
    RunProcess(images, "pdfimages", {pdf, out.filePath("img")});
    ASSERT_EQ(images.exitCode(), 0);
    CodeTable table;
    LoadCodeTable(table);
    for (int k = 0; k < 3; ++k) {
        const PageBitmap page = FullPageDecoder(table).decode(pages[static_cast<size_t>(k)]);
        const QByteArray pbm = QStringLiteral("P4\n%1 %2\n").arg(page.width).arg(page.height).toLatin1() +
                               QByteArray(reinterpret_cast<const char*>(page.bits.data()),
                                          static_cast<qsizetype>(page.bits.size()));
        EXPECT_EQ(ReadFile(out.filePath(QStringLiteral("img-00%1.pbm").arg(k))), pbm) << "page " << k + 1;
        QFile::remove(out.filePath(QStringLiteral("img-00%1.pbm").arg(k)));
    }

    // The same run again finds its own file; a different file of that name stays and fails the run.
    const QByteArray first = ReadFile(pdf);
    EXPECT_EQ(batch({"/STP:" + out.path(), "/pdf"}), 0) << err.toStdString();
    EXPECT_EQ(ReadFile(pdf), first);
    QFile::remove(pdf);
    {
        QFile other(pdf);
        ASSERT_TRUE(other.open(QIODevice::WriteOnly));
        other.write("ein anderes Fax");
    }
    EXPECT_EQ(batch({"/STP:" + out.path(), "/PDF", "/DELETE"}), 1);
    EXPECT_TRUE(err.contains("MESS1.PDF")) << err.toStdString();
    EXPECT_EQ(ReadFile(pdf), "ein anderes Fax");
    EXPECT_EQ(modem->emulator().directory().size(), 2u) << "nothing erased";
}

} // namespace
} // namespace zarvo::test
