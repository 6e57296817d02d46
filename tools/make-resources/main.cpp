// Draws the program's own pictures (JPEG) and glyph strips (PNG) into the
// folder given as the argument. Every picture is drawn here from shapes and
// text; nothing is taken from elsewhere.

#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QtMath>
#include <cstdio>
#include <functional>
#include <map>

namespace {

const QColor Blue(0x2F, 0x6F, 0xB7);
const QColor DeepBlue(0x1E, 0x3A, 0x5F);
const QColor Teal(0x2A, 0x7F, 0x8F);
const QColor Orange(0xF0, 0x8A, 0x24);
const QColor Green(0x3A, 0x9D, 0x4A);
const QColor Red(0xD6, 0x45, 0x41);
const QColor Gray(0x6B, 0x72, 0x80);
const QColor Gold(0xE8, 0xB7, 0x30);
const QColor Brown(0xB0, 0x7A, 0x45);

using Draw = std::function<void(QPainter&)>;

QFont Font(int pixelSize, bool bold = false)
{
    QFont font(QStringLiteral("WenQuanYi Micro Hei"));
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}

// One glyph drawn in a 16-unit square, scaled to the cell size.
QImage Glyph(int size, const Draw& draw)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 16.0, size / 16.0);
    draw(p);
    return image;
}

QImage Strip(int size, int count, const std::map<int, Draw>& glyphs)
{
    QImage strip(size * count, size, QImage::Format_ARGB32_Premultiplied);
    strip.fill(Qt::transparent);
    QPainter p(&strip);
    for (const auto& [index, draw] : glyphs)
        p.drawImage(index * size, 0, Glyph(size, draw));
    return strip;
}

QPen Pen(const QColor& color, double width)
{
    return QPen(color, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

void Storefront(QPainter& p, double x, double w)
{
    // Body, door, and a striped awning.
    p.setPen(Pen(DeepBlue, 0.8));
    p.setBrush(QColor(0xF5, 0xF1, 0xE6));
    p.drawRect(QRectF(x + 1, 7, w - 2, 8));
    p.setBrush(Blue);
    p.drawRect(QRectF(x + w / 2 - 1.5, 10, 3, 5));
    for (int i = 0; i < 4; ++i) {
        p.setBrush(i % 2 ? QColor(Qt::white) : Orange);
        p.drawRect(QRectF(x + 0.5 + i * (w - 1) / 4, 3, (w - 1) / 4, 4));
    }
}

void Person(QPainter& p, double x, double y, const QColor& color)
{
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawEllipse(QPointF(x, y), 2.6, 2.6);
    QPainterPath body;
    body.moveTo(x - 4.5, y + 9);
    body.quadTo(x - 4.5, y + 3.2, x, y + 3.2);
    body.quadTo(x + 4.5, y + 3.2, x + 4.5, y + 9);
    body.closeSubpath();
    p.drawPath(body);
}

void Box(QPainter& p, const QRectF& r)
{
    p.setPen(Pen(QColor(0x7A, 0x50, 0x28), 0.8));
    p.setBrush(QColor(0xD9, 0xA4, 0x65));
    p.drawRect(r);
    p.setBrush(QColor(0xF2, 0xD7, 0xA8));
    p.drawRect(QRectF(r.center().x() - 1.2, r.top(), 2.4, r.height() * 0.45));
}

void Arrow(QPainter& p, QPointF from, QPointF to, const QColor& color, double width)
{
    p.setPen(Pen(color, width));
    p.drawLine(from, to);
    const QLineF line(to, from);
    const double angle = qDegreesToRadians(line.angle());
    const double head = width * 2.2;
    const QPointF a = to + QPointF(qCos(angle + 0.6) * head, -qSin(angle + 0.6) * head);
    const QPointF b = to + QPointF(qCos(angle - 0.6) * head, -qSin(angle - 0.6) * head);
    p.setBrush(color);
    p.setPen(Pen(color, 0.6));
    p.drawPolygon(QPolygonF{to, a, b});
}

void Triangle(QPainter& p, bool open)
{
    p.setPen(Qt::NoPen);
    p.setBrush(Gray);
    if (open)
        p.drawPolygon(QPolygonF{QPointF(0.5, 7), QPointF(5.5, 7), QPointF(3, 10.5)});
    else
        p.drawPolygon(QPolygonF{QPointF(1.5, 6), QPointF(5, 8.5), QPointF(1.5, 11)});
}

// The program's mark: an orange tile with a white M over a shelf line.
void Mark(QPainter& p, const QRectF& r)
{
    QLinearGradient fill(r.topLeft(), r.bottomRight());
    fill.setColorAt(0, Orange.lighter(115));
    fill.setColorAt(1, Orange.darker(115));
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawRoundedRect(r, r.width() * 0.18, r.width() * 0.18);
    const double u = r.width() / 16.0;
    QPainterPath m;
    m.moveTo(r.left() + 3.5 * u, r.top() + 11.5 * u);
    m.lineTo(r.left() + 3.5 * u, r.top() + 4 * u);
    m.lineTo(r.left() + 8 * u, r.top() + 8.5 * u);
    m.lineTo(r.left() + 12.5 * u, r.top() + 4 * u);
    m.lineTo(r.left() + 12.5 * u, r.top() + 11.5 * u);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(Qt::white, 1.9 * u, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(m);
    p.setPen(QPen(QColor(255, 255, 255, 170), 0.9 * u, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(r.left() + 3 * u, r.top() + 13.6 * u), QPointF(r.left() + 13 * u, r.top() + 13.6 * u));
}

std::map<int, Draw> TreeGlyphs()
{
    return {
        {0, [](QPainter& p) { // play a sound
             p.setPen(Qt::NoPen);
             p.setBrush(Green);
             p.drawEllipse(QRectF(1, 1, 14, 14));
             p.setBrush(Qt::white);
             p.drawPolygon(QPolygonF{QPointF(6, 4.5), QPointF(11.5, 8), QPointF(6, 11.5)});
         }},
        {1, [](QPainter& p) { // a page under a shop
             p.setPen(Pen(Blue, 0.8));
             p.setBrush(Qt::white);
             p.drawRect(QRectF(3.5, 1.5, 9, 13));
             p.setPen(Pen(Blue.lighter(130), 0.9));
             for (int i = 0; i < 4; ++i)
                 p.drawLine(QPointF(5.5, 4.5 + i * 2.5), QPointF(10.5, 4.5 + i * 2.5));
         }},
        {2, [](QPainter& p) { Triangle(p, false); Storefront(p, 5.5, 10.5); }},
        {3, [](QPainter& p) { Triangle(p, true); Storefront(p, 5.5, 10.5); }},
    };
}

std::map<int, Draw> MenuGlyphs()
{
    return {
        {0, [](QPainter& p) { Person(p, 10.5, 4, Blue.lighter(140)); Person(p, 6, 5.5, Blue); }},
        {1, [](QPainter& p) { // key
             p.setPen(Pen(Gold.darker(130), 0.8));
             p.setBrush(Gold);
             p.drawEllipse(QRectF(1.5, 3, 7, 7));
             p.setBrush(Qt::white);
             p.drawEllipse(QRectF(3.6, 5.1, 2.8, 2.8));
             p.setPen(Pen(Gold.darker(130), 2));
             p.drawLine(QPointF(8, 8), QPointF(14, 14));
             p.drawLine(QPointF(12, 12), QPointF(13.8, 10.2));
         }},
        {2, [](QPainter& p) { Storefront(p, 1, 14); }},
        {3, [](QPainter& p) { // globe
             p.setPen(Pen(Teal, 1));
             p.setBrush(QColor(0xD8, 0xEE, 0xF2));
             p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
             p.setBrush(Qt::NoBrush);
             p.drawEllipse(QRectF(5, 1.5, 6, 13));
             p.drawLine(QPointF(1.5, 8), QPointF(14.5, 8));
             p.drawLine(QPointF(8, 1.5), QPointF(8, 14.5));
         }},
        {4, [](QPainter& p) { // linked rings
             p.setBrush(Qt::NoBrush);
             p.setPen(Pen(Blue, 1.8));
             p.drawRoundedRect(QRectF(1.5, 5, 8, 6), 3, 3);
             p.setPen(Pen(Orange, 1.8));
             p.drawRoundedRect(QRectF(6.5, 5, 8, 6), 3, 3);
         }},
        {5, [](QPainter& p) { Box(p, QRectF(2, 8, 12, 7)); Arrow(p, QPointF(8, 0.5), QPointF(8, 7), Green, 1.8); }},
        {6, [](QPainter& p) { // monitor with a pulse
             p.setPen(Pen(DeepBlue, 1));
             p.setBrush(QColor(0x1F, 0x29, 0x37));
             p.drawRoundedRect(QRectF(1, 2, 14, 10), 1.5, 1.5);
             p.drawLine(QPointF(8, 12), QPointF(8, 14));
             p.drawLine(QPointF(5, 14.5), QPointF(11, 14.5));
             p.setPen(Pen(QColor(0x4A, 0xDE, 0x80), 1.1));
             p.setBrush(Qt::NoBrush);
             p.drawPolyline(QPolygonF{QPointF(2.5, 7), QPointF(5.5, 7), QPointF(7, 4), QPointF(9, 10), QPointF(10.5, 7), QPointF(13.5, 7)});
         }},
        {8, [](QPainter& p) { // pencil
             p.setPen(Pen(Gray.darker(140), 0.7));
             p.setBrush(Gold);
             p.drawPolygon(QPolygonF{QPointF(3, 11), QPointF(11, 3), QPointF(13, 5), QPointF(5, 13)});
             p.setBrush(QColor(0xF2, 0xD7, 0xA8));
             p.drawPolygon(QPolygonF{QPointF(3, 11), QPointF(5, 13), QPointF(1.5, 14.5)});
             p.setBrush(Red);
             p.drawPolygon(QPolygonF{QPointF(11, 3), QPointF(12.5, 1.5), QPointF(14.5, 3.5), QPointF(13, 5)});
         }},
        {9, [](QPainter& p) { p.setPen(Pen(Red, 2.6)); p.drawLine(QPointF(3.5, 3.5), QPointF(12.5, 12.5)); p.drawLine(QPointF(12.5, 3.5), QPointF(3.5, 12.5)); }},
        {10, [](QPainter& p) { p.setPen(Pen(Green, 2.8)); p.drawLine(QPointF(8, 2.5), QPointF(8, 13.5)); p.drawLine(QPointF(2.5, 8), QPointF(13.5, 8)); }},
        {12, [](QPainter& p) { // book
             p.setPen(Pen(DeepBlue, 0.8));
             p.setBrush(Blue);
             p.drawRect(QRectF(3, 1.5, 10, 13));
             p.setBrush(Qt::white);
             p.drawRect(QRectF(4.5, 11.5, 8.5, 2));
             p.setPen(Pen(Qt::white, 1));
             p.drawLine(QPointF(6, 5), QPointF(11, 5));
             p.drawLine(QPointF(6, 7.5), QPointF(10, 7.5));
         }},
        {13, [](QPainter& p) { // disk
             p.setPen(Pen(DeepBlue, 0.8));
             p.setBrush(Blue);
             p.drawRoundedRect(QRectF(1.5, 1.5, 13, 13), 1.5, 1.5);
             p.setBrush(Qt::white);
             p.drawRect(QRectF(4, 1.5, 8, 5));
             p.setBrush(QColor(0xD1, 0xD5, 0xDB));
             p.drawRect(QRectF(4, 9, 8, 5.5));
         }},
        {14, [](QPainter& p) { // leave: a door and an arrow out
             p.setPen(Pen(Brown.darker(130), 0.8));
             p.setBrush(Brown);
             p.drawRect(QRectF(2, 1.5, 7, 13));
             Arrow(p, QPointF(6.5, 8), QPointF(14.5, 8), Red, 1.8);
         }},
        {15, [](QPainter& p) { p.setBrush(Qt::NoBrush); p.setPen(Pen(Green, 2.6)); p.drawPolyline(QPolygonF{QPointF(2.5, 8.5), QPointF(6.5, 12.5), QPointF(13.5, 3.5)}); }},
        {16, [](QPainter& p) { // house
             p.setPen(Pen(DeepBlue, 0.8));
             p.setBrush(Red);
             p.drawPolygon(QPolygonF{QPointF(1, 8), QPointF(8, 1.5), QPointF(15, 8)});
             p.setBrush(QColor(0xF5, 0xF1, 0xE6));
             p.drawRect(QRectF(3.5, 8, 9, 6.5));
             p.setBrush(Blue);
             p.drawRect(QRectF(6.8, 10, 2.6, 4.5));
         }},
        {17, [](QPainter& p) { // two turning arrows
             p.setBrush(Qt::NoBrush);
             p.setPen(Pen(Blue, 1.7));
             p.drawArc(QRectF(2.5, 2.5, 11, 11), 20 * 16, 150 * 16);
             p.drawArc(QRectF(2.5, 2.5, 11, 11), 200 * 16, 150 * 16);
             p.setPen(Qt::NoPen);
             p.setBrush(Blue);
             p.drawPolygon(QPolygonF{QPointF(13.8, 3.5), QPointF(14.8, 8.5), QPointF(10.3, 6.8)});
             p.drawPolygon(QPolygonF{QPointF(2.2, 12.5), QPointF(1.2, 7.5), QPointF(5.7, 9.2)});
         }},
        {66, [](QPainter& p) { // open folder
             p.setPen(Pen(Gold.darker(150), 0.8));
             p.setBrush(Gold.darker(110));
             p.drawPolygon(QPolygonF{QPointF(1, 3), QPointF(6, 3), QPointF(7.5, 4.5), QPointF(13, 4.5), QPointF(13, 13.5), QPointF(1, 13.5)});
             p.setBrush(Gold);
             p.drawPolygon(QPolygonF{QPointF(3.5, 7), QPointF(15.5, 7), QPointF(13, 13.5), QPointF(1, 13.5)});
         }},
    };
}

std::map<int, Draw> LargeGlyphs()
{
    return {
        {0, [](QPainter& p) { // gear: the configuration menu
             p.setPen(Pen(Gray.darker(130), 0.5));
             p.setBrush(Gray);
             QPolygonF teeth;
             for (int i = 0; i < 16; ++i) {
                 const double a = i * M_PI / 8;
                 const double r = (i % 2) ? 5.2 : 7.2;
                 teeth << QPointF(8 + r * qCos(a - M_PI / 16), 8 + r * qSin(a - M_PI / 16))
                       << QPointF(8 + r * qCos(a + M_PI / 16), 8 + r * qSin(a + M_PI / 16));
             }
             p.drawPolygon(teeth);
             p.setBrush(QColor(0xF3, 0xF4, 0xF6));
             p.drawEllipse(QPointF(8, 8), 2.4, 2.4);
         }},
        {1, [](QPainter& p) { // goods into stock: boxes, an arrow and a barcode
             Box(p, QRectF(1.5, 8, 8, 6.5));
             Box(p, QRectF(5.5, 3.5, 7, 4.5));
             Arrow(p, QPointF(14, 1.5), QPointF(14, 8.5), Green, 1.4);
             p.setPen(Pen(Qt::black, 0.45));
             for (double x = 10.5; x < 15; x += 0.9)
                 p.drawLine(QPointF(x, 10.5), QPointF(x, 14.5));
         }},
        {2, [](QPainter& p) { Storefront(p, 1, 14); }},
    };
}

std::map<int, Draw> RunGlyphs(int frames)
{
    std::map<int, Draw> glyphs;
    for (int f = 0; f < frames; ++f) {
        glyphs[f] = [f, frames](QPainter& p) {
            p.setPen(Qt::NoPen);
            for (int i = 0; i < frames; ++i) {
                const double a = 2 * M_PI * i / frames - M_PI / 2;
                const int age = (f - i + frames) % frames;
                QColor dot = Green;
                dot.setAlpha(age == 0 ? 255 : qMax(40, 220 - age * 45));
                p.setBrush(dot);
                p.drawEllipse(QPointF(8 + 5.5 * qCos(a), 8 + 5.5 * qSin(a)), age == 0 ? 2.1 : 1.5, age == 0 ? 2.1 : 1.5);
            }
        };
    }
    return glyphs;
}

QImage Picture(int width, int height, const Draw& draw)
{
    QImage image(width, height, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    draw(p);
    return image;
}

void Backdrop(QPainter& p, const QRect& r)
{
    QLinearGradient fill(r.topLeft(), r.topRight());
    fill.setColorAt(0, DeepBlue);
    fill.setColorAt(1, Teal);
    p.fillRect(r, fill);
    // Faint shelves.
    p.setPen(QPen(QColor(255, 255, 255, 28), 1));
    for (int y = r.top() + 12; y < r.bottom(); y += 14)
        p.drawLine(r.left(), y, r.right(), y);
}

void Barcode(QPainter& p, const QRectF& r)
{
    static const int widths[] = {2, 1, 1, 3, 1, 2, 1, 1, 2, 1, 3, 1, 1, 2, 1, 1, 3, 1, 2, 1, 1, 2};
    double x = r.left();
    bool bar = true;
    for (const int w : widths) {
        if (x + w > r.right())
            break;
        if (bar)
            p.fillRect(QRectF(x, r.top(), w, r.height()), QColor(255, 255, 255, 200));
        x += w;
        bar = !bar;
    }
}

QImage Banner()
{
    return Picture(227, 69, [](QPainter& p) {
        Backdrop(p, QRect(0, 0, 227, 69));
        p.setPen(Qt::white);
        p.setFont(Font(24, true));
        p.drawText(QRect(10, 6, 170, 34), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Morvane"));
        p.setFont(Font(12));
        p.setPen(QColor(0xE0, 0xF2, 0xF1));
        p.drawText(QRect(11, 40, 150, 20), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("多店铺库存管理"));
        Barcode(p, QRectF(168, 42, 50, 18));
    });
}

QImage LoginPicture()
{
    return Picture(340, 88, [](QPainter& p) {
        Backdrop(p, QRect(0, 0, 340, 88));
        Mark(p, QRectF(16, 16, 56, 56));
        p.setPen(Qt::white);
        p.setFont(Font(28, true));
        p.drawText(QRect(88, 10, 240, 40), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Morvane"));
        p.setFont(Font(13));
        p.setPen(QColor(0xE0, 0xF2, 0xF1));
        p.drawText(QRect(90, 50, 240, 24), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("淘宝多店铺库存管理系统"));
        Barcode(p, QRectF(270, 60, 56, 16));
    });
}

QImage AboutLeft()
{
    return Picture(64, 64, [](QPainter& p) {
        Backdrop(p, QRect(0, 0, 64, 64));
        p.scale(4, 4);
        Box(p, QRectF(1.5, 9, 7, 5.5));
        Box(p, QRectF(3.5, 4, 6, 5));
    });
}

QImage AboutFill()
{
    return Picture(303, 64, [](QPainter& p) {
        QLinearGradient fill(0, 0, 303, 0);
        fill.setColorAt(0, Teal);
        fill.setColorAt(1, QColor(0xCF, 0xE8, 0xEC));
        p.fillRect(QRect(0, 0, 303, 64), fill);
        p.setPen(Qt::white);
        p.setFont(Font(22, true));
        p.drawText(QRect(40, 6, 250, 32), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Morvane"));
        p.setFont(Font(12));
        p.drawText(QRect(41, 36, 250, 20), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("淘宝多店铺库存管理"));
    });
}

QImage Logo()
{
    return Picture(32, 32, [](QPainter& p) {
        p.fillRect(QRect(0, 0, 32, 32), Qt::white);
        Mark(p, QRectF(0, 0, 32, 32));
    });
}

QImage AppIcon(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    Mark(p, QRectF(0, 0, size, size));
    return image;
}

bool Save(const QImage& image, const QString& path, const char* format, int quality = -1)
{
    if (image.save(path, format, quality))
        return true;
    std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: make-resources FOLDER\n");
        return 2;
    }
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    const auto path = [&](const char* name) { return dir.filePath(QString::fromLatin1(name)); };
    constexpr int RunFrames = 8;
    bool ok = true;
    ok &= Save(Banner(), path("banner.jpg"), "JPG", 92);
    ok &= Save(Logo(), path("logo.jpg"), "JPG", 95);
    ok &= Save(LoginPicture(), path("login.jpg"), "JPG", 92);
    ok &= Save(AboutLeft(), path("about-left.jpg"), "JPG", 92);
    ok &= Save(AboutFill(), path("about-fill.jpg"), "JPG", 92);
    ok &= Save(AppIcon(32), path("morvane-32.png"), "PNG");
    ok &= Save(AppIcon(16), path("morvane-16.png"), "PNG");
    ok &= Save(Strip(16, 4, TreeGlyphs()), path("tree16.png"), "PNG");
    ok &= Save(Strip(16, 67, MenuGlyphs()), path("menu16.png"), "PNG");
    ok &= Save(Strip(32, 3, LargeGlyphs()), path("large32.png"), "PNG");
    ok &= Save(Strip(16, RunFrames, RunGlyphs(RunFrames)), path("run16.png"), "PNG");
    return ok ? 0 : 1;
}
