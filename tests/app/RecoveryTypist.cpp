// For the tests only: the program as start-up builds it, on the platform and in the home folders
// the environment names. It logs in to Sample, types its arguments into the editor as lines,
// waits until the editor's text is kept on disk, says "kept" and runs on until it is killed or
// asked to end. With "--no-wait" first it says "typed" at once, without waiting for the write;
// with no lines it says "ready".
//
// Then it takes commands on its input, a line each, and answers each with a line:
//   show         "text " and the editor's text, line breaks as "\n"
//   clear        Clear Screen, then "cleared" once its own file is gone
//   type <text>  types text at the end ("\n" for Return), then "kept" once the file holds it
#include "app/EditorDocument.h"
#include "app/EditorRecovery.h"
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
#include <QFileInfo>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSocketNotifier>
#include <QTest>
#include <QToolButton>

#include <cstdio>
#include <unistd.h>

namespace {

void Say(const QByteArray& line)
{
    std::fputs((line + '\n').constData(), stdout);
    std::fflush(stdout);
}

void Type(QPlainTextEdit& editor, const QStringList& lines)
{
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
}

/// Runs the event loop until done() holds; false after half a minute.
bool WaitFor(const std::function<bool()>& done)
{
    QElapsedTimer waited;
    waited.start();
    while (!done()) {
        if (waited.elapsed() > 30'000)
            return false;
        QTest::qWait(50);
    }
    return true;
}

} // namespace

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

    TFRM_QueryTool& window = startup.queryTool();
    const auto kept = [&] {
        const QString path = window.recovery().path();
        return !path.isEmpty() && RecoveryFile::Read(path) == EditorDocument::Text(editor);
    };

    QStringList lines = QCoreApplication::arguments().mid(1);
    const bool wait = lines.value(0) != QStringLiteral("--no-wait");
    if (!wait)
        lines.removeFirst();
    editor.moveCursor(QTextCursor::End);
    Type(editor, lines);
    if (lines.isEmpty())
        Say("ready");
    else if (!wait)
        Say("typed");
    else if (!WaitFor(kept))
        Say("not kept");
    else
        Say("kept");

    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QByteArray received;
    QObject::connect(&input, &QSocketNotifier::activated, &input, [&] {
        char bytes[4096];
        const ssize_t count = ::read(STDIN_FILENO, bytes, sizeof bytes);
        if (count <= 0) {
            input.setEnabled(false);
            return;
        }
        received.append(bytes, count);
        for (qsizetype end = received.indexOf('\n'); end >= 0; end = received.indexOf('\n')) {
            const QString command = QString::fromUtf8(received.left(end));
            received.remove(0, end + 1);
            if (command == QStringLiteral("show")) {
                Say("text " + EditorDocument::Text(editor).replace(u'\n', QStringLiteral("\\n")).toUtf8());
            } else if (command == QStringLiteral("clear")) {
                window.BBN_ClearScreen->click();
                const QString path = window.recovery().path();
                Say(WaitFor([&] { return path.isEmpty() || !QFileInfo::exists(path); }) ? "cleared"
                                                                                        : "not cleared");
            } else if (command.startsWith(QStringLiteral("type "))) {
                editor.moveCursor(QTextCursor::End);
                Type(editor, command.mid(5).split(QStringLiteral("\\n")));
                Say(WaitFor(kept) ? "kept" : "not kept");
            } else {
                Say("unknown");
            }
        }
    });
    return app.exec();
}
