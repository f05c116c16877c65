#pragma once

#include <memory>

class EditorFindReplace;
class HistoryWindow;
class SqlHistory;
class SqlExecution;
class QWidget;
class TFRM_About;
class TFRM_Login;
class TFRM_QueryTool;
struct AppContext;

/// Creates the program's seven forms in their fixed order into the registry and keeps them for
/// the whole run: the login dialog (the main form, shown first), the main window, the result
/// window, the print options, the grid options, the about box and the options dialog. Every form
/// but the login dialog starts hidden. Destroyed in reverse order, the login dialog (and with it
/// the connection) last.
class Startup final
{
public:
    explicit Startup(AppContext& ctx);
    ~Startup();
    Startup(const Startup&) = delete;
    Startup& operator=(const Startup&) = delete;

    TFRM_Login& login() const { return *m_login; }
    TFRM_QueryTool& queryTool() const { return *m_queryTool; }
    HistoryWindow& historyWindow() const { return *m_historyWindow; }

private:
    AppContext& m_ctx;
    std::unique_ptr<TFRM_Login> m_login;
    std::unique_ptr<TFRM_QueryTool> m_queryTool;
    std::unique_ptr<QWidget> m_query;
    std::unique_ptr<QWidget> m_report;
    std::unique_ptr<QWidget> m_qryFunc;
    std::unique_ptr<TFRM_About> m_about;
    std::unique_ptr<QWidget> m_options;
    std::unique_ptr<EditorFindReplace> m_findReplace;
    std::unique_ptr<SqlExecution> m_execution;
    std::unique_ptr<SqlHistory> m_history;
    HistoryWindow* m_historyWindow = nullptr; ///< a child of the main window
};
