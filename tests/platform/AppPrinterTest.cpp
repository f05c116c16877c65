#include "platform/AppPrinter.h"
#include "support/GuiApp.h"

#include <QFile>
#include <QPageSize>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class AppPrinterTest : public ::testing::Test
{
protected:
    void SetUp() override { GuiApp(); }
};

TEST_F(AppPrinterTest, OnePrinterForTheRunOnLetterPaper)
{
    QPrinter& printer = AppPrinter();
    EXPECT_EQ(&printer, &AppPrinter());
    EXPECT_EQ(printer.pageLayout().pageSize().id(), QPageSize::Letter);
    if (QPrinterInfo::availablePrinterNames().isEmpty()) {
        EXPECT_EQ(printer.outputFormat(), QPrinter::PdfFormat);
        EXPECT_FALSE(printer.outputFileName().isEmpty());
        EXPECT_EQ(SelectedPrinterName(printer), QString());
    } else {
        EXPECT_EQ(printer.outputFormat(), QPrinter::NativeFormat);
        EXPECT_EQ(SelectedPrinterName(printer), QPrinterInfo::defaultPrinterName());
    }
}

TEST_F(AppPrinterTest, NotedPrinterIsSelectedAgain)
{
    QPrinter printer;
    SelectPrinter(printer, QString());
    const QString noted = SelectedPrinterName(printer);
    // Whatever was picked meanwhile, selecting the noted one brings it back.
    SelectPrinter(printer, QStringLiteral("no such printer here"));
    SelectPrinter(printer, noted);
    EXPECT_EQ(SelectedPrinterName(printer), noted);
    for (const QString& name : QPrinterInfo::availablePrinterNames()) {
        SelectPrinter(printer, name);
        EXPECT_EQ(SelectedPrinterName(printer), name);
    }
}

TEST_F(AppPrinterTest, AVanishedPrinterFallsBackToOneThatWorks)
{
    QPrinter printer;
    SelectPrinter(printer, QStringLiteral("printer that was removed"));
    EXPECT_NE(SelectedPrinterName(printer), QStringLiteral("printer that was removed"));
    if (QPrinterInfo::availablePrinterNames().isEmpty()) {
        EXPECT_EQ(printer.outputFormat(), QPrinter::PdfFormat);
    }
}

TEST_F(AppPrinterTest, WithoutAPrinterPrintingWritesAPdfFile)
{
    if (!QPrinterInfo::availablePrinterNames().isEmpty())
        GTEST_SKIP() << "this machine has a printer";
    QTemporaryDir dir;
    QPrinter& printer = AppPrinter();
    const QString saved = printer.outputFileName();
    const QString path = dir.filePath(QStringLiteral("out.pdf"));
    printer.setOutputFileName(path);
    {
        QPainter painter;
        ASSERT_TRUE(painter.begin(&printer));
        painter.drawText(100, 100, QStringLiteral("SELECT * FROM EMP"));
        painter.end();
    }
    printer.setOutputFileName(saved);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.read(5) == "%PDF-");
}

} // namespace
