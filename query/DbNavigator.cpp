#include "query/DbNavigator.h"

#include <QHBoxLayout>
#include <QToolButton>

namespace {

struct ButtonText
{
    const char16_t* name;
    const char16_t* glyph;
    const char16_t* hint;
};

constexpr std::array<ButtonText, DbNavigator::kButtonCount> kTexts = {{
    {u"First", u"|\u25C0", u"First record"},
    {u"Prior", u"\u25C0", u"Prior record"},
    {u"Next", u"\u25B6", u"Next record"},
    {u"Last", u"\u25B6|", u"Last record"},
    {u"Insert", u"+", u"Insert record"},
    {u"Delete", u"\u2212", u"Delete record"},
    {u"Edit", u"\u25B2", u"Edit record"},
    {u"Post", u"\u2714", u"Post edit"},
    {u"Cancel", u"\u2716", u"Cancel edit"},
}};

} // namespace

DbNavigator::DbNavigator(QWidget* parent) : QWidget(parent)
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    for (int i = 0; i < kButtonCount; ++i) {
        auto* b = new QToolButton(this);
        b->setObjectName(QString::fromUtf16(kTexts[i].name));
        b->setText(QString::fromUtf16(kTexts[i].glyph));
        b->setToolTip(QString::fromUtf16(kTexts[i].hint));
        b->setAccessibleName(QString::fromUtf16(kTexts[i].hint));
        b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        layout->addWidget(b);
        m_buttons[i] = b;
        connect(b, &QToolButton::clicked, this, [this, i] { Q_EMIT clicked(Button(i)); });
    }
    setAbilities({});
}

void DbNavigator::setAbilities(const Abilities& a)
{
    const bool browsing = a.active && !a.editing;
    button(Button::First)->setEnabled(a.active && !a.atFirst);
    button(Button::Prior)->setEnabled(a.active && !a.atFirst);
    button(Button::Next)->setEnabled(a.active && !a.atLast);
    button(Button::Last)->setEnabled(a.active && !a.atLast);
    button(Button::Insert)->setEnabled(browsing && a.canModify);
    button(Button::Delete)->setEnabled(a.active && a.canModify && !a.empty);
    button(Button::Edit)->setEnabled(browsing && a.canModify && !a.empty);
    button(Button::Post)->setEnabled(a.active && a.editing);
    button(Button::Cancel)->setEnabled(a.active && a.editing);
}
