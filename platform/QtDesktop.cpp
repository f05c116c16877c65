#include "platform/QtDesktop.h"

#include "platform/DesktopMessageBox.h"
#include "platform/FileFilter.h"
#include "platform/FontColorDialog.h"
#include "platform/InputBoxDialog.h"

#include <QApplication>
#include <QColorDialog>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QWidget>

namespace {

/// The normal cursor for the life of one modal box or dialog.
class NormalCursor final
{
public:
    explicit NormalCursor(Desktop& desktop) : m_desktop(desktop) { m_desktop.suspendBusy(); }
    ~NormalCursor() { m_desktop.resumeBusy(); }
    NormalCursor(const NormalCursor&) = delete;
    NormalCursor& operator=(const NormalCursor&) = delete;

private:
    Desktop& m_desktop;
};

/// The file dialog whose open mode finds a typed name in any letter case, as its list shows names:
/// "x" with the default extension becomes x.SQL, which should open x.sql rather than be missing.
class CaseBlindFileDialog final : public QFileDialog
{
public:
    using QFileDialog::QFileDialog;

    void accept() override
    {
        if (acceptMode() == AcceptSave)
            addDefaultSuffix();
        else
            findInAnyCase();
        QFileDialog::accept();
    }

private:
    QLineEdit* nameEdit() const { return findChild<QLineEdit*>(QStringLiteral("fileNameEdit")); }

    void findInAnyCase()
    {
        const QStringList files = selectedFiles();
        QLineEdit* edit = nameEdit();
        if (!edit || files.size() != 1 || QFileInfo::exists(files.constFirst()))
            return;
        const QFileInfo typed(files.constFirst());
        const QDir folder = typed.absoluteDir();
        const QStringList entries = folder.entryList(QDir::Files | QDir::Hidden | QDir::System);
        for (const QString& entry : entries) {
            // Written into the field: selectFile() leaves a field that has the focus alone.
            if (entry.compare(typed.fileName(), Qt::CaseInsensitive) == 0) {
                edit->setText(folder.filePath(entry));
                return;
            }
        }
    }

    // Qt decides whether a typed name is a folder against the working directory, not the dialog's,
    // so "query" was saved without its extension wherever a folder "query" happened to be current.
    // Done here, before the dialog asks about overwriting, so the question names the real file.
    void addDefaultSuffix()
    {
        QLineEdit* edit = nameEdit();
        const QString typed = edit ? edit->text().trimmed() : QString();
        if (typed.isEmpty() || defaultSuffix().isEmpty() || typed.contains(u'"') ||
            QFileInfo(typed).fileName().contains(u'.') || QFileInfo(directory(), typed).isDir())
            return;
        edit->setText(typed + u'.' + defaultSuffix());
    }
};

} // namespace

QtDesktop::QtDesktop(QString caption) : m_caption(std::move(caption)) {}

QtDesktop::~QtDesktop()
{
    if (m_cursorPushed)
        QGuiApplication::restoreOverrideCursor();
}

BoxAnswer QtDesktop::messageBox(BoxKind kind, const QString& text, BoxButtons buttons, QWidget* parent)
{
    NormalCursor normal(*this);
    DesktopMessageBox box(kind, text, buttons, m_caption, parent);
    box.exec();
    return box.answer();
}

std::optional<QString> QtDesktop::inputBox(const QString& caption, const QString& prompt,
                                           const QString& initial, int maxLength, QWidget* parent)
{
    NormalCursor normal(*this);
    InputBoxDialog box(caption, prompt, initial, maxLength, parent);
    if (box.exec() != QDialog::Accepted)
        return std::nullopt;
    return box.value();
}

std::optional<QString> QtDesktop::openFileName(const FileDialogRequest& request, QWidget* parent)
{
    return fileName(request, false, parent);
}

std::optional<QString> QtDesktop::saveFileName(const FileDialogRequest& request, QWidget* parent)
{
    return fileName(request, true, parent);
}

std::optional<QString> QtDesktop::fileName(const FileDialogRequest& request, bool save, QWidget* parent)
{
    NormalCursor normal(*this);
    CaseBlindFileDialog dialog(parent, request.title, request.folder);
    dialog.setObjectName(save ? QStringLiteral("SaveFileDialog") : QStringLiteral("OpenFileDialog"));
    // Qt's own dialog: the platform's may match patterns by letter case and ignore our options.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.confirmOverwrite);
    const QStringList filters = FileDialogNameFilters(request.filter);
    if (!filters.isEmpty())
        dialog.setNameFilters(filters);
    // "*.SQL" matches x.sql and X.Sql too.
    dialog.setFilter(dialog.filter() & ~QDir::CaseSensitive);
    dialog.setDefaultSuffix(request.defaultExtension);
    if (!request.fileName.isEmpty())
        dialog.selectFile(request.fileName);

    for (;;) {
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return std::nullopt;
        const QString chosen = dialog.selectedFiles().constFirst();
        const QFileInfo info(chosen);
        // A typed folder that does not exist goes back to the dialog rather than failing later.
        if (save && !info.absoluteDir().exists()) {
            DesktopMessageBox box(BoxKind::Error,
                                  QStringLiteral("The folder %1 does not exist.")
                                      .arg(QDir::toNativeSeparators(info.absolutePath())),
                                  BoxButtons::Ok, request.title, &dialog);
            box.exec();
            continue;
        }
        return QDir::cleanPath(info.absoluteFilePath());
    }
}

bool QtDesktop::printDialog(QPrinter& printer, QWidget* parent, const PrintDialogOptions& options)
{
    NormalCursor normal(*this);
    QPrintDialog dialog(&printer, parent);
    dialog.setObjectName(QStringLiteral("PrintDialog"));
    dialog.setOption(QAbstractPrintDialog::PrintToFile, options.printToFile);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, options.pageRange);
    dialog.setOption(QAbstractPrintDialog::PrintSelection, options.selection);
    return dialog.exec() == QDialog::Accepted;
}

bool QtDesktop::printerSetup(QPrinter& printer, QWidget* parent)
{
    NormalCursor normal(*this);
    QPageSetupDialog dialog(&printer, parent);
    dialog.setObjectName(QStringLiteral("PrinterSetupDialog"));
    return dialog.exec() == QDialog::Accepted;
}

std::optional<QColor> QtDesktop::colorDialog(const QColor& initial, QWidget* parent)
{
    NormalCursor normal(*this);
    QColorDialog dialog(initial, parent);
    dialog.setObjectName(QStringLiteral("ColorDialog"));
    dialog.setOption(QColorDialog::DontUseNativeDialog);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.selectedColor();
}

std::optional<FontChoice> QtDesktop::fontDialog(const FontDialogRequest& request, QWidget* parent)
{
    NormalCursor normal(*this);
    FontColorDialog dialog(request.initial, request.initialColor, request.effects, parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    FontChoice choice;
    choice.font = dialog.selectedFont();
    choice.color = request.effects ? dialog.selectedColor() : request.initialColor;
    return choice;
}

void QtDesktop::beginBusy()
{
    ++m_busyDepth;
    updateCursor();
}

void QtDesktop::endBusy()
{
    if (m_busyDepth > 0)
        --m_busyDepth;
    updateCursor();
}

void QtDesktop::suspendBusy()
{
    ++m_suspendDepth;
    updateCursor();
}

void QtDesktop::resumeBusy()
{
    if (m_suspendDepth > 0)
        --m_suspendDepth;
    updateCursor();
}

void QtDesktop::updateCursor()
{
    // At most one override cursor of ours on Qt's stack, so nesting can never unbalance it.
    const bool wanted = m_busyDepth > 0 && m_suspendDepth == 0;
    if (wanted && !m_cursorPushed)
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    else if (!wanted && m_cursorPushed)
        QGuiApplication::restoreOverrideCursor();
    m_cursorPushed = wanted;
}

void QtDesktop::endApplication()
{
    // Leaves every running loop, nested modal ones included.
    QCoreApplication::exit(0);
}

void QtDesktop::minimizeApplication()
{
    m_minimizer.minimize();
}
