#pragma once

#include <QColor>
#include <QFont>

class QPlainTextEdit;

/// What the settings say about an editor's look: background colour, font and text colour.
///
/// The background is the editor's palette Base colour and the text colour its palette Text
/// colour; the main window and the options dialog both read and set them through here so that the
/// dialog finds on the editor what the main window put there.
struct EditorAppearance
{
    QColor background;
    QFont font;
    QColor textColor;

    static EditorAppearance of(const QPlainTextEdit& editor);
    void applyTo(QPlainTextEdit& editor) const;

    /// The font size in whole points, also for a font that was given in pixels.
    static int pointSize(const QFont& font);
};
