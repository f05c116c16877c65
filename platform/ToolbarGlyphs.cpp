#include "platform/ToolbarGlyphs.h"

#include <QFont>
#include <QHash>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <cmath>
#include <functional>

namespace {

// Every picture is drawn on a 24 x 24 grid; the painter is scaled to the pixmap's size.
constexpr qreal kGrid = 24.0;

const QColor kOutline(0x30, 0x30, 0x30);

QPen Outline(qreal width = 1.0)
{
    return QPen(kOutline, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

QLinearGradient Vertical(qreal top, qreal bottom, const QColor& light, const QColor& dark)
{
    QLinearGradient gradient(0, top, 0, bottom);
    gradient.setColorAt(0, light);
    gradient.setColorAt(1, dark);
    return gradient;
}

void PaintSheet(QPainter& p, const QRectF& r)
{
    const qreal fold = 4;
    QPainterPath sheet;
    sheet.moveTo(r.left(), r.top());
    sheet.lineTo(r.right() - fold, r.top());
    sheet.lineTo(r.right(), r.top() + fold);
    sheet.lineTo(r.right(), r.bottom());
    sheet.lineTo(r.left(), r.bottom());
    sheet.closeSubpath();
    p.setPen(QPen(QColor(0x60, 0x60, 0x60), 1));
    p.setBrush(Qt::white);
    p.drawPath(sheet);
    QPainterPath corner;
    corner.moveTo(r.right() - fold, r.top());
    corner.lineTo(r.right() - fold, r.top() + fold);
    corner.lineTo(r.right(), r.top() + fold);
    p.setBrush(QColor(0xd8, 0xd8, 0xd8));
    p.drawPath(corner);
    p.setPen(QPen(QColor(0x5a, 0x7d, 0xb5), 1.2));
    for (qreal y = r.top() + 6.5; y < r.bottom() - 1.5; y += 3)
        p.drawLine(QPointF(r.left() + 2.5, y), QPointF(r.right() - 2.5, y));
}

void PaintClearScreen(QPainter& p)
{
    PaintSheet(p, QRectF(2.5, 1.5, 13, 17));
    // An eraser lying across the sheet's corner.
    p.save();
    p.translate(15.5, 16.5);
    p.rotate(-35);
    const QRectF body(-7.5, -3.5, 15, 7);
    p.setPen(Outline());
    p.setBrush(Vertical(-3.5, 3.5, QColor(0xff, 0xa8, 0xb8), QColor(0xe0, 0x50, 0x70)));
    p.drawRoundedRect(body, 1.2, 1.2);
    p.setBrush(Vertical(-3.5, 3.5, QColor(0x7e, 0xa6, 0xe0), QColor(0x2a, 0x55, 0xa0)));
    p.drawRoundedRect(QRectF(-7.5, -3.5, 6, 7), 1.2, 1.2);
    p.restore();
    p.setPen(QPen(QColor(0x90, 0x90, 0x90), 1, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(4, 22), QPointF(7, 22));
    p.drawLine(QPointF(2.5, 20), QPointF(4.5, 20));
}

void PaintCylinder(QPainter& p, const QRectF& r, const QColor& light, const QColor& dark)
{
    const qreal cap = r.width() * 0.32;
    QPainterPath body;
    body.moveTo(r.left(), r.top() + cap / 2);
    body.lineTo(r.left(), r.bottom() - cap / 2);
    body.arcTo(QRectF(r.left(), r.bottom() - cap, r.width(), cap), 180, 180);
    body.lineTo(r.right(), r.top() + cap / 2);
    body.arcTo(QRectF(r.left(), r.top(), r.width(), cap), 0, -180);
    QLinearGradient shade(r.left(), 0, r.right(), 0);
    shade.setColorAt(0, dark);
    shade.setColorAt(0.35, light);
    shade.setColorAt(1, dark);
    p.setPen(Outline());
    p.setBrush(shade);
    p.drawPath(body);
    // The bands between the platters.
    p.setBrush(Qt::NoBrush);
    const qreal step = (r.height() - cap) / 3;
    for (int i = 1; i < 3; ++i)
        p.drawArc(QRectF(r.left(), r.top() + i * step, r.width(), cap), 180 * 16, 180 * 16);
    p.setBrush(light.lighter(125));
    p.drawEllipse(QRectF(r.left(), r.top(), r.width(), cap));
}

void PaintArrow(QPainter& p, QPointF from, QPointF to, const QColor& color, qreal width = 2.2)
{
    const QLineF line(from, to);
    const qreal head = 3.6;
    const QLineF back(to, from);
    QLineF shaft(from, to);
    shaft.setLength(line.length() - head * 0.8);
    p.setPen(QPen(kOutline, width + 1.4, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(shaft);
    QLineF a = back;
    a.setLength(head);
    a.setAngle(back.angle() + 35);
    QLineF b = back;
    b.setLength(head);
    b.setAngle(back.angle() - 35);
    QPolygonF tip({to, a.p2(), b.p2()});
    p.setBrush(color);
    p.setPen(Outline(0.8));
    p.drawPolygon(tip);
    p.setPen(QPen(color, width, Qt::SolidLine, Qt::FlatCap));
    shaft.setLength(line.length() - head * 0.8 - 0.3);
    QLineF inner(from + (to - from) / line.length() * 0.6, shaft.p2());
    p.drawLine(inner);
}

void PaintChangeDataSource(QPainter& p)
{
    PaintCylinder(p, QRectF(1.5, 1.5, 13, 17.5), QColor(0x9c, 0xc4, 0xf0), QColor(0x2e, 0x5e, 0xa8));
    PaintArrow(p, QPointF(12.5, 15), QPointF(22.5, 15), QColor(0x3c, 0xb0, 0x40));
    PaintArrow(p, QPointF(22.5, 20.5), QPointF(12.5, 20.5), QColor(0xf0, 0x90, 0x20));
}

void PaintExecuteSQL(QPainter& p)
{
    const QPolygonF bolt({QPointF(14.5, 1), QPointF(4.5, 13.5), QPointF(10.5, 13.5), QPointF(7.5, 23),
                          QPointF(19.5, 9), QPointF(13.5, 9), QPointF(17.5, 1)});
    QLinearGradient fill(0, 1, 0, 23);
    fill.setColorAt(0, QColor(0xff, 0xf2, 0x60));
    fill.setColorAt(1, QColor(0xf0, 0x8a, 0x10));
    p.setPen(QPen(QColor(0x80, 0x40, 0x00), 1, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(fill);
    p.drawPolygon(bolt);
}

void PaintPrintSQL(QPainter& p)
{
    p.setPen(QPen(QColor(0x60, 0x60, 0x60), 1));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(6.5, 1.5, 11, 8));
    p.setPen(Outline());
    p.setBrush(Vertical(8, 18, QColor(0xe8, 0xe8, 0xe8), QColor(0x88, 0x88, 0x88)));
    p.drawRoundedRect(QRectF(1.5, 8.5, 21, 9.5), 2, 2);
    p.setBrush(QColor(0x50, 0x50, 0x50));
    p.drawRect(QRectF(5, 14.5, 14, 2));
    p.setPen(QPen(QColor(0x60, 0x60, 0x60), 1));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(6.5, 15.5, 11, 7));
    p.setPen(QPen(QColor(0x5a, 0x7d, 0xb5), 1));
    for (qreal y = 18; y < 22; y += 2)
        p.drawLine(QPointF(8, y), QPointF(16, y));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x30, 0xd0, 0x30));
    p.drawEllipse(QPointF(19, 11.2), 1.1, 1.1);
}

void PaintOptions(QPainter& p)
{
    const QPointF centre(12, 12);
    const int teeth = 8;
    const qreal outer = 10.5, inner = 7.6;
    QPainterPath gear;
    for (int i = 0; i < teeth * 4; ++i) {
        // Each tooth: two points on the outer radius, then two on the inner.
        const qreal angle = (i - 0.5) * M_PI * 2 / (teeth * 4);
        const qreal radius = (i % 4 < 2) ? outer : inner;
        const QPointF point = centre + QPointF(std::cos(angle) * radius, std::sin(angle) * radius);
        if (i == 0)
            gear.moveTo(point);
        else
            gear.lineTo(point);
    }
    gear.closeSubpath();
    gear.addEllipse(centre, 3.4, 3.4);
    gear.setFillRule(Qt::OddEvenFill);
    QRadialGradient fill(centre, outer, QPointF(9, 8));
    fill.setColorAt(0, QColor(0xf0, 0xf0, 0xf4));
    fill.setColorAt(1, QColor(0x70, 0x78, 0x88));
    p.setPen(Outline());
    p.setBrush(fill);
    p.drawPath(gear);
}

void PaintLoadSQL(QPainter& p)
{
    QPainterPath back;
    back.moveTo(1.5, 5);
    back.lineTo(1.5, 20.5);
    back.lineTo(19.5, 20.5);
    back.lineTo(19.5, 7);
    back.lineTo(10, 7);
    back.lineTo(8, 4);
    back.lineTo(2.5, 4);
    back.closeSubpath();
    p.setPen(Outline());
    p.setBrush(Vertical(4, 20, QColor(0xe8, 0xc0, 0x50), QColor(0xb8, 0x88, 0x20)));
    p.drawPath(back);
    PaintSheet(p, QRectF(5, 2, 11, 12));
    QPainterPath front;
    front.moveTo(1.5, 20.5);
    front.lineTo(5.5, 10.5);
    front.lineTo(23, 10.5);
    front.lineTo(19.5, 20.5);
    front.closeSubpath();
    p.setPen(Outline());
    p.setBrush(Vertical(10, 20, QColor(0xff, 0xe6, 0x8a), QColor(0xf0, 0xb4, 0x30)));
    p.drawPath(front);
}

void PaintSaveSQL(QPainter& p)
{
    QPainterPath disk;
    disk.moveTo(2, 2);
    disk.lineTo(19, 2);
    disk.lineTo(22, 5);
    disk.lineTo(22, 22);
    disk.lineTo(2, 22);
    disk.closeSubpath();
    p.setPen(Outline());
    p.setBrush(Vertical(2, 22, QColor(0x5a, 0x88, 0xd8), QColor(0x1c, 0x3c, 0x88)));
    p.drawPath(disk);
    p.setBrush(Vertical(2, 9, QColor(0xf0, 0xf0, 0xf0), QColor(0xa8, 0xa8, 0xb0)));
    p.drawRect(QRectF(6.5, 2, 10.5, 7));
    p.setBrush(QColor(0x1c, 0x3c, 0x88));
    p.setPen(Qt::NoPen);
    p.drawRect(QRectF(13, 3.3, 2.4, 4.4));
    p.setPen(QPen(QColor(0x40, 0x40, 0x40), 0.8));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(5, 12.5, 14, 9.5));
    p.setPen(QPen(QColor(0xc0, 0x40, 0x40), 1));
    p.drawLine(QPointF(6.5, 15), QPointF(17.5, 15));
    p.setPen(QPen(QColor(0x5a, 0x7d, 0xb5), 1));
    p.drawLine(QPointF(6.5, 17.5), QPointF(17.5, 17.5));
    p.drawLine(QPointF(6.5, 20), QPointF(17.5, 20));
}

void PaintClose(QPainter& p)
{
    // A door frame with the door swung open and an arrow leaving through it.
    p.setPen(Outline());
    p.setBrush(QColor(0x40, 0x40, 0x48));
    p.drawRect(QRectF(2.5, 1.5, 11, 21));
    QPainterPath door;
    door.moveTo(2.5, 1.5);
    door.lineTo(9.5, 4);
    door.lineTo(9.5, 23.5);
    door.lineTo(2.5, 22.5);
    door.closeSubpath();
    p.setBrush(Vertical(1, 23, QColor(0xd8, 0x9c, 0x5c), QColor(0x8c, 0x54, 0x20)));
    p.drawPath(door);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xff, 0xe0, 0x40));
    p.drawEllipse(QPointF(8, 13), 0.9, 0.9);
    PaintArrow(p, QPointF(11, 12.5), QPointF(23, 12.5), QColor(0xe0, 0x30, 0x30), 2.6);
}

QRadialGradient BlueBall(const QPointF& centre, qreal radius)
{
    QRadialGradient fill(centre, radius, centre - QPointF(radius / 2.5, radius / 2.5));
    fill.setColorAt(0, QColor(0x9c, 0xc8, 0xff));
    fill.setColorAt(1, QColor(0x1a, 0x4c, 0xb0));
    return fill;
}

void PaintAbout(QPainter& p)
{
    QPainterPath bubble;
    bubble.addRoundedRect(QRectF(1.5, 1.5, 21, 17), 6, 6);
    QPainterPath tail;
    tail.moveTo(5, 16);
    tail.lineTo(3.5, 23);
    tail.lineTo(11, 17);
    tail.closeSubpath();
    bubble = bubble.united(tail);
    p.setPen(Outline());
    p.setBrush(BlueBall(QPointF(12, 10), 12));
    p.drawPath(bubble);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(12, 5.6), 1.7, 1.7);
    QPainterPath stem;
    stem.addRoundedRect(QRectF(10.4, 8.4, 3.2, 7.8), 1, 1);
    p.drawPath(stem);
}

void PaintHelp(QPainter& p)
{
    const QPointF centre(12, 12);
    p.setPen(Outline());
    QRadialGradient fill(centre, 11, QPointF(8, 8));
    fill.setColorAt(0, QColor(0xa8, 0xf0, 0xa0));
    fill.setColorAt(1, QColor(0x1c, 0x8a, 0x2c));
    p.setBrush(fill);
    p.drawEllipse(centre, 10.5, 10.5);
    QFont font(QStringLiteral("Liberation Sans"));
    font.setBold(true);
    font.setPixelSize(17);
    QPainterPath mark;
    mark.addText(0, 0, font, QStringLiteral("?"));
    const QRectF box = mark.boundingRect();
    mark.translate(centre - box.center());
    p.setPen(QPen(QColor(0x10, 0x50, 0x18), 0.8));
    p.setBrush(Qt::white);
    p.drawPath(mark);
}

using Painter = void (*)(QPainter&);

const QList<QPair<QString, Painter>>& Glyphs()
{
    static const QList<QPair<QString, Painter>> kGlyphs = {
        {QStringLiteral("BBN_ClearScreen"), PaintClearScreen},
        {QStringLiteral("BBN_ChangeDataSource"), PaintChangeDataSource},
        {QStringLiteral("BBN_ExecuteSQL"), PaintExecuteSQL},
        {QStringLiteral("BBN_PrintSQL"), PaintPrintSQL},
        {QStringLiteral("BBN_Options"), PaintOptions},
        {QStringLiteral("BBN_LoadSQL"), PaintLoadSQL},
        {QStringLiteral("BBN_SaveSQL"), PaintSaveSQL},
        {QStringLiteral("BBN_Close"), PaintClose},
        {QStringLiteral("BBN_About"), PaintAbout},
        {QStringLiteral("BBN_Help"), PaintHelp},
    };
    return kGlyphs;
}

QImage Render(Painter paint, int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.scale(size / kGrid, size / kGrid);
    paint(p);
    p.end();
    return image;
}

void PaintProgram(QPainter& p)
{
    PaintCylinder(p, QRectF(2, 1.5, 15, 20.5), QColor(0x9c, 0xc4, 0xf0), QColor(0x2e, 0x5e, 0xa8));
    p.save();
    p.translate(9.5, 7.5);
    p.scale(0.62, 0.62);
    PaintExecuteSQL(p);
    p.restore();
}

const QList<int>& Sizes()
{
    static const QList<int> kSizes = {16, 20, 24, 32, 40, 48};
    return kSizes;
}

} // namespace

QImage GreyedImage(const QImage& image)
{
    QImage grey = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < grey.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(grey.scanLine(y));
        for (int x = 0; x < grey.width(); ++x) {
            const QRgb pixel = line[x];
            // Lightness squeezed into the upper half, so the picture reads as inactive.
            const int level = 110 + qGray(pixel) * 120 / 255;
            line[x] = qRgba(level, level, level, qAlpha(pixel) * 3 / 4);
        }
    }
    return grey;
}

QIcon ToolbarGlyph(const QString& buttonName)
{
    for (const auto& [name, paint] : Glyphs()) {
        if (name != buttonName)
            continue;
        QIcon icon;
        for (const int size : Sizes()) {
            const QImage normal = Render(paint, size);
            icon.addPixmap(QPixmap::fromImage(normal), QIcon::Normal);
            icon.addPixmap(QPixmap::fromImage(GreyedImage(normal)), QIcon::Disabled);
        }
        return icon;
    }
    return QIcon();
}

QStringList ToolbarGlyphNames()
{
    QStringList names;
    for (const auto& glyph : Glyphs())
        names.append(glyph.first);
    return names;
}

QIcon ProgramIcon()
{
    QIcon icon;
    for (const int size : {16, 24, 32, 48, 64, 128, 256})
        icon.addPixmap(QPixmap::fromImage(Render(PaintProgram, size)));
    return icon;
}

QPixmap AboutLogo(const QSize& size)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    // The icon above the product's short name, on a soft tile.
    const qreal w = size.width(), h = size.height();
    QLinearGradient tile(0, 0, 0, h);
    tile.setColorAt(0, QColor(0xf4, 0xf8, 0xff));
    tile.setColorAt(1, QColor(0xc8, 0xd8, 0xf0));
    p.setPen(QPen(QColor(0x60, 0x78, 0xa8), 1));
    p.setBrush(tile);
    p.drawRoundedRect(QRectF(0.5, 0.5, w - 1, h - 1), 6, 6);
    const qreal iconSize = h * 0.62;
    p.save();
    p.translate((w - iconSize) / 2, h * 0.06);
    p.scale(iconSize / kGrid, iconSize / kGrid);
    PaintProgram(p);
    p.restore();
    QFont font(QStringLiteral("Liberation Sans"));
    font.setBold(true);
    font.setPixelSize(qRound(h * 0.2));
    font.setLetterSpacing(QFont::PercentageSpacing, 108);
    p.setFont(font);
    p.setPen(QColor(0x10, 0x2c, 0x70));
    p.drawText(QRectF(0, h * 0.68, w, h * 0.3), Qt::AlignCenter, QStringLiteral("VEMRA"));
    p.end();
    return QPixmap::fromImage(image);
}
