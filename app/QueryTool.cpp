// TFRM_QueryTool: the window's handlers. Its controls are built in QueryToolLayout.cpp.
#include "app/main.h"

#include "app/About.h"
#include "app/EditorColours.h"
#include "app/EditorDocument.h"
#include "app/EditorRecovery.h"
#include "app/HelpWindow.h"
#include "app/OpenTransaction.h"
#include "app/StatusPanels.h"
#include "connection/Connection.h"
#include "connection/Login.h"
#include "connection/StatementBounds.h"
#include "platform/AppContext.h"
#include "platform/ClockText.h"
#include "platform/Desktop.h"
#include "platform/GeneralError.h"
#include "platform/PlatformVersion.h"
#include "platform/WindowPlacement.h"
#include "settings/ColorValue.h"
#include "settings/Settings.h"
#include "settings/SettingsSchema.h"
#include "settings/SettingsStore.h"
#include "settings/StoredPlacement.h"
#include "settings/UsableRange.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFileInfo>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>
#include <QToolButton>

#include <new>

namespace {

const QString kHideToolbar = QStringLiteral("Hide Toolbar");
const QString kShowToolbar = QStringLiteral("Show Toolbar");

void ShowModeless(QWidget* window)
{
    if (!window)
        return;
    window->show();
    window->raise();
    window->activateWindow();
}

} // namespace

void TFRM_QueryTool::FormCreate()
{
    resize(640, 480);
    REDT_QueryTool->clear();

    namespace S = Schema::System;
    // Created before the message loop, where nothing would catch a settings failure: it is
    // shown here and the clocks keep their default intervals.
    setTimeInterval(RefreshInterval(S::TimeRefreshHours.readDefault, S::TimeRefreshMinutes.readDefault,
                                    S::TimeRefreshSeconds.readDefault));
    setDateInterval(RefreshInterval(S::DateRefreshHours.readDefault, S::DateRefreshMinutes.readDefault,
                                    S::DateRefreshSeconds.readDefault));
    try {
        const SettingsStore store = m_ctx.settings.open();
        setTimeInterval(RefreshInterval(store.Read(S::TimeRefreshHours), store.Read(S::TimeRefreshMinutes),
                                        store.Read(S::TimeRefreshSeconds)));
        // The date panel refreshes too, at the interval the options dialog keeps for it.
        setDateInterval(RefreshInterval(store.Read(S::DateRefreshHours), store.Read(S::DateRefreshMinutes),
                                        store.Read(S::DateRefreshSeconds)));
    } catch (const std::exception& failure) {
        ShowGeneralError(m_ctx.desktop, failure);
    }
}

void TFRM_QueryTool::FormShow()
{
    namespace G = Schema::General;
    const SettingsStore store = m_ctx.settings.open();

    m_placement->apply(ReadPlacement(store, Schema::Location::Window));

    QPalette palette = REDT_QueryTool->palette();
    palette.setColor(QPalette::Base, ColorFromValue(store.Read(G::BackgroundColor)));
    palette.setColor(QPalette::Text, ColorFromValue(store.Read(G::FontColor)));
    REDT_QueryTool->setPalette(palette);

    QFont font = REDT_QueryTool->font();
    font.setFamily(store.Read(G::FontName));
    font.setPointSize(UsableRange::FontPoints(store.Read(G::FontSize)));

    const bool showToolbar = store.Read(G::ShowToolbar);
    PNL_Top->setVisible(showToolbar);
    MI_Toolbar->setText(showToolbar ? kHideToolbar : kShowToolbar);

    font.setBold(store.Read(G::FontBold));
    font.setItalic(store.Read(G::FontItalic));
    font.setUnderline(store.Read(G::FontUnderline));
    font.setStrikeOut(store.Read(G::FontStrikeOut));
    REDT_QueryTool->setFont(font);

    REDT_QueryTool->setLineWrapMode(store.Read(G::WordWrap) ? QPlainTextEdit::WidgetWidth
                                                            : QPlainTextEdit::NoWrap);
    MI_SyntaxColors->setChecked(store.Read(G::SyntaxColors));
    m_colours->setEnabled(MI_SyntaxColors->isChecked());
    // The user logged in to type SQL: the editor takes the keyboard.
    REDT_QueryTool->setFocus();
}

void TFRM_QueryTool::FormActivate()
{
    QWidget* options = m_ctx.windows.options;
    if (options && options->isVisible())
        options->raise();
}

bool TFRM_QueryTool::FormClose()
{
    if (m_ending)
        return true;
    const bool confirm = m_ctx.settings.open().Read(Schema::General::ConfirmBeforeExit);
    // A store that failed just now is named before the question, and not lost with the program.
    m_ctx.settings.showPendingReport();
    if (confirm) {
        if (m_ctx.desktop.messageBox(BoxKind::Confirmation, QStringLiteral("Quit Application ?"),
                                     BoxButtons::YesNo, this) != BoxAnswer::Yes)
            return false;
    }
    // Ending the session would roll an open transaction back unasked.
    if (!SettleOpenTransaction(m_ctx, this))
        return false;
    if (confirm) {
        savePlacement();
        m_ctx.settings.showPendingReport();
    }
    m_ending = true;
    m_ctx.desktop.endApplication();
    return true;
}

void TFRM_QueryTool::savePlacement()
{
    // The normal frame is stored beside the maximised flag: a window left maximised comes back
    // maximised, and restores to where it was before.
    SettingsStore store = m_ctx.settings.open();
    WritePlacement(store, Schema::Location::Window, m_placement->current());
}

void TFRM_QueryTool::showEvent(QShowEvent* event)
{
    // Spontaneous shows come from the window system (a restore); only our own show applies the settings.
    if (!event->spontaneous()) {
        RunGuarded(m_ctx.desktop, [this] { FormShow(); });
        // First shown by the first login: the text of the last run comes back now.
        RunGuarded(m_ctx.desktop, [this] { m_recovery->restore(); });
    }
    QMainWindow::showEvent(event);
}

void TFRM_QueryTool::closeEvent(QCloseEvent* event)
{
    // A failure ends the close handling, and the window stays.
    bool close = false;
    RunGuarded(m_ctx.desktop, [&] { close = FormClose(); });
    if (close)
        event->accept();
    else
        event->ignore();
}

void TFRM_QueryTool::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::WindowStateChange) {
        const auto* change = static_cast<QWindowStateChangeEvent*>(event);
        if (isMinimized() && !(change->oldState() & Qt::WindowMinimized) && !m_minimizing) {
            // Every window of the program goes with this one.
            m_minimizing = true;
            m_ctx.desktop.minimizeApplication();
            m_minimizing = false;
        }
    } else if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
        FormActivate();
    }
    QMainWindow::changeEvent(event);
}

QString TFRM_QueryTool::editorText() const
{
    return EditorDocument::Text(*REDT_QueryTool);
}

QStringList TFRM_QueryTool::editorLines() const
{
    return EditorDocument::Lines(*REDT_QueryTool);
}

void TFRM_QueryTool::setEditorText(const QString& text)
{
    EditorDocument::SetText(*REDT_QueryTool, text);
}

void TFRM_QueryTool::setTimeInterval(int milliseconds)
{
    SetRefreshInterval(*Timer_Time, milliseconds);
}

void TFRM_QueryTool::setDateInterval(int milliseconds)
{
    SetRefreshInterval(*Timer_Date, milliseconds);
}

void TFRM_QueryTool::showConnection(const QString& userName, const QString& dataSource)
{
    SBR_QueryTool->setPanelText(0, QStringLiteral("USER NAME:  '") + userName + u'\'');
    SBR_QueryTool->setPanelText(1, QStringLiteral("DATA SOURCE:  ") + dataSource);
    // Comments are coloured as the engine logged in to reads them.
    m_colours->setDialect(m_ctx.connection ? m_ctx.connection->sqlDialect() : SqlDialect::Standard);
    Timer_DateTimer();
    Timer_TimeTimer();
}

void TFRM_QueryTool::ShowPlatformVersion()
{
    showPlatformVersion(ReadPlatformVersion());
}

void TFRM_QueryTool::showPlatformVersion(const PlatformVersion& version)
{
    if (!version.ok) {
        // No version known: the result window's minimise rule then takes the oldest behaviour.
        m_ctx.platformMajorVersion = 0;
        return;
    }
    SBR_Windows->setPanelText(0, version.platformName);
    SBR_Windows->setPanelText(1, KernelVersionText(version));
    QString release = version.supplementary.left(PlatformVersion::kMaxSupplementaryLength);
    if (const qsizetype nul = release.indexOf(QChar(0)); nul >= 0)
        release.truncate(nul);
    SBR_Windows->setPanelText(2, release);
    m_ctx.platformMajorVersion = version.majorVersion;
}

void TFRM_QueryTool::showTransactionState(bool open)
{
    PNL_Transaction->setVisible(open);
}

void TFRM_QueryTool::Timer_TimeTimer()
{
    SBR_QueryTool->setPanelText(3, QStringLiteral("TIME:  ") + LongTimeText(QTime::currentTime()));
}

void TFRM_QueryTool::Timer_DateTimer()
{
    SBR_QueryTool->setPanelText(2, QStringLiteral("DATE:  ") +
                                       ShortDateText(QDate::currentDate(), m_ctx.shortDateFormat));
}

void TFRM_QueryTool::MI_ToolbarClick()
{
    // Decided by the caption, so caption and tool bar stay paired whatever was stored.
    const bool show = MI_Toolbar->text() != kHideToolbar;
    PNL_Top->setVisible(show);
    MI_Toolbar->setText(show ? kHideToolbar : kShowToolbar);
    RunGuarded(m_ctx.desktop,
               [this, show] { m_ctx.settings.open().Write(Schema::General::ShowToolbar, show); });
}

void TFRM_QueryTool::MI_SyntaxColorsClick()
{
    // The checkable item has already turned itself over: it says what is wanted now.
    const bool on = MI_SyntaxColors->isChecked();
    m_colours->setEnabled(on);
    RunGuarded(m_ctx.desktop, [this, on] { m_ctx.settings.open().Write(Schema::General::SyntaxColors, on); });
}

void TFRM_QueryTool::BBN_ClearScreenClick()
{
    EditorDocument::Clear(*REDT_QueryTool);
}

void TFRM_QueryTool::MI_SelectAllClick()
{
    REDT_QueryTool->setFocus();
    REDT_QueryTool->selectAll();
}

void TFRM_QueryTool::BBN_ChangeDataSourceClick()
{
    // A new login closes this session and with it any open transaction.
    bool settled = false;
    RunGuarded(m_ctx.desktop, [&] { settled = SettleOpenTransaction(m_ctx, this); });
    if (!settled)
        return;
    ShowModeless(m_ctx.login);
}

void TFRM_QueryTool::BBN_OptionsClick()
{
    ShowModeless(m_ctx.windows.options);
}

void TFRM_QueryTool::BBN_AboutClick()
{
    ShowModeless(m_ctx.windows.about);
}

void TFRM_QueryTool::BBN_CloseClick()
{
    FormClose();
}

void TFRM_QueryTool::BBN_HelpClick()
{
    if (!m_help) {
        m_help = std::make_unique<HelpWindow>();
        // Opened over this window, but wholly on its screen.
        QRect frame(QPoint(), m_help->size().grownBy(WindowPlacement::FrameMargins(*m_help)));
        frame.moveCenter(WindowPlacement::Frame(*this).center());
        WindowPlacement::SetFrame(*m_help, WhollyOnScreen(frame, WindowPlacement::AvailableAreas()));
    }
    m_help->showContents();
    m_help->showSearch();
}

void TFRM_QueryTool::BBN_ExecuteSQLClick()
{
    Q_EMIT executeSQLRequested(editorLines(), WindowPlacement::Frame(*this).topLeft());
}

void TFRM_QueryTool::MI_ExecuteStatementClick()
{
    // Whatever keeps Execute SQL from running keeps this from running too.
    if (!BBN_ExecuteSQL->isEnabled())
        return;
    const QString text = editorText();
    const QTextCursor cursor = REDT_QueryTool->textCursor();
    QString statement;
    if (cursor.hasSelection()) {
        statement = text.mid(cursor.selectionStart(), cursor.selectionEnd() - cursor.selectionStart());
    } else {
        const SqlDialect dialect = m_ctx.connection ? m_ctx.connection->sqlDialect() : SqlDialect::Standard;
        const StatementBounds bounds = StatementAt(text, cursor.position(), dialect);
        statement = text.mid(bounds.begin, bounds.end - bounds.begin);
    }
    Q_EMIT executeStatementRequested(statement.split(QLatin1Char('\n')),
                                     WindowPlacement::Frame(*this).topLeft());
}

void TFRM_QueryTool::BBN_PrintSQLClick()
{
    Q_EMIT printSQLRequested();
}

void TFRM_QueryTool::MI_FindClick()
{
    Q_EMIT findRequested();
}

void TFRM_QueryTool::MI_FindNextClick()
{
    Q_EMIT findNextRequested();
}

void TFRM_QueryTool::MI_ReplaceClick()
{
    Q_EMIT replaceRequested();
}

void TFRM_QueryTool::MI_SQLHistoryClick()
{
    Q_EMIT sqlHistoryRequested();
}

void TFRM_QueryTool::insertAtCursor(const QString& text)
{
    REDT_QueryTool->insertPlainText(text);
    raise();
    activateWindow();
    REDT_QueryTool->setFocus();
}

void TFRM_QueryTool::BBN_LoadSQLClick()
{
    try {
        const std::optional<QString> path = m_sqlFile.chooseFileToLoad(this);
        if (!path)
            return;
        const BusyCursor busy(m_ctx.desktop);
        // Read first: a file that cannot be read leaves the editor as it was. The window keeps
        // painting while a large file comes in; the user's input waits until it is there.
        const QString text =
            SqlFile::Read(*path, [] { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); });
        try {
            setEditorText(text);
        } catch (const std::bad_alloc&) {
            throw SqlFileError(SqlFile::TooLargeText(*path, QFileInfo(*path).size()));
        }
    } catch (const std::exception& e) {
        ShowGeneralError(m_ctx.desktop, e);
    }
}

void TFRM_QueryTool::BBN_SaveSQLClick()
{
    try {
        const std::optional<QString> path = m_sqlFile.chooseFileToSave(this);
        if (!path)
            return;
        const BusyCursor busy(m_ctx.desktop);
        SqlFile::Write(*path, editorText());
    } catch (const std::exception& e) {
        ShowGeneralError(m_ctx.desktop, e);
    }
}
