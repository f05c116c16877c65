#include "app/Startup.h"

#include "app/About.h"
#include "app/AppContext.h"
#include "app/main.h"
#include "connection/Login.h"

#include <QDialog>
#include <QLocale>

namespace {

// The result window, print options, grid options and options dialog are plain hidden windows
// with their captions until their own classes are created here instead, one function each.
std::unique_ptr<QWidget> PlainWindow(const QString& name, const QString& caption)
{
    auto window = std::make_unique<QDialog>();
    window->setObjectName(name);
    window->setWindowTitle(caption);
    return window;
}

std::unique_ptr<QWidget> CreateQueryWindow(AppContext&)
{
    return PlainWindow(QStringLiteral("TFRM_Query"), QStringLiteral("Query Results"));
}

std::unique_ptr<QWidget> CreateReportWindow(AppContext&)
{
    return PlainWindow(QStringLiteral("TFRM_Report"), QStringLiteral("Print Options"));
}

std::unique_ptr<QWidget> CreateQryFuncWindow(AppContext&)
{
    return PlainWindow(QStringLiteral("TFRM_QRY_FUNC"), QStringLiteral("Grid Options"));
}

std::unique_ptr<QWidget> CreateOptionsWindow(AppContext&)
{
    return PlainWindow(QStringLiteral("TFRM_Options"), QStringLiteral("Options"));
}

} // namespace

Startup::Startup(AppContext& ctx) : m_ctx(ctx)
{
    if (ctx.shortDateFormat.isEmpty())
        ctx.shortDateFormat = QLocale::system().dateFormat(QLocale::ShortFormat);

    // The login dialog's creation seeds the store and sets ProgramFolder before any other form reads them.
    m_login = std::make_unique<TFRM_Login>(ctx);
    ctx.login = m_login.get();

    m_queryTool = std::make_unique<TFRM_QueryTool>(ctx);
    ctx.queryTool = m_queryTool.get();

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
}

Startup::~Startup()
{
    // Reverse order; each registry entry goes before its form.
    m_ctx.windows.options = nullptr;
    m_options.reset();
    m_ctx.windows.about = nullptr;
    m_ctx.about = nullptr;
    m_about.reset();
    m_ctx.windows.qryFunc = nullptr;
    m_qryFunc.reset();
    m_ctx.windows.report = nullptr;
    m_report.reset();
    m_ctx.windows.query = nullptr;
    m_query.reset();
    m_ctx.queryTool = nullptr;
    m_queryTool.reset();
    m_ctx.login = nullptr;
    m_ctx.connection = nullptr;
    m_login.reset();
}
