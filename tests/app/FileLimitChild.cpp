// For the tests only: the program as start-up builds it, run by a test under a file size limit.
// It logs in to Sample, loads the file named first, waits until the editor's text has been kept
// (or refused), saves the editor to the file named second, and says on a line of its own every
// box it was shown (line breaks as "|"), then "done". Every box is answered OK.
#include "app/EditorRecovery.h"
#include "app/Startup.h"
#include "app/main.h"
#include "connection/Login.h"
#include "platform/AppContext.h"
#include "platform/AppPrinter.h"
#include "platform/Desktop.h"
#include "platform/VemraApplication.h"
#include "settings/Settings.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include <cstdio>

namespace {

class TellingDesktop final : public Desktop
{
public:
    BoxAnswer messageBox(BoxKind, const QString& text, BoxButtons, QWidget*) override
    {
        QString line = text;
        line.replace(u'\n', u'|');
        std::fprintf(stdout, "box: %s\n", line.toUtf8().constData());
        std::fflush(stdout);
        return BoxAnswer::Ok;
    }
    std::optional<QString> inputBox(const QString&, const QString&, const QString&, int, QWidget*) override
    {
        return std::nullopt;
    }
    std::optional<QString> openFileName(const FileDialogRequest&, QWidget*) override { return open; }
    std::optional<QString> saveFileName(const FileDialogRequest&, QWidget*) override { return save; }
    bool printDialog(QPrinter&, QWidget*, const PrintDialogOptions&) override { return false; }
    bool printerSetup(QPrinter&, QWidget*) override { return false; }
    std::optional<QColor> colorDialog(const QColor&, QWidget*) override { return std::nullopt; }
    std::optional<FontChoice> fontDialog(const FontDialogRequest&, QWidget*) override { return std::nullopt; }
    void beginBusy() override {}
    void endBusy() override {}
    void suspendBusy() override {}
    void resumeBusy() override {}
    void endApplication() override {}
    void minimizeApplication() override {}

    std::optional<QString> open;
    std::optional<QString> save;
};

} // namespace

int main(int argc, char** argv)
{
    VemraApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    TellingDesktop desktop;
    app.setDesktop(&desktop);
    const QStringList files = QCoreApplication::arguments().mid(1);
    if (files.size() != 2)
        return 2;
    desktop.open = files[0];
    desktop.save = files[1];

    const Settings settings(SettingsStore::defaultPath());
    AppContext ctx(desktop, AppPrinter(), settings);
    Startup startup(ctx);
    TFRM_Login& login = startup.login();
    login.show();
    login.CBX_DataSource->setCurrentIndex(login.CBX_DataSource->findText(QStringLiteral("Sample")));
    login.EDT_UserName->setText(QStringLiteral("scott"));
    login.BBN_Ok->click();
    TFRM_QueryTool& main = startup.queryTool();
    if (main.isVisible()) {
        main.BBN_LoadSQL->click();
        QElapsedTimer waited;
        waited.start();
        while (main.recovery().pending() && waited.elapsed() < 60'000)
            QTest::qWait(50);
        main.BBN_SaveSQL->click();
    } else {
        std::fputs("no login\n", stdout);
    }
    std::fputs("done\n", stdout);
    std::fflush(stdout);
    return 0;
}
