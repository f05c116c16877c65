// For the tests only: the program as start-up builds it, on the platform and in the home folders
// the environment names. It logs in to Sample, types its arguments into the editor as lines,
// waits until the editor's text is kept on disk, says "kept" and runs on until it is killed or
// asked to end. With "--no-wait" first it says "typed" at once, without waiting for the write.
#include "app/RecoveryFile.h"
#include "app/Startup.h"
#include "app/main.h"
#include "connection/Login.h"
#include "platform/AppContext.h"
#include "platform/AppPrinter.h"
#include "platform/TerminationSignals.h"
#include "platform/VemraApplication.h"
#include "settings/Settings.h"
#include "support/ScriptedDesktop.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include <cstdio>

int main(int argc, char** argv)
{
    VemraApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    ScriptedDesktop desktop;
    app.setDesktop(&desktop);
    const Settings settings(SettingsStore::defaultPath());
    AppContext ctx(desktop, AppPrinter(), settings);
    Startup startup(ctx);
    // As the program's own main does; the scripted desktop would only note the end.
    const TerminationSignals termination([] { QCoreApplication::exit(0); });

    TFRM_Login& login = startup.login();
    login.show();
    login.CBX_DataSource->setCurrentIndex(login.CBX_DataSource->findText(QStringLiteral("Sample")));
    login.EDT_UserName->setText(QStringLiteral("scott"));
    login.BBN_Ok->click();
    QPlainTextEdit& editor = *startup.queryTool().REDT_QueryTool;
    if (!startup.queryTool().isVisible()) {
        std::fputs("no login\n", stdout);
        return 1;
    }

    QStringList lines = QCoreApplication::arguments().mid(1);
    const bool wait = lines.value(0) != QStringLiteral("--no-wait");
    if (!wait)
        lines.removeFirst();
    for (int i = 0; i < lines.size(); ++i) {
        if (i > 0)
            QTest::keyClick(&editor, Qt::Key_Return);
        for (const QChar c : lines[i]) {
            // QTest spells out ASCII keys only; other letters come as the text of their key.
            if (c.unicode() < 0x80)
                QTest::keyClick(&editor, char(c.unicode()));
            else
                QTest::sendKeyEvent(QTest::Click, &editor, Qt::Key(c.toUpper().unicode()), QString(c),
                                    Qt::NoModifier);
        }
    }
    if (!wait) {
        std::fputs("typed\n", stdout);
        std::fflush(stdout);
        return app.exec();
    }
    const QString typed = lines.join(u'\n');
    QElapsedTimer waited;
    waited.start();
    while (RecoveryFile::Read(RecoveryFile::DefaultPath()) != typed) {
        if (waited.elapsed() > 30'000) {
            std::fputs("not kept\n", stdout);
            return 1;
        }
        QTest::qWait(50);
    }
    std::fputs("kept\n", stdout);
    std::fflush(stdout);
    return app.exec();
}
