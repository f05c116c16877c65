#include "app/Startup.h"

#include "app/About.h"
#include "app/EditorCompleter.h"
#include "app/EditorDocument.h"
#include "app/EditorFindReplace.h"
#include "app/HistoryWindow.h"
#include "app/SchemaWindow.h"
#include "app/main.h"
#include "connection/Connection.h"
#include "connection/Login.h"
#include "connection/Query.h"
#include "platform/AppContext.h"
#include "platform/Desktop.h"
#include "platform/WindowPlacement.h"
#include "print/SQL_Procs.h"
#include "print/SqlPrintout.h"
#include "print/report.h"
#include "query/QRY_FUNC.h"
#include "query/SqlExecution.h"
#include "query/SqlHistory.h"
#include "query/query.h"
#include "settings/Options.h"
#include "settings/Settings.h"
#include "settings/SettingsRescue.h"

#include <QLocale>
#include <QPlainTextEdit>

namespace {

std::unique_ptr<QWidget> CreateQueryWindow(AppContext& ctx)
{
    auto query = std::make_unique<TFRM_Query>(ctx);
    ctx.query = query.get();
    query->setPrintHook(
        [&ctx](Query& dataset, const ColumnLayout& layout, const QString& title, int shownFieldCount) {
            PrintQueryResult(ctx, dataset, layout, title, shownFieldCount);
        });
    return query;
}

std::unique_ptr<QWidget> CreateReportWindow(AppContext& ctx)
{
    auto report = std::make_unique<TFRM_Report>(ctx);
    ctx.report = report.get();
    return report;
}

std::unique_ptr<QWidget> CreateQryFuncWindow(AppContext& ctx)
{
    auto qryFunc = std::make_unique<TFRM_QRY_FUNC>(ctx);
    ctx.qryFunc = qryFunc.get();
    ctx.query->setGridOptionsHook([&ctx](TFRM_Query& window) {
        if (ctx.qryFunc)
            ctx.qryFunc->Open(window);
    });
    return qryFunc;
}

std::unique_ptr<QWidget> CreateOptionsWindow(AppContext& ctx)
{
    auto options = std::make_unique<TFRM_Options>(ctx);
    ctx.options = options.get();
    options->attach(ctx.queryTool->REDT_QueryTool, ctx.queryTool->Timer_Time, ctx.queryTool->Timer_Date);
    return options;
}

/// The main window's commands that other parts of the program carry out.
void ConnectMainWindowCommands(AppContext& ctx, TFRM_QueryTool& window, EditorFindReplace& findReplace,
                               SqlExecution& execution)
{
    QObject::connect(&window, &TFRM_QueryTool::executeSQLRequested, &window,
                     [&execution](const QStringList& editorLines, const QPoint& windowTopLeft) {
                         execution.BBN_ExecuteSQLClick(editorLines, windowTopLeft);
                     });
    QObject::connect(&window, &TFRM_QueryTool::executeStatementRequested, &window,
                     [&execution](const QStringList& statementLines, const QPoint& windowTopLeft) {
                         execution.BBN_ExecuteSQLClick(statementLines, windowTopLeft);
                     });
    QObject::connect(&window, &TFRM_QueryTool::printSQLRequested, &window,
                     [&ctx, &window] { PrintSQL(ctx, *window.REDT_QueryTool, &window); });
    QObject::connect(&window, &TFRM_QueryTool::findRequested, &findReplace, &EditorFindReplace::MI_FindClick);
    QObject::connect(&window, &TFRM_QueryTool::findNextRequested, &findReplace,
                     &EditorFindReplace::MI_FindNextClick);
    QObject::connect(&window, &TFRM_QueryTool::replaceRequested, &findReplace,
                     &EditorFindReplace::MI_ReplaceClick);
}

/// The schema window (F6) over the main window, and Ctrl+Space completion from its catalogue.
void CreateSchemaWindow(AppContext& ctx, TFRM_QueryTool& window)
{
    auto* schema = new SchemaWindow(ctx, *window.REDT_QueryTool, &window);
    QObject::connect(&window, &TFRM_QueryTool::schemaRequested, schema, &SchemaWindow::open);
    new EditorCompleter(
        *window.REDT_QueryTool, [schema] { return schema->completionWords(); },
        [schema](const QString& word) { return schema->completionText(word); }, schema);
}

/// The SQL history: every execution noted, and its window (a child of the main window).
HistoryWindow* ConnectHistory(AppContext& ctx, TFRM_QueryTool& window, SqlExecution& execution,
                              const SqlHistory& history)
{
    auto* historyWindow = new HistoryWindow(ctx.desktop, history, &window);
    execution.setHistory(&history, [historyWindow] { historyWindow->refresh(); });
    QObject::connect(&window, &TFRM_QueryTool::sqlHistoryRequested, historyWindow, [historyWindow] {
        historyWindow->show();
        historyWindow->raise();
        historyWindow->activateWindow();
    });
    QObject::connect(historyWindow, &HistoryWindow::statementChosen, &window,
                     &TFRM_QueryTool::insertAtCursor);
    return historyWindow;
}

} // namespace

Startup::Startup(AppContext& ctx) : m_ctx(ctx)
{
    if (ctx.shortDateFormat.isEmpty())
        ctx.shortDateFormat = QLocale::system().dateFormat(QLocale::ShortFormat);

    // Before anything reads a setting: a damaged store is reported once, and the run goes on.
    RescueDamagedSettings(ctx.settings, ctx.desktop, nullptr);
    // A store that fails later is named once too, and the run goes on in memory.
    ctx.settings.reportFailuresTo([&desktop = ctx.desktop](const QString& text) {
        desktop.messageBox(BoxKind::Error, text, BoxButtons::Ok);
    });

    // The login dialog's creation seeds the store and sets ProgramFolder before any other form reads them.
    m_login = std::make_unique<TFRM_Login>(ctx);
    ctx.login = m_login.get();

    m_queryTool = std::make_unique<TFRM_QueryTool>(ctx);
    ctx.queryTool = m_queryTool.get();
    ctx.windows.queryTool = m_queryTool.get();

    m_query = CreateQueryWindow(ctx);
    ctx.windows.query = m_query.get();

    m_report = CreateReportWindow(ctx);
    ctx.windows.report = m_report.get();

    m_qryFunc = CreateQryFuncWindow(ctx);
    ctx.windows.qryFunc = m_qryFunc.get();

    m_about = std::make_unique<TFRM_About>();
    ctx.about = m_about.get();
    ctx.windows.about = m_about.get();

    m_options = CreateOptionsWindow(ctx);
    ctx.windows.options = m_options.get();

    m_findReplace = std::make_unique<EditorFindReplace>(ctx, *m_queryTool->REDT_QueryTool);
    m_execution = std::make_unique<SqlExecution>(ctx);
    ConnectMainWindowCommands(ctx, *m_queryTool, *m_findReplace, *m_execution);
    CreateSchemaWindow(ctx, *m_queryTool);
    m_history = std::make_unique<SqlHistory>();
    m_historyWindow = ConnectHistory(ctx, *m_queryTool, *m_execution, *m_history);
    // Every statement runs on the connection the login opened, under its data source name.
    QObject::connect(m_login.get(), &TFRM_Login::loggedIn, m_query.get(), [&ctx](const QString& dataSource) {
        ctx.query->QRY_Grid().setDatabaseName(dataSource);
        ctx.queryTool->showConnection(ctx.facts.CurrentUserName, ctx.facts.CurrentDataSource);
    });
    if (ctx.connection)
        QObject::connect(ctx.connection, &Connection::transactionStateChanged, m_queryTool.get(),
                         &TFRM_QueryTool::showTransactionState);
    QObject::connect(m_login.get(), &TFRM_Login::mainWindowWanted, m_queryTool.get(), [&ctx] {
        ctx.queryTool->ShowPlatformVersion();
        ctx.queryTool->show();
        ctx.queryTool->raise();
        ctx.queryTool->activateWindow();
    });
}

Startup::~Startup()
{
    m_ctx.settings.reportFailuresTo({});
    // Reverse order; each registry entry goes before its form.
    m_execution.reset();
    m_historyWindow = nullptr;
    m_findReplace.reset();
    m_ctx.options = nullptr;
    m_ctx.windows.options = nullptr;
    m_options.reset();
    m_ctx.windows.about = nullptr;
    m_ctx.about = nullptr;
    m_about.reset();
    m_ctx.qryFunc = nullptr;
    m_ctx.windows.qryFunc = nullptr;
    m_qryFunc.reset();
    m_ctx.report = nullptr;
    m_ctx.windows.report = nullptr;
    m_report.reset();
    m_ctx.query = nullptr;
    m_ctx.windows.query = nullptr;
    m_query.reset();
    m_ctx.queryTool = nullptr;
    m_ctx.windows.queryTool = nullptr;
    m_queryTool.reset();
    m_ctx.login = nullptr;
    m_ctx.connection = nullptr;
    m_login.reset();
}
