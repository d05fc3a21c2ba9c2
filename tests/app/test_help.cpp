// SPDX-License-Identifier: GPL-3.0-or-later
// Help access: finding the pages once, topics with anchors, the message without pages.
#include "ScriptedMessages.h"
#include "app/HelpAccess.h"
#include "app/UOptionen.h"
#include "common/ProgramPaths.h"
#include "modem/Zarvo.h"

#include <QFile>
#include <QPushButton>
#include <QRegularExpression>
#include <gtest/gtest.h>

namespace zarvo::test {
namespace {

class HelpTest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        FreeHtmlHelp();
        SetHelpUrlOpener([this](const QUrl& u) {
            opened.push_back(u);
            return true;
        });
    }
    void TearDown() override
    {
        SetHelpUrlOpener({});
        SetHelpDataLocator({});
        FreeHtmlHelp();
    }
    std::vector<QUrl> opened;
    ScriptedMessages boxes;
};

TEST_F(HelpTest, LooksForThePagesOnceAndOpensTopicsWithTheirAnchor)
{
    const int before = HelpLoadCount();
    ASSERT_TRUE(LoadHtmlHelp());
    ASSERT_TRUE(LoadHtmlHelp());
    EXPECT_EQ(HelpLoadCount(), before + 1);

    ShowHelpTopic(nullptr, QStringLiteral("optdlg.htm#hintergrund"));
    ShowHelpTopic(nullptr, QStringLiteral("sprfen.htm"));
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_TRUE(QFile::exists(opened[0].toLocalFile()));
    EXPECT_EQ(opened[0].fragment(), QStringLiteral("hintergrund"));
    EXPECT_TRUE(opened[1].toLocalFile().endsWith(QStringLiteral("/sprfen.htm")));
    EXPECT_FALSE(opened[1].hasFragment());
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(HelpTest, WithoutABrowserTheMessageNamesThePage)
{
    SetHelpUrlOpener([](const QUrl&) { return false; });
    ShowHelpTopic(nullptr, QStringLiteral("optdlg.htm#modme"));
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_TRUE(boxes.shown[0].text.endsWith(QStringLiteral("/help/optdlg.htm#modme"))) // the anchor too
        << boxes.shown[0].text.toStdString();
}

TEST_F(HelpTest, EveryTopicInUseExistsWithItsAnchor)
{
    const char* topics[] = {"hauptfen.htm",           "sprfen.htm",      "archiv.htm", "optdlg.htm#programm",
                            "optdlg.htm#hintergrund", "optdlg.htm#modme"};
    for (const char* topic : topics) {
        const QUrl url = HelpTopicUrl(QLatin1String(topic));
        QFile page(url.toLocalFile());
        ASSERT_TRUE(page.open(QIODevice::ReadOnly)) << topic;
        const QString html = QString::fromUtf8(page.readAll());
        EXPECT_TRUE(html.contains(QStringLiteral("lang=\"de\""))) << topic;
        if (url.hasFragment()) {
            EXPECT_TRUE(html.contains(QStringLiteral("id=\"%1\"").arg(url.fragment()))) << topic;
        }
        // Links between the pages must lead somewhere.
        const QRegularExpression link(QStringLiteral("href=\"([a-z]+\\.htm)"));
        for (auto m = link.globalMatch(html); m.hasNext();) {
            const QString target = m.next().captured(1);
            EXPECT_FALSE(ProgramPaths::findData(QStringLiteral("help/") + target).isEmpty())
                << target.toStdString();
        }
    }
}

TEST_F(HelpTest, WithoutPagesEveryTopicShowsTheMessage)
{
    SetHelpDataLocator([](const QString&) { return QString(); });
    FreeHtmlHelp();
    EXPECT_FALSE(LoadHtmlHelp());
    ShowHelpTopic(nullptr, QStringLiteral("hauptfen.htm"));
    EXPECT_TRUE(opened.empty());
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text,
              QStringLiteral("HTML Hilfe nicht integriert (bei Microsoft herunterladbar)"));
    EXPECT_TRUE(HelpTopicUrl(QStringLiteral("sprfen.htm")).isEmpty());

    // The options dialog's help button says the same and the dialog stays open.
    TZarvo zarvo;
    TOpts opts;
    TOptionen dialog(zarvo, opts);
    dialog.ModalHook = [&](TOptionen& d) {
        d.findChild<QPushButton*>(QStringLiteral("BitBtn1"))->click();
        EXPECT_TRUE(d.isVisible());
        return 0;
    };
    dialog.ShowModal();
    EXPECT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(boxes.shown.back().text, boxes.shown.front().text);
}

} // namespace
} // namespace zarvo::test
