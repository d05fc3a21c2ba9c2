// The fax viewer's save command: every file type the dialog offers, the PDF with all pages.

#include "EmulatorFixture.h" // TempProgramDir, readDemoFile
#include "fax/FaxDocument.h"
#include "viewer/FRHaupt.h"
#include "viewer/ViewerDialogs.h"

#include <QAction>
#include <QFile>
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

TEST_F(FaxViewSaveTest, EachFilterWritesItsTypeAndPdfHoldsEveryPage)
{
    TFaxView view;
    view.show();
    const std::vector<FaxBytes> pages = {test::readDemoFile("fax3-1.g3"), test::readDemoFile("fax3-2.g3"),
                                         test::readDemoFile("fax3-3.g3")};
    view.DecodeFax(JoinFaxPages(pages));
    QTemporaryDir dir;
    struct Case {
        int filter;
        QString written;
        QByteArray start; // the first bytes of the file
    } const cases[] = {
        {1, "fax.UFR", QByteArray(reinterpret_cast<const char*>(view.Doc.FaxData.data()), 4)},
        {3, "fax.BMP", "BM"},
        {5, "fax.pdf", "%PDF-1.4"},
    };
    for (const Case& c : cases) {
        Dialogs().saveFile = [&](QWidget*, int& filter) {
            filter = c.filter;
            return dir.filePath(QStringLiteral("fax.txt"));
        };
        view.Save_file->trigger();
        QFile f(dir.filePath(c.written));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << c.written.toStdString();
        EXPECT_TRUE(f.readAll().startsWith(c.start)) << c.written.toStdString();
    }
    QProcess info;
    info.start(QStringLiteral("pdfinfo"), {dir.filePath(QStringLiteral("fax.pdf"))});
    ASSERT_TRUE(info.waitForFinished(60000));
    EXPECT_TRUE(info.readAllStandardOutput().contains("Pages:           3"));
    EXPECT_EQ(view.Doc.CurrentPage, 0); // saving changes nothing
}

} // namespace
} // namespace zarvo
