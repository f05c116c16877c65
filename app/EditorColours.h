#pragma once

#include "connection/SqlLexer.h"

#include <QObject>

class QPlainTextEdit;
class SqlHighlighter;

/// The editor's syntax colours: derived from the editor's own background and text colours (again
/// whenever they change), lexing only the part of the text on screen, switched on and off whole.
class EditorColours final : public QObject
{
    Q_OBJECT
public:
    explicit EditorColours(QPlainTextEdit& editor, QObject* parent = nullptr);
    ~EditorColours() override;

    /// Off leaves the text in the editor's own colour alone.
    void setEnabled(bool on);
    bool isEnabled() const;
    void setDialect(SqlDialect dialect);
    SqlHighlighter& highlighter() const { return *m_highlighter; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void followPalette();
    void followShownRange();

    QPlainTextEdit& m_editor;
    SqlHighlighter* m_highlighter;
};
