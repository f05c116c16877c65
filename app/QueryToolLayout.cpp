// TFRM_QueryTool: building the window's controls. The handlers are in QueryTool.cpp.
#include "app/main.h"

#include "app/EditorColours.h"
#include "app/EditorRecovery.h"
#include "app/HelpWindow.h"
#include "app/OpenTransaction.h"
#include "app/RecoveryFile.h"
#include "app/StatusPanels.h"
#include "platform/AppContext.h"
#include "platform/ToolbarGlyphs.h"
#include "platform/WindowPlacement.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QShortcut>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

constexpr int kToolbarHeight = 82;
constexpr int kButtonHeight = 40;
constexpr int kSecondRowTop = 41;
constexpr int kColumnLeft[5] = {0, 127, 254, 381, 507};
constexpr int kColumnWidth[5] = {126, 126, 126, 125, 125};
constexpr QColor kNavy{0, 0, 128};

QFont ArialFont(bool bold)
{
    QFont font(QStringLiteral("Arial"), 8);
    font.setBold(bold);
    return font;
}

/// Text colour for both the enabled and the disabled look, so a bar that takes no input does not
/// look greyed out.
void SetTextColor(QWidget& widget, const QColor& color)
{
    QPalette palette = widget.palette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        palette.setColor(group, QPalette::WindowText, color);
        palette.setColor(group, QPalette::ButtonText, color);
        palette.setColor(group, QPalette::Text, color);
    }
    widget.setPalette(palette);
}

} // namespace

TFRM_QueryTool::TFRM_QueryTool(AppContext& ctx, QWidget* parent)
    : QMainWindow(parent), m_ctx(ctx), m_sqlFile(ctx.desktop, ctx.settings, ctx.facts),
      m_placement(new WindowPlacement(*this))
{
    setObjectName(QStringLiteral("TFRM_QueryTool"));
    setWindowTitle(QStringLiteral("Tovak's Query Tool"));
    setWindowIcon(ProgramIcon());
    setFont(QFont(QStringLiteral("Courier New"), 10));
    SetTextColor(*this, Qt::blue);

    auto* client = new QWidget(this);
    auto* layout = new QVBoxLayout(client);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    setCentralWidget(client);

    buildToolbar();
    buildEditor();
    buildStatusBars();
    layout->addWidget(PNL_Top);
    layout->addWidget(REDT_QueryTool, 1);
    layout->addWidget(SBR_Windows);
    layout->addWidget(SBR_QueryTool);
    buildMenu();
    buildExecuteShortcuts();
    m_recovery = std::make_unique<EditorRecovery>(*REDT_QueryTool, ctx.desktop, RecoveryFile::DefaultFolder(),
                                                  RecoveryFile::LegacyPath());

    Timer_Time = new QTimer(this);
    Timer_Time->setObjectName(QStringLiteral("Timer_Time"));
    connect(Timer_Time, &QTimer::timeout, this, &TFRM_QueryTool::Timer_TimeTimer);
    Timer_Date = new QTimer(this);
    Timer_Date->setObjectName(QStringLiteral("Timer_Date"));
    connect(Timer_Date, &QTimer::timeout, this, &TFRM_QueryTool::Timer_DateTimer);

    FormCreate();
}

TFRM_QueryTool::~TFRM_QueryTool()
{
    // Every way the program ends comes through here, the ones that skip the close handling too.
    m_recovery.reset();
    m_colours.reset();
}

void TFRM_QueryTool::buildToolbar()
{
    struct Button
    {
        QToolButton* TFRM_QueryTool::*member;
        QString name;
        QString caption;
        void (TFRM_QueryTool::*handler)();
    };
    // Row by row: the tab order follows this list.
    const Button buttons[] = {
        {&TFRM_QueryTool::BBN_ClearScreen, QStringLiteral("BBN_ClearScreen"), QStringLiteral("Clear Screen"),
         &TFRM_QueryTool::BBN_ClearScreenClick},
        {&TFRM_QueryTool::BBN_ChangeDataSource, QStringLiteral("BBN_ChangeDataSource"),
         QStringLiteral("Change Data Source"), &TFRM_QueryTool::BBN_ChangeDataSourceClick},
        {&TFRM_QueryTool::BBN_ExecuteSQL, QStringLiteral("BBN_ExecuteSQL"), QStringLiteral("Execute SQL"),
         &TFRM_QueryTool::BBN_ExecuteSQLClick},
        {&TFRM_QueryTool::BBN_PrintSQL, QStringLiteral("BBN_PrintSQL"), QStringLiteral("Print SQL"),
         &TFRM_QueryTool::BBN_PrintSQLClick},
        {&TFRM_QueryTool::BBN_Options, QStringLiteral("BBN_Options"), QStringLiteral("Options"),
         &TFRM_QueryTool::BBN_OptionsClick},
        {&TFRM_QueryTool::BBN_LoadSQL, QStringLiteral("BBN_LoadSQL"), QStringLiteral("Load SQL"),
         &TFRM_QueryTool::BBN_LoadSQLClick},
        {&TFRM_QueryTool::BBN_SaveSQL, QStringLiteral("BBN_SaveSQL"), QStringLiteral("Save SQL"),
         &TFRM_QueryTool::BBN_SaveSQLClick},
        {&TFRM_QueryTool::BBN_Close, QStringLiteral("BBN_Close"), QStringLiteral("Close"),
         &TFRM_QueryTool::BBN_CloseClick},
        {&TFRM_QueryTool::BBN_About, QStringLiteral("BBN_About"), QStringLiteral("About"),
         &TFRM_QueryTool::BBN_AboutClick},
        {&TFRM_QueryTool::BBN_Help, QStringLiteral("BBN_Help"), QStringLiteral("Help"),
         &TFRM_QueryTool::BBN_HelpClick},
    };

    PNL_Top = new QWidget(this);
    PNL_Top->setObjectName(QStringLiteral("PNL_Top"));
    PNL_Top->setFixedHeight(kToolbarHeight);

    QToolButton* previous = nullptr;
    for (int i = 0; i < 10; ++i) {
        const Button& entry = buttons[i];
        auto* button = new QToolButton(PNL_Top);
        button->setObjectName(entry.name);
        button->setText(entry.caption);
        button->setIcon(ToolbarGlyph(entry.name));
        button->setIconSize(QSize(20, 20));
        button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        button->setFont(ArialFont(false));
        SetTextColor(*button, Qt::black);
        button->setFocusPolicy(Qt::StrongFocus);
        const int row = i / 5;
        const int column = i % 5;
        button->setGeometry(kColumnLeft[column], row == 0 ? 0 : kSecondRowTop, kColumnWidth[column],
                            kButtonHeight);
        connect(button, &QToolButton::clicked, this, entry.handler);
        this->*entry.member = button;
        if (previous)
            setTabOrder(previous, button);
        previous = button;
    }
}

void TFRM_QueryTool::buildEditor()
{
    REDT_QueryTool = new QPlainTextEdit(this);
    REDT_QueryTool->setObjectName(QStringLiteral("REDT_QueryTool"));
    REDT_QueryTool->setFont(QFont(QStringLiteral("Courier New"), 10));
    SetTextColor(*REDT_QueryTool, Qt::blue);
    REDT_QueryTool->setTabChangesFocus(false);
    REDT_QueryTool->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    REDT_QueryTool->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    REDT_QueryTool->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    REDT_QueryTool->installEventFilter(this);
    m_colours = std::make_unique<EditorColours>(*REDT_QueryTool);
}

void TFRM_QueryTool::buildStatusBars()
{
    SBR_Windows = new StatusPanels({250, 175, 100}, this);
    SBR_Windows->setObjectName(QStringLiteral("SBR_Windows"));
    SBR_Windows->setFont(ArialFont(true));
    SetTextColor(*SBR_Windows, Qt::blue);

    SBR_QueryTool = new StatusPanels({175, 200, 125, 50}, this);
    SBR_QueryTool->setObjectName(QStringLiteral("SBR_QueryTool"));
    SBR_QueryTool->setFont(ArialFont(true));
    SetTextColor(*SBR_QueryTool, kNavy);
    SBR_QueryTool->setEnabled(false);
    SBR_QueryTool->setPanelText(0, QStringLiteral("USER NAME:  "));
    SBR_QueryTool->setPanelText(1, QStringLiteral("DATA SOURCE:  "));
    // On the upper bar: beside the clock it would squeeze the time out of sight.
    PNL_Transaction = AddTransactionPanel(*SBR_Windows);
}

QAction* TFRM_QueryTool::addEntry(QMenu* menu, const QString& name, const QString& caption,
                                  const QKeySequence& shortcut, void (TFRM_QueryTool::*handler)())
{
    QAction* action = menu->addAction(caption);
    action->setObjectName(name);
    action->setShortcut(shortcut);
    if (handler)
        connect(action, &QAction::triggered, this, handler);
    return action;
}

void TFRM_QueryTool::buildMenu()
{
    MNU_Vemra = menuBar();
    MNU_Vemra->setObjectName(QStringLiteral("MNU_Vemra"));
    // The form's editor font is not the menu's.
    MNU_Vemra->setFont(QApplication::font(MNU_Vemra));
    MNU_Vemra->setPalette(QApplication::palette(MNU_Vemra));

    using K = QKeySequence;
    QMenu* file = MNU_Vemra->addMenu(QStringLiteral("&File"));
    MI_New =
        addEntry(file, QStringLiteral("MI_New"), QStringLiteral("&New"), K(Qt::CTRL | Qt::Key_N), nullptr);
    file->addSeparator();
    MI_LoadFromFile = addEntry(file, QStringLiteral("MI_LoadFromFile"), QStringLiteral("&Load From File"),
                               K(Qt::CTRL | Qt::Key_L), &TFRM_QueryTool::BBN_LoadSQLClick);
    MI_SaveToFile = addEntry(file, QStringLiteral("MI_SaveToFile"), QStringLiteral("&Save To File"),
                             K(Qt::CTRL | Qt::Key_S), &TFRM_QueryTool::BBN_SaveSQLClick);
    file->addSeparator();
    MI_Print = addEntry(file, QStringLiteral("MI_Print"), QStringLiteral("&Print"), K(Qt::CTRL | Qt::Key_P),
                        &TFRM_QueryTool::BBN_PrintSQLClick);
    file->addSeparator();
    MI_Exit = addEntry(file, QStringLiteral("MI_Exit"), QStringLiteral("&Exit"), K(),
                       &TFRM_QueryTool::BBN_CloseClick);

    QMenu* edit = MNU_Vemra->addMenu(QStringLiteral("&Edit"));
    MI_SelectAll = addEntry(edit, QStringLiteral("MI_SelectAll"), QStringLiteral("&Select All"), K(),
                            &TFRM_QueryTool::MI_SelectAllClick);
    MI_ClearScreen = addEntry(edit, QStringLiteral("MI_ClearScreen"), QStringLiteral("&Clear Screen"), K(),
                              &TFRM_QueryTool::BBN_ClearScreenClick);
    edit->addSeparator();
    MI_ExecuteStatement =
        addEntry(edit, QStringLiteral("MI_ExecuteStatement"), QStringLiteral("Execute S&tatement"),
                 K(Qt::CTRL | Qt::SHIFT | Qt::Key_Return), &TFRM_QueryTool::MI_ExecuteStatementClick);
    // The keypad's Enter too, as for Execute SQL.
    MI_ExecuteStatement->setShortcuts(
        {K(Qt::CTRL | Qt::SHIFT | Qt::Key_Return), K(Qt::CTRL | Qt::SHIFT | Qt::Key_Enter)});

    QMenu* search = MNU_Vemra->addMenu(QStringLiteral("&Search"));
    MI_Find = addEntry(search, QStringLiteral("MI_Find"), QStringLiteral("&Find"), K(Qt::CTRL | Qt::Key_F),
                       &TFRM_QueryTool::MI_FindClick);
    MI_FindNext = addEntry(search, QStringLiteral("MI_FindNext"), QStringLiteral("Find &Next"), K(Qt::Key_F3),
                           &TFRM_QueryTool::MI_FindNextClick);
    MI_Replace = addEntry(search, QStringLiteral("MI_Replace"), QStringLiteral("&Replace"),
                          K(Qt::CTRL | Qt::Key_R), &TFRM_QueryTool::MI_ReplaceClick);

    QMenu* view = MNU_Vemra->addMenu(QStringLiteral("&View"));
    MI_Toolbar = addEntry(view, QStringLiteral("MI_Toolbar"), QStringLiteral("Hide Toolbar"),
                          K(Qt::CTRL | Qt::Key_T), &TFRM_QueryTool::MI_ToolbarClick);
    MI_SyntaxColors = addEntry(view, QStringLiteral("MI_SyntaxColors"), QStringLiteral("Syntax Colors"), K(),
                               &TFRM_QueryTool::MI_SyntaxColorsClick);
    MI_SyntaxColors->setCheckable(true);
    view->addSeparator();
    MI_Options = addEntry(view, QStringLiteral("MI_Options"), QStringLiteral("Options"),
                          K(Qt::CTRL | Qt::Key_O), &TFRM_QueryTool::BBN_OptionsClick);
    view->addSeparator();
    MI_SQLHistory = addEntry(view, QStringLiteral("MI_SQLHistory"), QStringLiteral("SQL &History"),
                             K(Qt::CTRL | Qt::Key_H), &TFRM_QueryTool::MI_SQLHistoryClick);
    MI_Schema = addEntry(view, QStringLiteral("MI_Schema"), QStringLiteral("Schema"), K(Qt::Key_F6), nullptr);
    connect(MI_Schema, &QAction::triggered, this, &TFRM_QueryTool::schemaRequested);

    QMenu* help = MNU_Vemra->addMenu(QStringLiteral("&Help"));
    MI_Contents = addEntry(help, QStringLiteral("MI_Contents"), QStringLiteral("&Contents"), K(Qt::Key_F1),
                           &TFRM_QueryTool::BBN_HelpClick);
    help->addSeparator();
    MI_About = addEntry(help, QStringLiteral("MI_About"), QStringLiteral("&About..."),
                        K(Qt::CTRL | Qt::Key_A), &TFRM_QueryTool::BBN_AboutClick);
}

void TFRM_QueryTool::buildExecuteShortcuts()
{
    BBN_ExecuteSQL->setToolTip(
        QStringLiteral("Execute SQL (F5, Ctrl+Enter)\nExecute Statement (Ctrl+Shift+Enter)"));
    // Ctrl with the main Return key and with the keypad's Enter key: both are "Ctrl+Enter" to a user.
    const QKeySequence keys[] = {QKeySequence(Qt::Key_F5), QKeySequence(Qt::CTRL | Qt::Key_Return),
                                 QKeySequence(Qt::CTRL | Qt::Key_Enter)};
    for (const QKeySequence& key : keys) {
        auto* shortcut = new QShortcut(key, this);
        shortcut->setContext(Qt::WindowShortcut);
        // The button's own click: a disabled button does nothing.
        connect(shortcut, &QShortcut::activated, BBN_ExecuteSQL, &QToolButton::click);
        executeShortcuts.append(shortcut);
    }
}

bool TFRM_QueryTool::eventFilter(QObject* watched, QEvent* event)
{
    // An Alt combination that no menu or button takes is a command gone astray, never text: the
    // editor itself would type the letter of Alt+letter. (It never types Ctrl combinations, and
    // its Ctrl keys, copy and undo among them, must reach it. AltGr is no Alt here.)
    if (watched == REDT_QueryTool && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if ((key->modifiers() & Qt::AltModifier) && !key->text().isEmpty() && key->text().front().isPrint())
            return true;
    }
    // The menu's shortcuts win over the editor's own keys (Ctrl+A is About here, not select-all).
    if (watched == REDT_QueryTool && event->type() == QEvent::ShortcutOverride) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const QKeySequence pressed(key->keyCombination());
        const QList<QAction*> entries = MNU_Vemra->findChildren<QAction*>();
        for (const QAction* entry : entries) {
            if (!entry->shortcut().isEmpty() && entry->shortcut() == pressed) {
                event->ignore();
                return true;
            }
        }
    }
    return QMainWindow::eventFilter(watched, event);
}
