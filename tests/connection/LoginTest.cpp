#include "connection/Login.h"
#include "app/Startup.h"
#include "app/StatusPanels.h"
#include "app/main.h"
#include "connection/Connection.h"
#include "connection/DataSources.h"
#include "settings/SettingsSchema.h"
#include "settings/SettingsStore.h"
#include "support/GuiTest.h"
#include "support/PgServer.h"
#include "support/ProgressCanceller.h"
#include "support/SilentServer.h"
#include "support/TestDataSource.h"

#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

namespace {

const QString kInvalid = QStringLiteral("Invalid Username/Password");
const QString kMaximum = QStringLiteral("Maximum retries exceeded");
const QString kNoDataSource = QStringLiteral("You must enter a Datasource to proceed");
// Not a configured data source: every attempt on it fails, and the engine says why.
const QString kUnreachable = QStringLiteral("Login");
const QString kNotConfigured = QStringLiteral("The data source 'Login' is not configured");
// The fixed text keeps its place; the engine's reason follows after a blank line.
const QString kInvalidLogin = kInvalid + QStringLiteral("\n\n") + kNotConfigured;
const QString kMaximumLogin = kMaximum + QStringLiteral("\n\n") + kNotConfigured;

class LoginTest : public GuiTest
{
protected:
    /// Starts the program as main() does: every form created, the login dialog shown.
    TFRM_Login& start()
    {
        startup = std::make_unique<Startup>(ctx);
        startup->login().show();
        return startup->login();
    }
    TFRM_Login& login() const { return startup->login(); }
    TFRM_QueryTool& main() const { return startup->queryTool(); }

    void choose(const QString& dataSource, const QString& user, const QString& password)
    {
        const int index = login().CBX_DataSource->findText(dataSource);
        ASSERT_GE(index, 0) << dataSource.toStdString();
        login().CBX_DataSource->setCurrentIndex(index);
        login().EDT_UserName->setText(user);
        login().EDT_Password->setText(password);
    }
    void logIn(const QString& dataSource, const QString& user, const QString& password)
    {
        choose(dataSource, user, password);
        login().BBN_Ok->click();
    }
    /// The last box has the fixed text, a blank line, then the engine's words, and nowhere the
    /// password typed.
    void expectReason(const QString& fixed, const QString& words, const QString& password) const
    {
        ASSERT_FALSE(desktop.boxes.empty());
        const QString text = desktop.boxes.back().text;
        EXPECT_TRUE(text.startsWith(fixed + QStringLiteral("\n\n"))) << text.toStdString();
        EXPECT_TRUE(text.mid(fixed.size() + 2).contains(words, Qt::CaseInsensitive)) << text.toStdString();
        EXPECT_FALSE(text.contains(password)) << text.toStdString();
    }
    QString stored(const QString& key) const
    {
        return SettingsStore().ReadText(Schema::Section::Login, key, QStringLiteral("<missing>"));
    }

    std::unique_ptr<Startup> startup;
};

TEST_F(LoginTest, DialogLayout)
{
    TFRM_Login& dialog = start();
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Login Screen"));
    EXPECT_FALSE(dialog.windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(dialog.isModal());
    EXPECT_EQ(dialog.minimumSize(), dialog.maximumSize()) << "fixed size";
    EXPECT_FALSE(dialog.CBX_DataSource->isEditable());
    EXPECT_TRUE(dialog.BBN_Ok->isDefault());
    EXPECT_EQ(dialog.BBN_Ok->text(), QStringLiteral("OK"));
    EXPECT_EQ(dialog.BBN_Cancel->text(), QStringLiteral("Cancel"));
    EXPECT_EQ(dialog.LBL_DataSource->text(), QStringLiteral("Data Source:"));
    EXPECT_EQ(dialog.LBL_UserName->text(), QStringLiteral("User Name:"));
    EXPECT_EQ(dialog.LBL_Password->text(), QStringLiteral("Password:"));
    dialog.EDT_Password->setText(QStringLiteral("tiger"));
    EXPECT_EQ(dialog.EDT_Password->displayText(), QStringLiteral("*****"));
    // Tab order.
    const QList<QWidget*> order{dialog.CBX_DataSource, dialog.EDT_UserName, dialog.EDT_Password,
                                dialog.BBN_Ok, dialog.BBN_Cancel};
    for (int i = 0; i + 1 < order.size(); ++i)
        EXPECT_EQ(order[i]->nextInFocusChain(), order[i + 1]) << i;
    EXPECT_EQ(dialog.findChild<Connection*>(QStringLiteral("DBS_QueryTool")), ctx.connection);
}

TEST_F(LoginTest, FirstStartOnAnEmptyStore)
{
    ASSERT_FALSE(SettingsStore().HasSections());
    TFRM_Login& dialog = start();
    const SettingsStore store;
    EXPECT_TRUE(store.HasSections());
    EXPECT_EQ(store.ReadNumber(Schema::Section::General, Schema::General::FontColor, -1), 0) << "seeded";
    EXPECT_EQ(ctx.facts.LoginRetryLimit, 3);
    EXPECT_EQ(ctx.facts.LoginAttempt, 1);
    EXPECT_EQ(ctx.facts.ProgramFolder, QCoreApplication::applicationDirPath() + u'/');

    QStringList names;
    for (int i = 0; i < dialog.CBX_DataSource->count(); ++i)
        names << dialog.CBX_DataSource->itemText(i);
    EXPECT_EQ(names, DataSources::List({QStringLiteral("Login")}));
    EXPECT_TRUE(names.contains(QStringLiteral("Login")));
    EXPECT_TRUE(names.contains(QStringLiteral("Sample")));

    EXPECT_TRUE(dialog.isVisible());
    EXPECT_FALSE(main().isVisible());
    EXPECT_EQ(dialog.CBX_DataSource->currentIndex(), -1);
    EXPECT_TRUE(dialog.EDT_UserName->text().isEmpty());
    EXPECT_EQ(dialog.focusWidget(), dialog.EDT_UserName);
}

TEST_F(LoginTest, StoreWithAnySectionIsNotSeeded)
{
    SettingsStore().WriteText(Schema::Section::Login, Schema::Login::UserName, QStringLiteral("scott"));
    start();
    EXPECT_EQ(SettingsStore().ReadNumber(Schema::Section::General, Schema::General::FontColor, -1), -1);
}

TEST_F(LoginTest, SuccessfulLogin)
{
    start();
    ctx.shortDateFormat = QStringLiteral("MM/dd/yyyy");
    QSignalSpy loggedIn(&login(), &TFRM_Login::loggedIn);
    logIn(DataSources::kSample, QStringLiteral("scott"), QStringLiteral("tiger"));

    EXPECT_TRUE(ctx.connection->isConnected());
    EXPECT_EQ(ctx.connection->name(), DataSources::kSample);
    EXPECT_TRUE(ctx.connection->params().contains(QStringLiteral("USER NAME=scott")));
    ASSERT_EQ(loggedIn.count(), 1);
    EXPECT_EQ(loggedIn[0][0].toString(), DataSources::kSample);
    EXPECT_EQ(ctx.facts.CurrentUserName, QStringLiteral("scott"));
    EXPECT_EQ(ctx.facts.CurrentDataSource, DataSources::kSample);
    EXPECT_TRUE(login().EDT_Password->text().isEmpty());

    EXPECT_FALSE(login().isVisible());
    EXPECT_TRUE(main().isVisible());
    EXPECT_EQ(main().SBR_QueryTool->panelText(0), QStringLiteral("USER NAME:  'scott'"));
    EXPECT_EQ(main().SBR_QueryTool->panelText(1), QStringLiteral("DATA SOURCE:  Sample"));
    EXPECT_EQ(main().SBR_QueryTool->panelText(2),
              QStringLiteral("DATE:  ") + QDate::currentDate().toString(QStringLiteral("MM/dd/yyyy")));
    EXPECT_TRUE(main().SBR_QueryTool->panelText(3).startsWith(QStringLiteral("TIME:  ")));
    EXPECT_TRUE(main().SBR_Windows->panelText(1).startsWith(QStringLiteral("Kernel Version ")));
    EXPECT_GT(ctx.platformMajorVersion, 0);

    EXPECT_EQ(stored(Schema::Login::DataSource), DataSources::kSample);
    EXPECT_EQ(stored(Schema::Login::UserName), QStringLiteral("scott"));
    EXPECT_TRUE(desktop.boxes.empty());
    EXPECT_EQ(desktop.busyBegins, 1);
    EXPECT_FALSE(desktop.ended);
}

TEST_F(LoginTest, PasswordIsStoredNowhere)
{
    start();
    logIn(DataSources::kSample, QStringLiteral("scott"), QStringLiteral("s3cr3t-tiger"));
    ASSERT_TRUE(main().isVisible());
    QDirIterator files(home.path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    int checked = 0;
    while (files.hasNext()) {
        QFile file(files.next());
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << file.fileName().toStdString();
        EXPECT_FALSE(file.readAll().contains("s3cr3t-tiger")) << file.fileName().toStdString();
        ++checked;
    }
    EXPECT_GT(checked, 0);
}

TEST_F(LoginTest, NextStartPreselectsTheLastLogin)
{
    {
        SettingsStore store;
        store.WriteText(Schema::Section::Login, Schema::Login::DataSource, QStringLiteral("SAMPLE"));
        store.WriteText(Schema::Section::Login, Schema::Login::UserName, QStringLiteral("scott"));
    }
    TFRM_Login& dialog = start();
    EXPECT_EQ(dialog.CBX_DataSource->currentText(), DataSources::kSample);
    EXPECT_EQ(dialog.EDT_UserName->text(), QStringLiteral("scott"));
    EXPECT_EQ(dialog.focusWidget(), dialog.EDT_Password);
}

TEST_F(LoginTest, StoredDataSourceThatIsGoneSelectsNothing)
{
    SettingsStore().WriteText(Schema::Section::Login, Schema::Login::DataSource, QStringLiteral("Vanished"));
    TFRM_Login& dialog = start();
    EXPECT_EQ(dialog.CBX_DataSource->currentIndex(), -1);
    desktop.expectBox(BoxKind::Error, kNoDataSource, BoxAnswer::Ok);
    dialog.BBN_Ok->click();
    EXPECT_EQ(desktop.boxes.back().buttons, BoxButtons::Ok);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_FALSE(desktop.ended);
    EXPECT_EQ(ctx.facts.LoginAttempt, 1) << "no attempt was made";
    EXPECT_EQ(desktop.busyBegins, 0);
}

TEST_F(LoginTest, RetryLimitOneEndsAtTheFirstFailure)
{
    SettingsStore().WriteNumber(Schema::Section::General, Schema::General::MaximumLoginRetries, 1);
    start();
    desktop.expectBox(BoxKind::Error, kMaximumLogin, BoxAnswer::Abort);
    logIn(kUnreachable, QStringLiteral("scott"), QStringLiteral("wrong"));
    EXPECT_EQ(desktop.boxes.back().buttons, BoxButtons::Abort);
    EXPECT_TRUE(desktop.ended);
    EXPECT_FALSE(main().isVisible());
    EXPECT_EQ(stored(Schema::Login::DataSource), QStringLiteral("<missing>"));
    EXPECT_EQ(main().SBR_QueryTool->panelText(0), QStringLiteral("USER NAME:  "));
}

TEST_F(LoginTest, RetryLimitThreeAllowsThreeAttempts)
{
    start();
    ASSERT_EQ(ctx.facts.LoginRetryLimit, 3);
    desktop.expectBox(BoxKind::Error, kInvalidLogin, BoxAnswer::Retry);
    logIn(kUnreachable, QStringLiteral("scott"), QStringLiteral("wrong1"));
    EXPECT_EQ(desktop.boxes.back().buttons, BoxButtons::RetryCancel);
    EXPECT_EQ(desktop.boxes.back().busyDepth, 0) << "normal cursor while the box is up";
    EXPECT_TRUE(login().isVisible());
    EXPECT_EQ(login().EDT_Password->text(), QStringLiteral("wrong1")) << "fields as the user left them";
    EXPECT_EQ(login().focusWidget(), login().EDT_Password);
    EXPECT_EQ(ctx.connection->name(), kUnreachable) << "the entry \"Login\" is tried as a data source";

    desktop.expectBox(BoxKind::Error, kInvalidLogin, BoxAnswer::Retry);
    login().BBN_Ok->click();
    EXPECT_FALSE(desktop.ended);

    desktop.expectBox(BoxKind::Error, kMaximumLogin, BoxAnswer::Abort);
    login().BBN_Ok->click();
    EXPECT_TRUE(desktop.ended);
    EXPECT_EQ(desktop.boxes.size(), 3u);
    EXPECT_EQ(desktop.busyBegins, 3);
}

TEST_F(LoginTest, CancelInTheRetryBoxEnds)
{
    for (BoxAnswer answer : {BoxAnswer::Cancel, BoxAnswer::Closed}) {
        desktop.ended = false;
        start();
        desktop.expectBox(BoxKind::Error, kInvalidLogin, answer);
        logIn(kUnreachable, QStringLiteral("scott"), QStringLiteral("wrong"));
        EXPECT_TRUE(desktop.ended) << ToString(answer).toStdString();
        EXPECT_FALSE(main().isVisible());
        startup.reset();
    }
}

TEST_F(LoginTest, CancelAtTheFirstLoginEnds)
{
    TFRM_Login& dialog = start();
    dialog.BBN_Cancel->click();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_TRUE(desktop.ended);

    desktop.ended = false;
    startup.reset();
    TFRM_Login& again = start();
    QTest::keyClick(&again, Qt::Key_Escape);
    EXPECT_FALSE(again.isVisible());
    EXPECT_TRUE(desktop.ended) << "Escape is Cancel";
}

TEST_F(LoginTest, FailedChangeOfDataSourceThenCancel)
{
    start();
    logIn(DataSources::kSample, QStringLiteral("scott"), QStringLiteral("tiger"));
    ASSERT_TRUE(main().isVisible());
    ASSERT_TRUE(ctx.connection->isConnected());

    main().BBN_ChangeDataSource->click();
    EXPECT_TRUE(login().isVisible());
    EXPECT_FALSE(login().isModal());
    EXPECT_EQ(login().CBX_DataSource->currentText(), DataSources::kSample)
        << "shown again with the last login";

    desktop.expectBox(BoxKind::Error, kInvalidLogin, BoxAnswer::Retry);
    logIn(kUnreachable, QStringLiteral("adams"), QStringLiteral("wrong"));
    login().BBN_Cancel->click();

    EXPECT_FALSE(login().isVisible());
    EXPECT_TRUE(main().isVisible());
    EXPECT_FALSE(desktop.ended);
    EXPECT_FALSE(ctx.connection->isConnected()) << "the old connection was closed before the attempt";
    EXPECT_EQ(main().SBR_QueryTool->panelText(0), QStringLiteral("USER NAME:  'scott'"));
    EXPECT_EQ(main().SBR_QueryTool->panelText(1), QStringLiteral("DATA SOURCE:  Sample"));
    EXPECT_EQ(stored(Schema::Login::UserName), QStringLiteral("scott"));
    EXPECT_EQ(ctx.facts.CurrentUserName, QStringLiteral("scott"));
}

TEST_F(LoginTest, EveryShowingStartsTheCountAfresh)
{
    start();
    // Two failures, then success: the third attempt of this showing.
    for (int i = 0; i < 2; ++i) {
        desktop.expectBox(BoxKind::Error, kInvalidLogin, BoxAnswer::Retry);
        logIn(kUnreachable, QStringLiteral("scott"), QStringLiteral("wrong"));
    }
    logIn(DataSources::kSample, QStringLiteral("scott"), QStringLiteral("tiger"));
    ASSERT_TRUE(main().isVisible());

    // "Change Data Source": the full number of attempts again.
    main().BBN_ChangeDataSourceClick();
    EXPECT_EQ(ctx.facts.LoginAttempt, 1);
    for (int i = 0; i < 2; ++i) {
        desktop.expectBox(BoxKind::Error, kInvalidLogin, BoxAnswer::Retry);
        logIn(kUnreachable, QStringLiteral("scott"), QStringLiteral("wrong"));
    }
    EXPECT_FALSE(desktop.ended);
    logIn(DataSources::kSample, QStringLiteral("adams"), QStringLiteral("x"));
    EXPECT_FALSE(login().isVisible());
    EXPECT_EQ(main().SBR_QueryTool->panelText(0), QStringLiteral("USER NAME:  'adams'"));
    EXPECT_FALSE(desktop.ended);
}

TEST_F(LoginTest, EveryShowingReadsTheDataSourcesAgain)
{
    start();
    const QString added = QStringLiteral("added while running");
    EXPECT_LT(login().CBX_DataSource->findText(added), 0);
    QFile ini(QString::fromLocal8Bit(qgetenv("ODBCINI")));
    ASSERT_TRUE(ini.open(QIODevice::Append));
    ini.write("\n[added while running]\nDriver = SQLite3\nDatabase = /nowhere\n");
    ini.close();
    login().hide();
    login().show();
    EXPECT_GE(login().CBX_DataSource->findText(added), 0);
}

TEST_F(LoginTest, ClosingTheDialogDuringAChangeOnlyHidesIt)
{
    start();
    logIn(DataSources::kSample, QStringLiteral("scott"), QStringLiteral("tiger"));
    main().BBN_ChangeDataSourceClick();
    ASSERT_TRUE(login().isVisible());
    login().close();
    EXPECT_FALSE(login().isVisible());
    EXPECT_TRUE(main().isVisible());
    EXPECT_FALSE(desktop.ended);
    EXPECT_TRUE(ctx.connection->isConnected()) << "nothing was attempted";
}

TEST_F(LoginTest, PasswordsAreCheckedByARealServer)
{
    PgServer& pg = PgServer::instance();
    ASSERT_TRUE(pg.running()) << pg.failure().toStdString();
    pg.writeAlias(QStringLiteral("PG"));
    start();

    desktop.expectBox(BoxKind::Error, BoxAnswer::Retry);
    logIn(QStringLiteral("PG"), pg.user(), QStringLiteral("wrong"));
    expectReason(kInvalid, QStringLiteral("password authentication failed"), QStringLiteral("wrong"));
    EXPECT_FALSE(ctx.connection->isConnected());
    desktop.expectBox(BoxKind::Error, BoxAnswer::Retry);
    logIn(QStringLiteral("PG"), QStringLiteral("nobody_here"), pg.password());
    expectReason(kInvalid, QStringLiteral("authentication failed"), pg.password());
    EXPECT_TRUE(login().isVisible());

    logIn(QStringLiteral("PG"), pg.user(), pg.password());
    EXPECT_TRUE(ctx.connection->isConnected());
    EXPECT_TRUE(main().isVisible());
    EXPECT_EQ(main().SBR_QueryTool->panelText(1), QStringLiteral("DATA SOURCE:  PG"));
    EXPECT_EQ(stored(Schema::Login::UserName), pg.user());

    // Three wrong passwords in one showing end the program.
    main().BBN_ChangeDataSourceClick();
    desktop.expectBox(BoxKind::Error, BoxAnswer::Retry);
    desktop.expectBox(BoxKind::Error, BoxAnswer::Retry);
    desktop.expectBox(BoxKind::Error, BoxAnswer::Abort);
    for (int i = 0; i < 3; ++i)
        logIn(QStringLiteral("PG"), pg.user(), QStringLiteral("wrong %1").arg(i));
    ASSERT_EQ(desktop.boxes.size(), 5u);
    EXPECT_TRUE(desktop.boxes[3].text.startsWith(kInvalid + QStringLiteral("\n\n")));
    expectReason(kMaximum, QStringLiteral("password authentication failed"), QStringLiteral("wrong 2"));
    EXPECT_EQ(desktop.boxes.back().buttons, BoxButtons::Abort);
    EXPECT_TRUE(desktop.ended);
    EXPECT_FALSE(ctx.connection->isConnected());
}

TEST_F(LoginTest, TheBoxSaysWhyTheServerCannotBeUsed)
{
    PgServer& pg = PgServer::instance();
    ASSERT_TRUE(pg.running()) << pg.failure().toStdString();
    pg.writeAlias(QStringLiteral("PG"));
    AliasFile::Alias noDatabase;
    noDatabase.name = QStringLiteral("PG_NO_DB");
    noDatabase.driver = QStringLiteral("QPSQL");
    noDatabase.database = QStringLiteral("no_such_db");
    noDatabase.host = pg.socketDir();
    noDatabase.port = pg.port();
    WriteTestAlias(noDatabase, QString());
    start();

    desktop.expectBox(BoxKind::Error, BoxAnswer::Retry);
    logIn(QStringLiteral("PG_NO_DB"), pg.user(), pg.password());
    expectReason(kInvalid, QStringLiteral("database \"no_such_db\" does not exist"), pg.password());
    EXPECT_EQ(desktop.boxes.back().kind, BoxKind::Error);
    EXPECT_EQ(desktop.boxes.back().buttons, BoxButtons::RetryCancel);

    pg.stop();
    desktop.expectBox(BoxKind::Error, BoxAnswer::Retry);
    logIn(QStringLiteral("PG"), pg.user(), pg.password());
    const bool restarted = pg.startAgain();
    expectReason(kInvalid, QStringLiteral("Is the server running"), pg.password());
    ASSERT_TRUE(restarted) << pg.failure().toStdString();

    // The server is back: the same fields now log in.
    logIn(QStringLiteral("PG"), pg.user(), pg.password());
    EXPECT_TRUE(ctx.connection->isConnected());
    EXPECT_TRUE(main().isVisible());
    EXPECT_FALSE(desktop.ended);
}

TEST_F(LoginTest, ConnectingCanBeCancelledAndCountsAsNoAttempt)
{
    // A server that hangs: the progress window comes up and its Cancel stops the connect.
    SilentServer silent;
    ASSERT_GT(silent.port(), 0);
    AliasFile::Alias hanging;
    hanging.name = QStringLiteral("HANGING");
    hanging.driver = QStringLiteral("POSTGRESQL");
    hanging.database = QStringLiteral("any");
    hanging.host = QStringLiteral("127.0.0.1");
    hanging.port = silent.port();
    WriteTestAlias(hanging, QString());
    SettingsStore().WriteNumber(Schema::Section::General, Schema::General::MaximumLoginRetries, 1);
    start();

    const ProgressCanceller canceller;
    QElapsedTimer clock;
    clock.start();
    logIn(QStringLiteral("HANGING"), QStringLiteral("scott"), QStringLiteral("secret"));
    EXPECT_EQ(canceller.title(), QStringLiteral("Connecting to HANGING"));
    EXPECT_LT(clock.elapsed(), 5000);
    // With one attempt allowed a failure would have ended the program; a cancel does not.
    EXPECT_TRUE(desktop.boxes.empty());
    EXPECT_FALSE(desktop.ended);
    EXPECT_TRUE(login().isVisible());
    EXPECT_FALSE(ctx.connection->isConnected());
    EXPECT_EQ(ctx.facts.LoginAttempt, 1);

    logIn(QStringLiteral("Sample"), QStringLiteral("scott"), QStringLiteral("tiger"));
    EXPECT_TRUE(ctx.connection->isConnected());
    EXPECT_TRUE(main().isVisible());
}

} // namespace
