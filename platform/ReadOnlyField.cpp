#include "platform/ReadOnlyField.h"

#include <QLineEdit>
#include <QStyle>
#include <QStyleOptionFrame>

void MakeReadOnlyField(QLineEdit& field, const QString& longestText)
{
    field.setReadOnly(true);
    QStyleOptionFrame option;
    option.initFrom(&field);
    const QSize text(field.fontMetrics().horizontalAdvance(longestText) + 2 * 4,
                     field.fontMetrics().height());
    field.setMinimumWidth(
        field.style()->sizeFromContents(QStyle::CT_LineEdit, &option, text, &field).width());
    QObject::connect(&field, &QLineEdit::textChanged, &field, [&field](const QString& shown) {
        field.setCursorPosition(0);
        field.setToolTip(shown);
    });
}
