#pragma once

#include <QDialog>

class Connection;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
struct AppContext;

/// The login dialog, the application's main form: the first window shown, and closing it while
/// the main window is still hidden ends the application. It owns the program's one connection.
///
/// Created first at start-up, it also seeds an empty settings store and sets ProgramFolder and
/// the retry limit. OK connects with the chosen data source, user name and password; each showing
/// allows LoginRetryLimit attempts. The password is never stored and is emptied after a login.
class TFRM_Login final : public QDialog
{
    Q_OBJECT
public:
    explicit TFRM_Login(AppContext& ctx, QWidget* parent = nullptr);
    ~TFRM_Login() override;

    QLabel* LBL_DataSource;
    QComboBox* CBX_DataSource;
    QLabel* LBL_UserName;
    QLineEdit* EDT_UserName;
    QLabel* LBL_Password;
    QLineEdit* EDT_Password;
    QPushButton* BBN_Ok;
    QPushButton* BBN_Cancel;
    /// DBS_QueryTool: the connection every query of the program runs on.
    Connection* DBS_QueryTool;

public Q_SLOTS:
    void BBN_OkClick();
    void BBN_CancelClick();
    /// Escape: the same as Cancel.
    void reject() override;

Q_SIGNALS:
    /// After a successful login, before the login is stored: from now on the result window's
    /// query runs on dataSource, and the main window names the connection.
    void loggedIn(const QString& dataSource);
    /// After the login was stored and this dialog hid: the main window comes up.
    void mainWindowWanted();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void FormCreate();
    void FormShow();
    /// The data sources as they stand now: a DSN or alias added while the program runs is offered
    /// at the next showing.
    void fillDataSources();
    /// reason: the engine's words for the failure, shown below the box's fixed text.
    void failedAttempt(const QString& reason);
    void loginSucceeded(const QString& dataSource);
    bool mainWindowVisible() const;

    AppContext& m_ctx;
    /// The connection object's own name, as it was before any login renamed it.
    QString m_connectionName;
};
