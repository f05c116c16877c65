#pragma once

#include <QObject>
#include <QStringList>

#include <functional>

class QCompleter;
class QPlainTextEdit;
class QStringListModel;

/// Ctrl+Space in the editor: a popup of the words that begin as the word before the cursor does,
/// without regard to case. Return, Enter, Tab or a click puts the chosen one in place of that word;
/// typing on narrows the list. A single candidate goes in at once.
class EditorCompleter final : public QObject
{
    Q_OBJECT
public:
    /// words gives the candidates when asked (and may read them then); text turns a chosen word
    /// into what the editor takes.
    EditorCompleter(QPlainTextEdit& editor, std::function<QStringList()> words,
                    std::function<QString(const QString&)> text, QObject* parent = nullptr);

    QCompleter* completer() const { return m_completer; }
    /// Completes the word before the cursor.
    void complete();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    /// The identifier characters just before the cursor.
    QString prefix() const;
    void accept(const QString& word);
    void follow();

    QPlainTextEdit& m_editor;
    std::function<QStringList()> m_words;
    std::function<QString(const QString&)> m_text;
    QCompleter* m_completer;
    QStringListModel* m_model;
};
