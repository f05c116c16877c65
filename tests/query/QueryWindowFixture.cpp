#include "QueryWindowFixture.h"

#include "query/DataSourceLink.h"

#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <QTimer>

void QueryWindowTest::TearDown()
{
    if (window && window->isVisible())
        window->hide();
    execution.reset();
    window.reset();
    connection.disconnect();
    desktop.verify();
}

void QueryWindowTest::open(const QString& dataSource, const QStringList& params)
{
    connection.setName(dataSource);
    for (const QString& p : params)
        connection.addParam(p);
    connection.connect();
    ctx.connection = &connection;
    window = std::make_unique<TFRM_Query>(ctx);
    ctx.query = window.get();
    execution = std::make_unique<SqlExecution>(ctx);
}

SqlExecution::Outcome QueryWindowTest::execute(const QString& sql,
                                               std::function<void(TFRM_Query&)> whileShown)
{
    // Polls from the event loops that the execution runs (the result window's, a box's) until
    // the result window is up; stops when the execution returns without one.
    shown = false;
    auto finished = std::make_shared<bool>(false);
    auto poll = std::make_shared<std::function<void()>>();
    *poll = [this, whileShown, finished, poll] {
        if (*finished)
            return;
        if (QApplication::activeModalWidget() == window.get() && window->isVisible()) {
            shown = true;
            if (whileShown)
                whileShown(*window);
            if (window->isVisible())
                window->BBN_Close->click();
            return;
        }
        QTimer::singleShot(5, *poll);
    };
    QTimer::singleShot(0, *poll);
    const SqlExecution::Outcome outcome =
        execution->BBN_ExecuteSQLClick(sql.split(QLatin1Char('\n')), kMainTopLeft);
    *finished = true;
    *poll = nullptr;
    return outcome;
}

void QueryWindowTest::showResult(const QString& sql)
{
    Query& q = query();
    q.close();
    window->DSC_Grid->setDataSet(&q);
    q.clearSql();
    q.addSql(sql);
    q.open();
    window->show();
    QTest::qWait(1);
}
