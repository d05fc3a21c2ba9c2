// SPDX-License-Identifier: GPL-3.0-or-later
// The settings file ZARVO2.ini and the autostart entry.
#include "common/Errors.h"
#include "common/ProgramPaths.h"
#include "core/Settings.h"
#include "platform/Autostart.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace zarvo::test {
namespace {

class SettingsFile : public ::testing::Test {
  protected:
    QString file(const QByteArray& text)
    {
        QFile f(name);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
        return name;
    }
    QByteArray contents() const
    {
        QFile f(name);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("ZARVO2.ini"));
};

TOpts Defaults()
{
    TOpts o;
    o.LineKabel = o.DFUE = o.TOnline2 = o.Faxmon = o.Autonachr = o.UnAbEn = true;
    o.AutonTi = 10;
    o.ModemOptionsHeld = false; // no [ModemOpt]: the modem's own options count
    return o;
}

TEST_F(SettingsFile, EmptyOrMissingFileGivesTheDefaults)
{
    for (const QString& path : {file(""), dir.filePath(QStringLiteral("none.ini"))}) {
        TOpts o;
        LoadSettings(o, path);
        EXPECT_EQ(o, Defaults()) << path.toStdString();
    }
}

TEST_F(SettingsFile, ValuesInTheFilesForms)
{
    const struct {
        const char* text;
        bool lineKabel;
        int comPort;
    } cases[] = {{"LineKabel=yes\nComPort=300", true, 44},
                 {"LineKabel=2\nComPort=3", true, 3},
                 {"LineKabel=0\nComPort=x", false, 0}};
    for (const auto& c : cases) {
        TOpts o;
        LoadSettings(o, file(QByteArray("[Modem]\n") + c.text + "\n"));
        EXPECT_EQ(o.LineKabel, c.lineKabel) << c.text;
        EXPECT_EQ(o.ComPort, c.comPort) << c.text;
    }
}

TEST_F(SettingsFile, ModemOptionsDefaultToTheRecord)
{
    TOpts o;
    o.ModemOptions.RingSetup = 3;
    o.ModemOptions.FaxId = QStringLiteral("kept");
    LoadSettings(o, file("[modemopt]\nvoice_recv=1\nRing_setup=x\n"));
    EXPECT_EQ(o.ModemOptions.RingSetup, 3);
    EXPECT_EQ(o.ModemOptions.FaxId, QStringLiteral("kept"));
    EXPECT_TRUE(o.ModemOptions.VoiceRecv) << "names compare without case";
}

TOpts Unusual()
{
    TOpts o;
    o.ModemOptions = {true, false, false, true, QStringLiteral("4711"), 6, false, QStringLiteral("Zarvo 1")};
    o.ComPort = 9;
    o.ForcePort = o.TOnline2 = true;
    o.AutonTi = -5;
    o.FaxView = 2;
    o.ExtFax = QStringLiteral("/opt/fax viewer/bin/view");
    return o;
}

TEST_F(SettingsFile, SavedInOrderAndReadBackTheSame)
{
    SaveSettings(Unusual(), name);
    EXPECT_EQ(contents(),
              QByteArray("[ModemOpt]\nDialup_retr=1\nFax_recv=0\nLocal_Mode=0\nCall_Monitor=1\n"
                         "DR_Password=4711\nRing_setup=6\nVoice_recv=0\nFax_ID=Zarvo 1\n"
                         "[Modem]\nComPort=9\nLineKabel=0\nForcePort=1\n"
                         "[Auto]\nDFUE=0\nTOnline2=1\nFaxmon=0\nAutonachr=0\nAutonTi=-5\nUnAbEn=0\n"
                         "[Prog]\nFaxView=2\nExtFax=/opt/fax viewer/bin/view\n"));
    TOpts o = Defaults(); // nothing of the old record may leak through
    LoadSettings(o, name);
    EXPECT_EQ(o, Unusual());
}

// A line break in a value would become a line of its own that the file keeps: never written.
TEST_F(SettingsFile, LineBreaksInValuesAreNeverWritten)
{
    TOpts o = Unusual();
    o.ExtFax = QStringLiteral("view\r\n[Evil]\nComPort=3");
    o.ModemOptions.FaxId = QStringLiteral("a\nb");
    SaveSettings(o, name);
    EXPECT_TRUE(contents().contains("ExtFax=view[Evil]ComPort=3\n"));
    EXPECT_EQ(contents().count('\n'), 23) << "one line per key and section";
    TOpts back;
    LoadSettings(back, name);
    EXPECT_EQ(back.ModemOptions.FaxId, QStringLiteral("ab"));
    EXPECT_EQ(back.ComPort, 9);

    QFile::remove(name);
    o.ModemOptionsHeld = false; // defaults standing in for the modem's options are never saved
    SaveSettings(o, name);
    EXPECT_FALSE(contents().contains("[ModemOpt]"));
}

TEST_F(SettingsFile, UnwritableFileRaisesTheWriteError)
{
    const QString path = dir.filePath(QStringLiteral("missing/ZARVO2.ini"));
    try {
        SaveSettings(Unusual(), path);
        ADD_FAILURE() << "no error";
    }
    catch (const IniWriteError& e) {
        EXPECT_EQ(QString::fromStdString(e.what()),
                  QStringLiteral("In %1 kann nicht geschrieben werden").arg(path));
    }
}

class AutostartEntry : public ::testing::Test {
  protected:
    void SetUp() override { qputenv("XDG_CONFIG_HOME", dir.path().toUtf8()); }
    void TearDown() override
    {
        if (hadConfig)
            qputenv("XDG_CONFIG_HOME", savedConfig);
        else
            qunsetenv("XDG_CONFIG_HOME");
    }
    QTemporaryDir dir;
    const QString entry = dir.filePath(QStringLiteral("autostart/ZARVO2.desktop"));

  private:
    const bool hadConfig = qEnvironmentVariableIsSet("XDG_CONFIG_HOME");
    const QByteArray savedConfig = qgetenv("XDG_CONFIG_HOME");
};

TEST_F(AutostartEntry, OnWritesTheEntryAndOffRemovesIt)
{
    EXPECT_EQ(AutostartEntryPath(), entry);
    AutostartOn();
    QFile f(entry);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = f.readAll().split('\n');
    EXPECT_EQ(lines.value(0), "[Desktop Entry]");
    EXPECT_TRUE(lines.contains("Exec=" + ProgramPaths::executablePath().toUtf8() + " /AUTORUN"));
    AutostartOff();
    EXPECT_FALSE(QFileInfo::exists(entry));
    AutostartOff(); // already gone: nothing happens
}

TEST_F(AutostartEntry, FailuresStaySilent)
{
    QFile blocker(dir.filePath(QStringLiteral("autostart"))); // a file where the folder belongs
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    EXPECT_NO_THROW(AutostartOn());
    EXPECT_NO_THROW(AutostartOff());
    EXPECT_TRUE(QFileInfo(blocker.fileName()).isFile());
    qputenv("XDG_CONFIG_HOME", "relative/dir"); // not absolute: ignored
    EXPECT_EQ(AutostartEntryPath(), QDir::homePath() + QStringLiteral("/.config/autostart/ZARVO2.desktop"));
}

TEST(AutostartExecLine, QuotesOnlyWhereTheFormatNeedsIt)
{
    const char* cases[][2] = {{"/usr/bin/zarvo", "/usr/bin/zarvo /AUTORUN"},
                              {"/x/100%/a b$", "\"/x/100%%/a b\\$\" /AUTORUN"}};
    for (const auto& c : cases)
        EXPECT_EQ(AutostartExecLine(QString::fromUtf8(c[0])), QString::fromUtf8(c[1])) << c[0];
}

} // namespace
} // namespace zarvo::test
