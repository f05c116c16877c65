#include "app/About.h"
#include "platform/VersionInfo.h"
#include "support/ElfFixture.h"
#include "support/GuiApp.h"

#include "ProductInfo.h"

#include <QFontInfo>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

const char* const kValueNames[] = {"LBL_Developer",      "LBL_LegalCopyright", "LBL_ProductName",
                                   "LBL_ProductVersion", "LBL_EMail",          "LBL_HomePage"};

class AboutTest : public ::testing::Test
{
protected:
    void SetUp() override { GuiApp(); }

    QString program(const QList<VersionStringTable>& tables)
    {
        const QString path = dir.filePath(QStringLiteral("program%1").arg(++m_count));
        QList<QPair<QByteArray, QByteArray>> sections{{".text", QByteArray(32, '\xc3')}};
        if (!tables.isEmpty())
            sections.append({".vemra_version", EncodeVersionBlock(tables)});
        WriteFixtureFile(path, MakeElfFile(sections));
        return path;
    }

    static QStringList Values(const TFRM_About& about)
    {
        QStringList texts;
        for (const char* name : kValueNames) {
            const auto* label = about.findChild<QLabel*>(QString::fromLatin1(name));
            texts.append(label ? label->text() : QStringLiteral("<missing>"));
        }
        return texts;
    }

    QTemporaryDir dir;

private:
    int m_count = 0;
};

TEST_F(AboutTest, ShowsTheRunningProgramsOwnVersionBlock)
{
    const TFRM_About about;
    EXPECT_EQ(Values(about), (QStringList{QString::fromUtf8(ProductInfo::kDeveloper),
                                          QString::fromUtf8(ProductInfo::kLegalCopyright),
                                          QString::fromUtf8(ProductInfo::kProductName),
                                          QString::fromUtf8(ProductInfo::kProductVersion),
                                          QString::fromUtf8(ProductInfo::kEMail),
                                          QString::fromUtf8(ProductInfo::kHomePage)}));
}

TEST_F(AboutTest, OnlyStandardKeysLeaveDeveloperEmailAndHomePageEmpty)
{
    const TFRM_About about(program({{QStringLiteral("040904E4"),
                                     {{QStringLiteral("ProductName"), QStringLiteral("Query Tool")},
                                      {QStringLiteral("LegalCopyright"), QStringLiteral("(C) Someone")},
                                      {QStringLiteral("ProductVersion"), QStringLiteral("4.2")}}}}));
    EXPECT_EQ(Values(about),
              (QStringList{QString(), QStringLiteral("(C) Someone"), QStringLiteral("Query Tool"),
                           QStringLiteral("4.2"), QString(), QString()}));
}

TEST_F(AboutTest, WithoutVersionInformationEveryLabelShowsItsOwnName)
{
    const TFRM_About about(program({}));
    QStringList names;
    for (const char* name : kValueNames)
        names.append(QString::fromLatin1(name));
    EXPECT_EQ(Values(about), names);

    const TFRM_About missing(dir.filePath(QStringLiteral("no such file")));
    EXPECT_EQ(Values(missing), names);
}

TEST_F(AboutTest, AnotherLanguageOnlyLeavesEveryLabelEmpty)
{
    const TFRM_About about(program({{QStringLiteral("040704B0"),
                                     {{QStringLiteral("Developer"), QStringLiteral("Entwickler")},
                                      {QStringLiteral("ProductName"), QStringLiteral("Abfragewerkzeug")}}}}));
    EXPECT_EQ(Values(about), QStringList(6, QString()));
}

TEST_F(AboutTest, IsLaidOutAsAFixedDialog)
{
    TFRM_About about(program({}));
    EXPECT_EQ(about.windowTitle(), QStringLiteral("About"));
    EXPECT_EQ(about.size(), QSize(395, 240));
    EXPECT_EQ(about.minimumSize(), about.maximumSize());

    auto* panel = about.findChild<QFrame*>(QStringLiteral("PNL_About"));
    ASSERT_NE(panel, nullptr);
    EXPECT_NE(panel->frameShape(), QFrame::NoFrame);

    auto* logo = about.findChild<QLabel*>(QStringLiteral("IMG_Logo"));
    ASSERT_NE(logo, nullptr);
    EXPECT_EQ(logo->size(), QSize(85, 78));
    EXPECT_FALSE(logo->pixmap().isNull());
    auto* icon = about.findChild<QLabel*>(QStringLiteral("IMG_ProgramIcon"));
    ASSERT_NE(icon, nullptr);
    EXPECT_FALSE(icon->pixmap().isNull());

    const QStringList captions{QStringLiteral("Developer:"),    QStringLiteral("Copyright:"),
                               QStringLiteral("Product Name:"), QStringLiteral("Version:"),
                               QStringLiteral("Email:"),        QStringLiteral("Home Page:")};
    int previousTop = logo->geometry().bottom();
    for (int i = 0; i < 6; ++i) {
        const QString valueName = QString::fromLatin1(kValueNames[i]);
        auto* caption = about.findChild<QLabel*>(valueName + QStringLiteral("Caption"));
        auto* value = about.findChild<QLabel*>(valueName);
        ASSERT_NE(caption, nullptr);
        ASSERT_NE(value, nullptr);
        EXPECT_EQ(caption->text(), captions[i]);
        // Rows below the pictures, top to bottom, the caption on the left of its value.
        EXPECT_GT(caption->y(), previousTop);
        EXPECT_EQ(caption->y(), value->y());
        EXPECT_LT(caption->geometry().right(), value->x());
        previousTop = caption->y();
        EXPECT_TRUE(caption->font().bold());
        EXPECT_FALSE(value->font().bold());
        for (QLabel* label : {caption, value}) {
            EXPECT_TRUE(QFontInfo(label->font()).fixedPitch()) << label->objectName().toStdString();
            EXPECT_EQ(label->palette().color(QPalette::WindowText), QColor(0, 0, 255));
            EXPECT_TRUE(panel->geometry().contains(label->geometry().translated(panel->pos())));
        }
    }

    auto* ok = about.findChild<QPushButton*>(QStringLiteral("OKButton"));
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(ok->text(), QStringLiteral("OK"));
    EXPECT_TRUE(ok->isDefault());
    EXPECT_GT(ok->y(), panel->geometry().bottom());
}

TEST_F(AboutTest, OkEscapeAndTheTitleBarOnlyHideIt)
{
    TFRM_About about(program({}));
    QPointer<TFRM_About> alive(&about);
    about.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&about));
    EXPECT_FALSE(about.isModal());
    QTest::mouseClick(about.OKButton, Qt::LeftButton);
    EXPECT_FALSE(about.isVisible());

    about.show();
    QTest::keyClick(&about, Qt::Key_Escape);
    EXPECT_FALSE(about.isVisible());

    about.show();
    EXPECT_TRUE(about.close());
    EXPECT_FALSE(about.isVisible());
    QCoreApplication::processEvents();
    EXPECT_FALSE(alive.isNull());

    // Shown again, with the same texts it got at creation.
    about.show();
    EXPECT_TRUE(about.isVisible());
    EXPECT_EQ(about.LBL_Developer->text(), QStringLiteral("LBL_Developer"));
}

} // namespace
