#pragma once

#include "platform/LoginFacts.h"

#include <QString>

class Connection;
class Desktop;
class QPrinter;
class Settings;
class QWidget;
class TFRM_Login;
class TFRM_QueryTool;
class TFRM_Query;
class TFRM_Report;
class TFRM_QRY_FUNC;
class TFRM_About;
class TFRM_Options;

/// The one explicit registry of the program: its services and its seven forms.
/// Built by start-up; forms receive it in their constructor and keep a reference.
struct AppContext
{
    AppContext(Desktop& desktop, QPrinter& printer, const Settings& settings)
        : desktop(desktop), printer(printer), settings(settings)
    {
    }

    Desktop& desktop;
    QPrinter& printer; ///< the application printer
    /// The run's settings store; each operation opens it for itself.
    const Settings& settings;
    LoginFacts facts;
    /// Kept by ShowPlatformVersion after each login; read by the result window's minimise rule.
    int platformMajorVersion = 0;
    /// The program-wide short date format (Qt date format text); execution sets "MM/dd/yyyy".
    QString shortDateFormat;

    /// DBS_QueryTool: owned by the login dialog, set when it is created.
    Connection* connection = nullptr;

    TFRM_Login* login = nullptr;
    TFRM_QueryTool* queryTool = nullptr;
    TFRM_Query* query = nullptr;
    TFRM_Report* report = nullptr;
    TFRM_QRY_FUNC* qryFunc = nullptr;
    TFRM_About* about = nullptr;
    TFRM_Options* options = nullptr;

    /// The same forms as plain windows, for showing, hiding and raising one without including
    /// its class. Start-up fills these.
    struct Windows
    {
        QWidget* queryTool = nullptr;
        QWidget* query = nullptr;
        QWidget* report = nullptr;
        QWidget* qryFunc = nullptr;
        QWidget* about = nullptr;
        QWidget* options = nullptr;
    } windows;
};
