// Draws the launcher's title banner: the program's title over an evening sky.
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <cstdio>

namespace {

// A fixed sequence, so that every build draws the same picture.
class Dice
{
public:
    double next()
    {
        state = state * 1103515245u + 12345u;
        return double((state >> 8) & 0xffff) / 65535.0;
    }

private:
    quint32 state = 2026;
};

void drawSky(QPainter& painter, const QRect& area)
{
    QLinearGradient sky(0, 0, 0, area.height());
    sky.setColorAt(0.0, QColor(18, 52, 120));
    sky.setColorAt(0.55, QColor(70, 130, 200));
    sky.setColorAt(0.85, QColor(200, 190, 190));
    sky.setColorAt(1.0, QColor(250, 200, 140));
    painter.fillRect(area, sky);

    QRadialGradient sun(QPointF(250, 112), 70);
    sun.setColorAt(0.0, QColor(255, 240, 200, 230));
    sun.setColorAt(0.2, QColor(255, 220, 150, 140));
    sun.setColorAt(1.0, QColor(255, 200, 120, 0));
    painter.fillRect(area, sun);
}

void drawClouds(QPainter& painter, Dice& dice)
{
    painter.setPen(Qt::NoPen);
    for (int cloud = 0; cloud < 7; ++cloud) {
        const QPointF centre(20 + dice.next() * 290, 20 + dice.next() * 60);
        for (int puff = 0; puff < 9; ++puff) {
            const QPointF at = centre + QPointF((dice.next() - 0.5) * 60, (dice.next() - 0.5) * 10);
            const double radius = 8 + dice.next() * 12;
            QRadialGradient glow(at, radius);
            glow.setColorAt(0.0, QColor(255, 255, 255, 90));
            glow.setColorAt(1.0, QColor(255, 255, 255, 0));
            painter.setBrush(glow);
            painter.drawEllipse(at, radius * 1.6, radius);
        }
    }
}

void drawHills(QPainter& painter, const QRect& area)
{
    QPainterPath hills;
    hills.moveTo(0, area.height());
    hills.lineTo(0, 112);
    hills.cubicTo(50, 98, 90, 116, 140, 108);
    hills.cubicTo(190, 100, 230, 114, 270, 106);
    hills.cubicTo(300, 101, 315, 108, area.width(), 104);
    hills.lineTo(area.width(), area.height());
    hills.closeSubpath();
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(30, 40, 70));
    painter.drawPath(hills);
}

void drawTitle(QPainter& painter, const QRect& area)
{
    QFont title(QStringLiteral("Liberation Sans"));
    title.setPixelSize(46);
    title.setBold(true);
    title.setLetterSpacing(QFont::AbsoluteSpacing, 1.5);

    QPainterPath text;
    text.addText(0, 0, title, QStringLiteral("Skyglass"));
    const QRectF bounds = text.boundingRect();
    text.translate(area.width() / 2.0 - bounds.center().x(), 62 - bounds.center().y());

    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 20, 60, 110));
    painter.drawPath(text.translated(2, 3));

    QLinearGradient fill(0, text.boundingRect().top(), 0, text.boundingRect().bottom());
    fill.setColorAt(0.0, QColor(255, 255, 255));
    fill.setColorAt(1.0, QColor(200, 225, 255));
    painter.setBrush(fill);
    painter.setPen(QPen(QColor(20, 50, 110), 1.2));
    painter.drawPath(text);

    QFont subtitle(QStringLiteral("Liberation Sans"));
    subtitle.setPixelSize(13);
    subtitle.setBold(true);
    subtitle.setLetterSpacing(QFont::AbsoluteSpacing, 3.0);
    painter.setFont(subtitle);
    painter.setPen(QColor(235, 240, 255));
    painter.drawText(QRect(0, 88, area.width(), 18), Qt::AlignHCenter | Qt::AlignVCenter,
                     QStringLiteral("PANORAMA VIEWER"));
}

} // namespace

int main(int argc, char* argv[])
{
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <banner.png>\n", argv[0]);
        return 1;
    }

    QImage banner(326, 130, QImage::Format_RGB32);
    QPainter painter(&banner);
    painter.setRenderHint(QPainter::Antialiasing);
    Dice dice;
    drawSky(painter, banner.rect());
    drawClouds(painter, dice);
    drawHills(painter, banner.rect());
    drawTitle(painter, banner.rect());
    painter.end();

    if (!banner.convertToFormat(QImage::Format_RGB888).save(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[1]);
        return 1;
    }
    return 0;
}
