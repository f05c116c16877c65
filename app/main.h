#pragma once

#include "app/SqlFile.h"

#include <QMainWindow>
#include <QPoint>
#include <QStringList>

#include <memory>

class EditorColours;
class EditorRecovery;
class HelpWindow;
class QAction;
class QLabel;
class QMenu;
class QMenuBar;
class QPlainTextEdit;
class QShortcut;
class QTimer;
class QToolButton;
class StatusPanels;
class WindowPlacement;
struct AppContext;
struct PlatformVersion;

/// The main window: the SQL editor, the two-row tool bar, the main menu, the platform and
/// connection status bars and the two clock timers.
///
/// It is not the application's main form: it is created hidden and first shown by a successful
/// login, and closing it never just hides it. The close procedure either ends the application
/// (after the optional "Quit Application ?") or leaves the window open.
///
/// Commands carried out elsewhere (execution, SQL printout, editor search) are announced by the
/// *Requested signals; start-up connects them.
class TFRM_QueryTool final : public QMainWindow
{
    Q_OBJECT
public:
    explicit TFRM_QueryTool(AppContext& ctx, QWidget* parent = nullptr);
    ~TFRM_QueryTool() override;

    // Controls, by their given names (also their object names).
    QWidget* PNL_Top;
    QToolButton* BBN_ClearScreen;
    QToolButton* BBN_ChangeDataSource;
    QToolButton* BBN_ExecuteSQL;
    QToolButton* BBN_PrintSQL;
    QToolButton* BBN_Options;
    QToolButton* BBN_LoadSQL;
    QToolButton* BBN_SaveSQL;
    QToolButton* BBN_Close;
    QToolButton* BBN_About;
    QToolButton* BBN_Help;
    QPlainTextEdit* REDT_QueryTool;
    StatusPanels* SBR_Windows;
    StatusPanels* SBR_QueryTool;
    QTimer* Timer_Time;
    QTimer* Timer_Date;
    /// Shown at the status bar's right end while the session holds an open transaction.
    QLabel* PNL_Transaction;

    QMenuBar* MNU_Vemra;
    QAction* MI_New;
    QAction* MI_LoadFromFile;
    QAction* MI_SaveToFile;
    QAction* MI_Print;
    QAction* MI_Exit;
    QAction* MI_SelectAll;
    QAction* MI_ClearScreen;
    QAction* MI_Find;
    QAction* MI_FindNext;
    QAction* MI_Replace;
    QAction* MI_Toolbar;
    QAction* MI_Options;
    QAction* MI_SyntaxColors;
    QAction* MI_Contents;
    QAction* MI_About;
    /// F6: the schema window.
    QAction* MI_Schema = nullptr;
    QAction* MI_SQLHistory = nullptr;
    /// "Execute Statement" (Ctrl+Shift+Return): the selection, or the one statement under the cursor.
    QAction* MI_ExecuteStatement;

    /// F5, Ctrl+Enter and Ctrl+Return (main and keypad keys): the same as pressing "Execute SQL".
    QList<QShortcut*> executeShortcuts;

    /// Keeps the editor's text between runs; restored at the first showing (after the first login).
    EditorRecovery& recovery() const { return *m_recovery; }

    /// The editor's text: its logical lines joined by "\n", every character as it was put in
    /// (no-break spaces and line separators included).
    QString editorText() const;
    /// The editor's logical lines (paragraphs), whole: wrapping on screen never splits them.
    QStringList editorLines() const;
    void setEditorText(const QString& text);
    /// Puts text into the editor at its cursor (over a selection) and brings the editor forward.
    void insertAtCursor(const QString& text);

    /// Sets a clock interval in milliseconds; 0 stops the timer.
    void setTimeInterval(int milliseconds);
    void setDateInterval(int milliseconds);

    /// After a successful login: user and data source panels, then date and time.
    void showConnection(const QString& userName, const QString& dataSource);
    /// Fills the platform status bar from the operating system's version record.
    void ShowPlatformVersion();
    /// The same from a given record (a failed record leaves the panels as they are).
    void showPlatformVersion(const PlatformVersion& version);
    /// Shows or hides the open-transaction panel.
    void showTransactionState(bool open);

public Q_SLOTS:
    void BBN_ClearScreenClick();
    void BBN_ChangeDataSourceClick();
    void BBN_ExecuteSQLClick();
    void BBN_PrintSQLClick();
    void BBN_OptionsClick();
    void BBN_LoadSQLClick();
    void BBN_SaveSQLClick();
    void BBN_CloseClick();
    void BBN_AboutClick();
    void BBN_HelpClick();
    void MI_SelectAllClick();
    void MI_ToolbarClick();
    void MI_SyntaxColorsClick();
    void MI_FindClick();
    void MI_FindNextClick();
    void MI_ReplaceClick();
    void MI_ExecuteStatementClick();
    void Timer_TimeTimer();
    void Timer_DateTimer();
    void MI_SQLHistoryClick();

Q_SIGNALS:
    /// "Execute SQL": the statement's lines and this window's frame corner, where a result window
    /// that was never placed opens.
    void executeSQLRequested(const QStringList& editorLines, const QPoint& windowTopLeft);
    /// "Execute Statement": the lines of the selection or of the statement under the cursor.
    void executeStatementRequested(const QStringList& statementLines, const QPoint& windowTopLeft);
    void printSQLRequested();
    void findRequested();
    void findNextRequested();
    void replaceRequested();
    void schemaRequested();
    void sqlHistoryRequested();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildToolbar();
    void buildEditor();
    void buildStatusBars();
    void buildMenu();
    void buildExecuteShortcuts();
    QAction* addEntry(QMenu* menu, const QString& name, const QString& caption, const QKeySequence& shortcut,
                      void (TFRM_QueryTool::*handler)());

    void FormCreate();
    void FormShow();
    void FormActivate();
    /// The close procedure; true when the application ends, false when the window stays open.
    bool FormClose();
    void savePlacement();

    AppContext& m_ctx;
    SqlFile m_sqlFile;
    std::unique_ptr<HelpWindow> m_help;
    /// Not a child object: it writes the editor's text as it goes, before the editor is deleted.
    std::unique_ptr<EditorRecovery> m_recovery;
    WindowPlacement* m_placement;
    /// Not a child object: it watches the editor and goes before it.
    std::unique_ptr<EditorColours> m_colours;
    bool m_ending = false;
    bool m_minimizing = false;
};
