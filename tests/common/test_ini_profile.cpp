// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/Errors.h"
#include "common/IniProfile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class IniProfileTest : public ::testing::Test {
  protected:
    QString path(const QString& name = QStringLiteral("ZARVO2.ini")) const { return dir.filePath(name); }
    void write(const QByteArray& text)
    {
        QFile f(path());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
    }
    QByteArray contents() const
    {
        QFile f(path());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    QTemporaryDir dir;
};

TEST_F(IniProfileTest, SectionsAndKeysIgnoreCaseAndValuesAreRaw)
{
    write("; comment\n[modem]\nCOMPORT = 3 \nExtFax=C:\\a b\\x.exe, \"quoted\" =x  \n"
          "Ports=a,b\n[Auto]\nDFUE=0\n");
    zarvo::IniProfile ini(path());
    EXPECT_EQ(ini.readInteger("Modem", "ComPort", 0), 3);
    EXPECT_EQ(ini.readString("MODEM", "extfax", "-"), QString("C:\\a b\\x.exe, \"quoted\" =x"));
    EXPECT_EQ(ini.readString("Modem", "Ports", "-"), QString("a,b"));
    EXPECT_EQ(ini.readString("Modem", "DFUE", "missing"), QString("missing")); // other section
    EXPECT_FALSE(ini.readBool("auto", "dfue", true));
}

TEST_F(IniProfileTest, IntegersReadAsDecimalPrefixElseDefault)
{
    write("[S]\na=12abc\nb=yes\nc=\nd=-7\ne= 2\nf=99999999999\n");
    zarvo::IniProfile ini(path());
    EXPECT_EQ(ini.readInteger("S", "a", 5), 12);
    EXPECT_EQ(ini.readInteger("S", "b", 5), 5);
    EXPECT_EQ(ini.readInteger("S", "c", 5), 5);
    EXPECT_EQ(ini.readInteger("S", "d", 5), -7);
    EXPECT_EQ(ini.readInteger("S", "e", 5), 2);
    EXPECT_EQ(ini.readInteger("S", "f", 5), INT_MAX);
    EXPECT_EQ(ini.readInteger("S", "missing", 5), 5);
    EXPECT_TRUE(ini.readBool("S", "b", true)); // "yes" is no number: the default
    EXPECT_TRUE(ini.readBool("S", "e", false));
}

TEST_F(IniProfileTest, MissingFileGivesDefaultsAndFirstWriteCreatesIt)
{
    zarvo::IniProfile ini(path());
    EXPECT_EQ(ini.readString("Prog", "ExtFax", "def"), QString("def"));
    ini.writeInteger("Prog", "FaxView", 2);
    EXPECT_EQ(contents(), QByteArray("[Prog]\nFaxView=2\n"));
}

TEST_F(IniProfileTest, WriteReplacesInPlaceAppendsToSectionAndKeepsEverythingElse)
{
    write("; top comment\r\n[Modem]\r\ncomport=1\r\n\r\n[Auto]\r\nDFUE=1\r\n; end\r\n");
    zarvo::IniProfile ini(path());
    ini.writeInteger("MODEM", "ComPort", 4);
    ini.writeBool("Modem", "LineKabel", true);
    ini.writeString("Prog", "ExtFax", "viewer, with comma");
    EXPECT_EQ(contents(), QByteArray("; top comment\r\n[Modem]\r\nComPort=4\r\nLineKabel=1\r\n\r\n[Auto]\r\n"
                                     "DFUE=1\r\n; end\r\n[Prog]\r\nExtFax=viewer, with comma\r\n"));
    EXPECT_EQ(ini.readString("prog", "extfax", ""), QString("viewer, with comma"));
}

TEST_F(IniProfileTest, SectionTwiceUsesTheFirst)
{
    write("[A]\nk=1\n[B]\nk=2\n[a]\nk=3\nj=4\n");
    zarvo::IniProfile ini(path());
    EXPECT_EQ(ini.readInteger("A", "k", 0), 1);
    EXPECT_EQ(ini.readInteger("A", "j", 0), 0);
    ini.writeInteger("A", "j", 5);
    EXPECT_EQ(contents(), QByteArray("[A]\nk=1\nj=5\n[B]\nk=2\n[a]\nk=3\nj=4\n"));
}

TEST_F(IniProfileTest, UnwritableFileRaisesTheMessageWithTheFileName)
{
    // A directory in place of the file cannot be written, not even by root.
    ASSERT_TRUE(QDir(dir.path()).mkdir("ZARVO2.ini"));
    zarvo::IniProfile ini(path());
    try {
        ini.writeString("Modem", "ComPort", "1");
        FAIL() << "no error raised";
    }
    catch (const zarvo::IniWriteError& e) {
        EXPECT_EQ(QString::fromStdString(e.what()), "In " + path() + " kann nicht geschrieben werden");
    }
}

TEST(StrToIntTest, StrictDecimal)
{
    EXPECT_EQ(zarvo::StrToInt("42"), 42);
    EXPECT_EQ(zarvo::StrToInt(" -3"), -3);
    EXPECT_EQ(zarvo::StrToInt("255"), 255);
    for (const char* bad : {"", "x", "12a", "1 ", "99999999999", "-"})
        EXPECT_THROW(zarvo::StrToInt(bad), zarvo::ConvertError) << bad;
    try {
        zarvo::StrToInt("1x");
    }
    catch (const zarvo::ConvertError& e) {
        EXPECT_STREQ(e.what(), "'1x' ist kein gültiger Integerwert");
    }
}

} // namespace
