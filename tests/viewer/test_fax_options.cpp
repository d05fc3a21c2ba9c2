// SPDX-License-Identifier: GPL-3.0-or-later
// FAX.INI and the fax window options dialog: defaults, the number format of the user's locale, what
// OK and Cancel write, and the key filter of the three edits.

#include "EmulatorFixture.h" // TempProgramDir
#include "ScriptedMessages.h"
#include "common/IniProfile.h"
#include "viewer/UFROpt.h"

#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

namespace zarvo {
namespace {

const QLocale kGerman(QLocale::German, QLocale::Germany);
const QLocale kEnglish(QLocale::English, QLocale::UnitedStates);

QString ReadAll(const QString& file)
{
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? QString::fromLatin1(f.readAll()) : QString();
}

TEST(FaxOptions, MissingFileGivesDefaultsAndBadValuesFallBack)
{
    test::TempProgramDir home(1, QStringLiteral("/dev/null"));
    const FaxOptions o = LoadFaxOptions(home.path() + "/FAX.INI", kGerman);
    EXPECT_EQ(o.PrintZoom, 0);
    EXPECT_EQ(o.RandX, 0);
    EXPECT_EQ(o.FensterZoom, 1.0);
    EXPECT_EQ(o.Hoehemul, 1);
    EXPECT_EQ(o.FensterWidth, 576);
    EXPECT_EQ(o.FensterHeight, 400);

    QFile f(home.path() + "/FAX.INI");
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("[Druck]\r\nZoom=abc\r\nRandX=1.000,5\r\n[Faxfenster]\r\nZoom=0,75\r\nHoehemul=258\r\n");
    f.close();
    const FaxOptions p = LoadFaxOptions(f.fileName(), kGerman);
    EXPECT_EQ(p.PrintZoom, 0);
    EXPECT_EQ(p.RandX, 0); // group separators are no part of the written form
    EXPECT_EQ(p.FensterZoom, 0.75);
    EXPECT_EQ(p.Hoehemul, 2); // one byte wide
}

TEST(FaxOptions, FloatsUseTheLocaleSeparatorWithoutGrouping)
{
    EXPECT_EQ(FormatFloat(1.5, kGerman), "1,5");
    EXPECT_EQ(FormatFloat(150, kGerman), "150");
    EXPECT_EQ(FormatFloat(12345.25, kGerman), "12345,25");
    EXPECT_EQ(FormatFloat(0.1 * 3, kEnglish), "0.3");
    double v = 0;
    EXPECT_TRUE(ParseFloat(" 1,5 ", kGerman, v));
    EXPECT_EQ(v, 1.5);
    EXPECT_FALSE(ParseFloat("1.5", kGerman, v));
    EXPECT_FALSE(ParseFloat("", kGerman, v));
}

TEST(FaxOptionsDialog, OkStoresPrintValuesAndShowsThemAgain)
{
    test::TempProgramDir home(1, QStringLiteral("/dev/null"));
    {
        TfrmFROpt dialog(nullptr, kGerman);
        dialog.txtZoom->setText("150");
        dialog.txtX->setText("1,5");
        dialog.txtY->setText("2");
        dialog.CurWidth = 700;
        dialog.CurHeight = 500;
        dialog.CurZoom = 0.5;
        dialog.CurHoehemul = 2;
        dialog.btnOKClick();
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
        EXPECT_EQ(dialog.PrintZoom, 1.5);
        EXPECT_EQ(dialog.RandX, 150);
        EXPECT_EQ(dialog.RandY, 200);
        // In force at once, though neither box asked to keep them.
        EXPECT_EQ(dialog.FensterWidth, 700);
        EXPECT_EQ(dialog.FensterZoom, 0.5);
        EXPECT_EQ(dialog.Hoehemul, 2);
    }
    const QString ini = ReadAll(home.path() + "/FAX.INI");
    EXPECT_TRUE(ini.contains("Zoom=1,5")) << ini.toStdString();
    EXPECT_TRUE(ini.contains("RandX=150"));
    EXPECT_TRUE(ini.contains("RandY=200"));
    EXPECT_FALSE(ini.contains("Faxfenster")) << "only [Druck] with both boxes unchecked";

    TfrmFROpt again(nullptr, kGerman);
    EXPECT_EQ(again.txtZoom->text(), "150");
    EXPECT_EQ(again.txtX->text(), "1,5");
    EXPECT_EQ(again.txtY->text(), "2");
    EXPECT_EQ(again.FensterWidth, 576);
}

TEST(FaxOptionsDialog, CheckBoxesWriteWindowValuesAndCancelRestoresEdits)
{
    test::TempProgramDir home(1, QStringLiteral("/dev/null"));
    TfrmFROpt dialog(nullptr, kGerman);
    dialog.chkZoom->setChecked(true);
    dialog.chkFaxFen->setChecked(true);
    dialog.CurWidth = 640;
    dialog.CurHeight = 480;
    dialog.CurZoom = 0.25;
    dialog.CurHoehemul = 2;
    dialog.btnOKClick();
    const FaxOptions saved = LoadFaxOptions(home.path() + "/FAX.INI", kGerman);
    EXPECT_EQ(saved.FensterZoom, 0.25);
    EXPECT_EQ(saved.Hoehemul, 2);
    EXPECT_EQ(saved.FensterWidth, 640);
    EXPECT_EQ(saved.FensterHeight, 480);

    dialog.txtZoom->setText("999");
    dialog.btnCancelClick();
    EXPECT_EQ(dialog.txtZoom->text(), "0");
    EXPECT_EQ(dialog.PrintZoom, 0);
}

TEST(FaxOptionsDialog, UnparsableEditKeepsDialogOpenAndFileUnwritten)
{
    test::TempProgramDir home(1, QStringLiteral("/dev/null"));
    test::ScriptedMessages boxes;
    TfrmFROpt dialog(nullptr, kGerman);
    dialog.txtZoom->setText("50");
    dialog.txtX->setText("1,2,3");
    dialog.btnOKClick();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "'1,2,3' ist kein gültiger Gleitkommawert");
    EXPECT_EQ(dialog.PrintZoom, 0.5); // converted before the failure
    EXPECT_NE(dialog.result(), QDialog::Accepted);
    EXPECT_FALSE(QFile::exists(home.path() + "/FAX.INI"));
}

TEST(FaxOptionsDialog, KeyFilterPassesDigitsSeparatorAndBackspace)
{
    test::TempProgramDir home(1, QStringLiteral("/dev/null"));
    for (const QLocale& locale : {kGerman, kEnglish}) {
        TfrmFROpt dialog(nullptr, locale);
        QLineEdit* edit = dialog.txtX;
        edit->clear();
        QTest::keyClicks(edit, "1a.,5x");
        const QString expected = locale.decimalPoint() == "," ? "1,5" : "1.5";
        EXPECT_EQ(edit->text(), expected);
        QTest::keyClick(edit, Qt::Key_Backspace);
        EXPECT_EQ(edit->text(), expected.left(2));
    }
}

} // namespace
} // namespace zarvo
