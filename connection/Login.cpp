#include "connection/Login.h"

#include "connection/Connection.h"
#include "connection/DataSources.h"
#include "connection/LoginFailure.h"
#include "connection/WatchedCall.h"
#include "platform/AppContext.h"
#include "platform/Desktop.h"
#include "platform/GeneralError.h"
#include "platform/TextRoutines.h"
#include "platform/ToolbarGlyphs.h"
#include "settings/Settings.h"
#include "settings/SettingsSchema.h"
#include "settings/SettingsStore.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

TFRM_Login::TFRM_Login(AppContext& ctx, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint), m_ctx(ctx)
{
    setObjectName(QStringLiteral("TFRM_Login"));
    setWindowTitle(QStringLiteral("Login Screen"));
    setWindowIcon(ProgramIcon());

    DBS_QueryTool = new Connection(this);
    DBS_QueryTool->setObjectName(QStringLiteral("DBS_QueryTool"));
    m_ctx.connection = DBS_QueryTool;

    auto label = [this](const QString& name, const QString& caption) {
        auto* l = new QLabel(caption, this);
        l->setObjectName(name);
        return l;
    };
    LBL_DataSource = label(QStringLiteral("LBL_DataSource"), QStringLiteral("Data Source:"));
    LBL_UserName = label(QStringLiteral("LBL_UserName"), QStringLiteral("User Name:"));
    LBL_Password = label(QStringLiteral("LBL_Password"), QStringLiteral("Password:"));

    CBX_DataSource = new QComboBox(this);
    CBX_DataSource->setObjectName(QStringLiteral("CBX_DataSource"));
    CBX_DataSource->setEditable(false);
    CBX_DataSource->setMinimumWidth(220);
    EDT_UserName = new QLineEdit(this);
    EDT_UserName->setObjectName(QStringLiteral("EDT_UserName"));
    EDT_Password = new QLineEdit(this);
    EDT_Password->setObjectName(QStringLiteral("EDT_Password"));
    EDT_Password->setEchoMode(QLineEdit::Password);
    EDT_Password->setStyleSheet(QStringLiteral("lineedit-password-character: 42")); // "*"
    LBL_DataSource->setBuddy(CBX_DataSource);
    LBL_UserName->setBuddy(EDT_UserName);
    LBL_Password->setBuddy(EDT_Password);

    BBN_Ok = new QPushButton(QStringLiteral("OK"), this);
    BBN_Ok->setObjectName(QStringLiteral("BBN_Ok"));
    BBN_Ok->setDefault(true);
    BBN_Ok->setAutoDefault(true);
    BBN_Cancel = new QPushButton(QStringLiteral("Cancel"), this);
    BBN_Cancel->setObjectName(QStringLiteral("BBN_Cancel"));
    BBN_Cancel->setAutoDefault(false);
    connect(BBN_Ok, &QPushButton::clicked, this, &TFRM_Login::BBN_OkClick);
    connect(BBN_Cancel, &QPushButton::clicked, this, &TFRM_Login::BBN_CancelClick);

    auto* grid = new QGridLayout(this);
    grid->setSizeConstraint(QLayout::SetFixedSize);
    grid->setContentsMargins(16, 16, 16, 12);
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(8);
    grid->addWidget(LBL_DataSource, 0, 0);
    grid->addWidget(CBX_DataSource, 0, 1);
    grid->addWidget(LBL_UserName, 1, 0);
    grid->addWidget(EDT_UserName, 1, 1);
    grid->addWidget(LBL_Password, 2, 0);
    grid->addWidget(EDT_Password, 2, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(BBN_Ok);
    buttons->addWidget(BBN_Cancel);
    grid->setRowMinimumHeight(3, 4);
    grid->addLayout(buttons, 4, 0, 1, 2);

    setTabOrder(CBX_DataSource, EDT_UserName);
    setTabOrder(EDT_UserName, EDT_Password);
    setTabOrder(EDT_Password, BBN_Ok);
    setTabOrder(BBN_Ok, BBN_Cancel);

    FormCreate();
}

TFRM_Login::~TFRM_Login() = default;

void TFRM_Login::fillDataSources()
{
    CBX_DataSource->clear();
    CBX_DataSource->addItems(DataSources::List({m_connectionName}));
}

void TFRM_Login::FormCreate()
{
    m_connectionName = DBS_QueryTool->name();
    fillDataSources();

    m_ctx.facts.ProgramFolder = TextBeforeLast(QCoreApplication::applicationFilePath(), u'/') + u'/';

    // This runs before the message loop, where nothing would catch a settings failure: it is
    // shown here, and the program starts without the seeding and with the default retry limit.
    try {
        SettingsStore store = m_ctx.settings.open();
        if (!store.HasSections())
            store.SeedDefaults();
        m_ctx.facts.LoginRetryLimit = store.Read(Schema::General::MaximumLoginRetries);
    } catch (const std::exception& failure) {
        ShowGeneralError(m_ctx.desktop, failure);
    }
}

void TFRM_Login::FormShow()
{
    m_ctx.facts.LoginAttempt = 1;
    fillDataSources();

    const SettingsStore store = m_ctx.settings.open();
    const QString dataSource = store.Read(Schema::Login::DataSource);
    int selected = -1;
    for (int i = 0; i < CBX_DataSource->count(); ++i) {
        if (CBX_DataSource->itemText(i).compare(dataSource, Qt::CaseInsensitive) == 0) {
            selected = i;
            break;
        }
    }
    CBX_DataSource->setCurrentIndex(selected);

    EDT_UserName->setText(store.Read(Schema::Login::UserName));
    if (EDT_UserName->text().isEmpty())
        EDT_UserName->setFocus();
    else
        EDT_Password->setFocus();
}

void TFRM_Login::BBN_OkClick()
{
    RunGuarded(m_ctx.desktop, [this] {
        if (CBX_DataSource->currentIndex() < 0) {
            m_ctx.desktop.messageBox(BoxKind::Error, QStringLiteral("You must enter a Datasource to proceed"),
                                     BoxButtons::Ok, this);
            return;
        }
        const QString dataSource = CBX_DataSource->currentText();

        // Closed first: a failed attempt leaves no connection open, whatever was open before.
        DBS_QueryTool->disconnect();
        bool connected = false;
        bool cancelled = false;
        QString reason;
        {
            const BusyCursor busy(m_ctx.desktop);
            DBS_QueryTool->setName(dataSource);
            DBS_QueryTool->clearParams();
            DBS_QueryTool->addParam(QStringLiteral("USER NAME=") + EDT_UserName->text());
            DBS_QueryTool->addParam(QStringLiteral("PASSWORD=") + EDT_Password->text());
            try {
                const WatchedCall watch(*DBS_QueryTool, this, QStringLiteral("Connecting to ") + dataSource);
                try {
                    DBS_QueryTool->connect();
                } catch (const std::exception&) {
                    cancelled = watch.cancelled();
                    throw;
                }
                connected = true;
            } catch (const std::exception& failure) {
                // Every failure but the user's cancel counts as a failed attempt; the engine says why
                // below the fixed text.
                reason = LoginFailureReason(failure, EDT_Password->text());
            }
        }
        if (connected) {
            loginSucceeded(dataSource);
        } else if (cancelled) {
            // The user stopped it: not a failed attempt, and the dialog stays for another try.
            EDT_Password->setFocus();
        } else {
            failedAttempt(reason);
        }
    });
}

void TFRM_Login::failedAttempt(const QString& reason)
{
    LoginFacts& facts = m_ctx.facts;
    if (facts.LoginAttempt < facts.LoginRetryLimit) {
        ++facts.LoginAttempt;
        if (m_ctx.desktop.messageBox(BoxKind::Error,
                                     LoginFailureText(QStringLiteral("Invalid Username/Password"), reason),
                                     BoxButtons::RetryCancel, this) != BoxAnswer::Retry) {
            m_ctx.desktop.endApplication();
            return;
        }
        EDT_Password->setFocus();
        raise();
        activateWindow();
        return;
    }
    // The last attempt's reason too: with a limit of 1 this is the only box the user sees.
    m_ctx.desktop.messageBox(BoxKind::Error,
                             LoginFailureText(QStringLiteral("Maximum retries exceeded"), reason),
                             BoxButtons::Abort, this);
    m_ctx.desktop.endApplication();
}

void TFRM_Login::loginSucceeded(const QString& dataSource)
{
    LoginFacts& facts = m_ctx.facts;
    facts.CurrentUserName = EDT_UserName->text();
    facts.CurrentDataSource = dataSource;
    EDT_Password->clear();

    Q_EMIT loggedIn(dataSource);

    // The connection is open: a store that cannot remember the login says so, and the user
    // still gets to the main window.
    RunGuarded(m_ctx.desktop, [&] {
        SettingsStore store = m_ctx.settings.open();
        store.Write(Schema::Login::DataSource, dataSource);
        store.Write(Schema::Login::UserName, facts.CurrentUserName);
    });

    hide();
    Q_EMIT mainWindowWanted();
}

void TFRM_Login::BBN_CancelClick()
{
    hide();
    if (!mainWindowVisible())
        close();
}

void TFRM_Login::reject()
{
    BBN_CancelClick();
}

bool TFRM_Login::mainWindowVisible() const
{
    return m_ctx.windows.queryTool && m_ctx.windows.queryTool->isVisible();
}

void TFRM_Login::showEvent(QShowEvent* event)
{
    if (!event->spontaneous()) {
        RunGuarded(m_ctx.desktop, [this] { FormShow(); });
        if (const QScreen* screen = this->screen()) {
            QRect frame = frameGeometry();
            frame.moveCenter(screen->availableGeometry().center());
            move(frame.topLeft());
        }
    }
    QDialog::showEvent(event);
}

void TFRM_Login::closeEvent(QCloseEvent* event)
{
    // The main form: closing it before any login has shown the main window ends the program.
    event->accept();
    if (!mainWindowVisible())
        m_ctx.desktop.endApplication();
}
