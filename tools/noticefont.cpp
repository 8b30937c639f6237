// Draws the bitmap fonts of the viewer's on-screen notices: for each pixel
// size, a texture of white glyphs on transparency and the engine's XML font
// description that points into it.
//
//   skyglass-noticefont <folder> <pixel size>...
//
// writes <folder>/notice-<size>.png and <folder>/notice-<size>.xml.
#include <QFile>
#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QRawFont>
#include <QString>
#include <QStringConverter>
#include <QTextStream>
#include <QVector>

#include <cstdio>

namespace {

// What a file name or message may hold, beyond ASCII: Latin-1, Latin
// Extended-A, Greek, Cyrillic and typographic punctuation. The first glyph is
// the replacement character, which the viewer shows for any character the
// font lacks, so that nothing vanishes silently; Liberation Sans has none, so
// it is drawn here: a question mark in a box.
QVector<char32_t> Characters()
{
    QVector<char32_t> all{0xFFFD};
    const char32_t ranges[][2] = {{0x20, 0x7E},     {0xA0, 0x17F},    {0x384, 0x3CE},
                                  {0x400, 0x45F},   {0x2010, 0x2026}, {0x2030, 0x203A},
                                  {0x20AC, 0x20AC}, {0x2122, 0x2122}};
    for (const auto& range : ranges)
        for (char32_t c = range[0]; c <= range[1]; ++c)
            all.push_back(c);
    return all;
}

// Where one glyph lies in the texture, and how it stands to the pen: drawn
// `underhang` pixels from the pen, which then moves on by
// underhang + width + overhang, the character's advance.
struct Glyph
{
    char32_t character;
    QRect cell;
    int underhang;
    int overhang;
};

int NextPowerOfTwo(int n)
{
    int p = 1;
    while (p < n)
        p *= 2;
    return p;
}

// Lays the glyphs out in rows of a texture `width` wide; returns its height.
const char32_t Replacement = 0xFFFD;

// The text whose shape a glyph has: the replacement box is as wide as an M.
QString Shape(char32_t character)
{
    return character == Replacement ? QStringLiteral("M") : QString::fromUcs4(&character, 1);
}

int Layout(QVector<Glyph>& glyphs, const QFontMetrics& metrics, int width)
{
    int x = 0, y = 0;
    const int height = metrics.height();
    for (Glyph& glyph : glyphs) {
        const QString text = Shape(glyph.character);
        const int advance = metrics.horizontalAdvance(text);
        const QRect ink = metrics.boundingRect(text);
        const int left = qMin(0, ink.left());
        const int right = qMax(advance, ink.right() + 1);
        const int cellWidth = qMax(right - left, 1);
        if (x + cellWidth > width)
            x = 0, y += height + 1;
        glyph.cell = QRect(x, y, cellWidth, height);
        glyph.underhang = left;
        glyph.overhang = advance - cellWidth - left;
        x += cellWidth + 1; // a clear column, so that filtering never mixes neighbours
    }
    return y + height;
}

bool WriteFont(const QString& folder, int pixelSize)
{
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPixelSize(pixelSize);
    font.setHintingPreference(QFont::PreferFullHinting);
    const QFontMetrics metrics(font);
    // Only what the font itself has: drawing anything else would take it from
    // whatever other fonts the machine has, and differ from build to build.
    const QRawFont own = QRawFont::fromFont(font);

    QVector<Glyph> glyphs;
    for (char32_t c : Characters())
        if (own.supportsCharacter(uint(c)) || c == U' ' || c == Replacement)
            glyphs.push_back({c, {}, 0, 0});
    const int width = pixelSize < 18 ? 512 : 1024;
    const int height = NextPowerOfTwo(Layout(glyphs, metrics, width));

    QImage texture(width, height, QImage::Format_ARGB32);
    texture.fill(Qt::transparent);
    QPainter painter(&texture);
    painter.setFont(font);
    painter.setPen(Qt::white);
    for (const Glyph& glyph : glyphs) {
        painter.setClipRect(glyph.cell);
        if (glyph.character == Replacement) {
            const QRect box = metrics.boundingRect(QStringLiteral("M"))
                                  .translated(glyph.cell.left() - glyph.underhang,
                                              glyph.cell.top() + metrics.ascent());
            painter.drawRect(box.adjusted(0, 0, -1, -1));
            painter.drawText(box, Qt::AlignCenter, QStringLiteral("?"));
            continue;
        }
        painter.drawText(glyph.cell.left() - glyph.underhang, glyph.cell.top() + metrics.ascent(),
                         QString::fromUcs4(&glyph.character, 1));
    }
    painter.end();

    const QString name = QStringLiteral("%1/notice-%2").arg(folder).arg(pixelSize);
    if (!texture.save(name + QStringLiteral(".png")))
        return false;

    // The engine's XML reader takes UTF-16 with a byte order mark; characters
    // are written as themselves, since it knows no numeric references.
    QFile description(name + QStringLiteral(".xml"));
    if (!description.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    QTextStream out(&description);
    out.setEncoding(QStringConverter::Utf16LE);
    out.setGenerateByteOrderMark(true);
    out << "<?xml version=\"1.0\"?>\n<font type=\"bitmap\">\n"
        << QStringLiteral("<Texture index=\"0\" filename=\"notice-%1.png\" hasAlpha=\"true\" />\n")
               .arg(pixelSize);
    for (const Glyph& glyph : glyphs) {
        QString character = QString::fromUcs4(&glyph.character, 1);
        if (character == QLatin1String("\""))
            character = QStringLiteral("&quot;");
        else if (character == QLatin1String("&"))
            character = QStringLiteral("&amp;");
        else if (character == QLatin1String("<"))
            character = QStringLiteral("&lt;");
        else if (character == QLatin1String(">"))
            character = QStringLiteral("&gt;");
        const QRect& r = glyph.cell;
        out << QStringLiteral("<c c=\"%1\" r=\"%2, %3, %4, %5\" u=\"%6\" o=\"%7\" />\n")
                   .arg(character)
                   .arg(r.left())
                   .arg(r.top())
                   .arg(r.left() + r.width())
                   .arg(r.top() + r.height())
                   .arg(glyph.underhang)
                   .arg(glyph.overhang);
    }
    out << "</font>\n";
    out.flush();
    return out.status() == QTextStream::Ok && description.error() == QFile::NoError;
}

} // namespace

int main(int argc, char* argv[])
{
    QGuiApplication app(argc, argv);
    if (argc < 3) {
        std::fputs("usage: skyglass-noticefont <folder> <pixel size>...\n", stderr);
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    for (int i = 2; i < argc; ++i) {
        const int size = QString::fromLocal8Bit(argv[i]).toInt();
        if (size < 6 || size > 96 || !WriteFont(folder, size)) {
            std::fprintf(stderr, "skyglass-noticefont: cannot write the %s pixel font to %s\n",
                         argv[i], argv[1]);
            return 1;
        }
    }
    return 0;
}
