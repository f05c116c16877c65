#pragma once

#include "connection/Connection.h"
#include "connection/Query.h"
#include "query/SqlExecution.h"
#include "query/query.h"
#include "support/GuiTest.h"

#include <QStringList>

#include <functional>
#include <memory>

/// A result window on a real connection, with the execution the main window would run.
/// The connection is Sample unless a test connects it elsewhere before calling open().
class QueryWindowTest : public GuiTest
{
protected:
    static inline const QPoint kMainTopLeft{30, 40};

    void TearDown() override;

    /// Connects (Sample by default) and builds the result window.
    void open(const QString& dataSource = QStringLiteral("Sample"), const QStringList& params = {});

    /// Runs the statement as "Execute SQL" would. While the result window is up, whileShown runs
    /// on it; the window is then closed by its Close button unless whileShown closed it.
    SqlExecution::Outcome execute(const QString& sql, std::function<void(TFRM_Query&)> whileShown = {});

    /// Opens the statement on the window's query directly and shows the window (not modal).
    void showResult(const QString& sql);

    Query& query() { return window->QRY_Grid(); }

    Connection connection;
    std::unique_ptr<TFRM_Query> window;
    std::unique_ptr<SqlExecution> execution;
    bool shown = false;
};
