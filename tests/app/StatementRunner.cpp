// For the tests only: the program as start-up builds it, on the platform and in the home folders
// the environment names. Arguments: data source, user name, password, statement. It logs in,
// types the statement into the editor and executes it; once the progress window shows it says
// "running". When the run ends it says each box it showed as "box: <text>" and "ended".
#include "app/Startup.h"
#include "app/main.h"
#include "connection/Login.h"
#include "platform/AppContext.h"
#include "platform/AppPrinter.h"
#include "platform/TerminationSignals.h"
#include "platform/VemraApplication.h"
#include "settings/Settings.h"
#include "support/ScriptedDesktop.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <cstdio>

int main(int argc, char** argv)
{
    VemraApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    const QStringList arguments = QCoreApplication::arguments().mid(1);
    if (arguments.size() != 4) {
        std::fputs("usage: statement_runner DATASOURCE USER PASSWORD STATEMENT\n", stderr);
        return 2;
    }
    ScriptedDesktop desktop;
    app.setDesktop(&desktop);
    const Settings settings(SettingsStore::defaultPath());
    AppContext ctx(desktop, AppPrinter(), settings);
    Startup startup(ctx);
    // As the program's own main does; the scripted desktop would only note the end.
    const TerminationSignals termination([] { QCoreApplication::exit(0); });

    TFRM_Login& login = startup.login();
    login.show();
    login.CBX_DataSource->setCurrentIndex(login.CBX_DataSource->findText(arguments[0]));
    login.EDT_UserName->setText(arguments[1]);
    login.EDT_Password->setText(arguments[2]);
    login.BBN_Ok->click();
    TFRM_QueryTool& main = startup.queryTool();
    if (!main.isVisible()) {
        std::fputs("no login\n", stdout);
        return 1;
    }
    QTest::keyClicks(main.REDT_QueryTool, arguments[3]);

    // The box of a statement stopped before its end.
    desktop.expectBox(BoxKind::Error, BoxAnswer::Ok);
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&poll] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (w->objectName() == u"FRM_Progress" && w->isVisible()) {
                poll.stop();
                std::fputs("running\n", stdout);
                std::fflush(stdout);
            }
        }
    });
    poll.start(20);
    QTimer::singleShot(0, &main, [&main] { main.BBN_ExecuteSQL->click(); });
    const int code = app.exec();
    for (const auto& box : desktop.boxes)
        std::printf("box: %s\n", box.text.toUtf8().constData());
    std::fputs("ended\n", stdout);
    std::fflush(stdout);
    return code;
}
