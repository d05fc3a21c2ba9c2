// SPDX-License-Identifier: GPL-3.0-or-later
// The fax viewer's save command as PDF: every page of the fax, under the name the filter gives.

#include "EmulatorFixture.h" // TempProgramDir, readDemoFile
#include "fax/FaxDocument.h"
#include "viewer/FRHaupt.h"
#include "viewer/ViewerDialogs.h"

#include <QAction>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace zarvo {
namespace {

class FaxViewSaveTest : public ::testing::Test {
  protected:
    void TearDown() override { ResetDialogs(); }
    test::TempProgramDir home{1, QStringLiteral("/dev/null")};
};

TEST_F(FaxViewSaveTest, PdfFilterWritesEveryPage)
{
    TFaxView view;
    view.show();
    const std::vector<FaxBytes> pages = {test::readDemoFile("fax3-1.g3"), test::readDemoFile("fax3-2.g3"),
                                         test::readDemoFile("fax3-3.g3")};
    view.DecodeFax(JoinFaxPages(pages));
    QTemporaryDir dir;
    Dialogs().saveFile = [&](QWidget*, int& filter) {
        filter = 5; // "PDF-Dokument (*.pdf)"
        return dir.filePath(QStringLiteral("fax.txt"));
    };
    view.Save_file->trigger();
    QProcess info;
    info.start(QStringLiteral("pdfinfo"), {dir.filePath(QStringLiteral("fax.pdf"))});
    ASSERT_TRUE(info.waitForFinished(60000));
    EXPECT_TRUE(info.readAllStandardOutput().contains("Pages:           3"));
    EXPECT_EQ(view.Doc.CurrentPage, 0); // saving changes nothing
}

} // namespace
} // namespace zarvo
