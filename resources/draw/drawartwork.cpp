// Draws the program's pictures: the main window's background, the faces of the window and
// action buttons, the pointing-hand cursor and the program icon at the sizes desktops ask
// for. The PNG files it writes are committed under resources/; all but the larger icons are
// compiled into the program, and the icons of every size are installed for the desktop.
//
// Usage: sparrowtrim_draw_artwork OUTPUT_FOLDER

#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLine>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <cstdio>
#include <functional>

namespace {

enum class Face { Resting, Hover, Pressed };

constexpr const char *kFaceSuffix[] = {"", "_hover", "_down"};

const QColor kFrameDark(0x17, 0x35, 0x7a);
const QColor kFrameLight(0x2c, 0x5c, 0xb4);
const QColor kPanelTop(0x7d, 0xa6, 0xe0);
const QColor kPanelBottom(0x5a, 0x88, 0xcf);
const QColor kButtonFrameGrey(0x80, 0x80, 0x80);
// Where the window buttons sit on the background: left of the first, distance between them.
constexpr int kWindowButtonLeft = 250;
constexpr int kWindowButtonTop = 8;
constexpr int kWindowButtonStep = 24;

QImage NewImage(int width, int height, QImage::Format format = QImage::Format_ARGB32)
{
    QImage image(width, height, format);
    image.fill(Qt::transparent);
    return image;
}

// Blue outer frame with a lighter, rounded inner panel under the grey frames.
QImage DrawBackground()
{
    QImage image = NewImage(338, 439, QImage::Format_RGB888);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);

    QLinearGradient frame(0, 0, 0, 439);
    frame.setColorAt(0.0, kFrameLight);
    frame.setColorAt(0.5, kFrameDark);
    frame.setColorAt(1.0, kFrameLight);
    p.fillRect(image.rect(), frame);

    // A thin bright rim all round the window, dark just inside it.
    p.setPen(QPen(QColor(0x9c, 0xbd, 0xee), 1));
    p.drawRect(QRectF(0.5, 0.5, 336, 437));
    p.setPen(QPen(QColor(0x0c, 0x1f, 0x4c), 1));
    p.drawRect(QRectF(1.5, 1.5, 334, 435));

    const QRectF panel(14.5, 35.5, 308, 357);
    QLinearGradient fill(0, panel.top(), 0, panel.bottom());
    fill.setColorAt(0.0, kPanelTop);
    fill.setColorAt(1.0, kPanelBottom);
    p.setPen(QPen(QColor(0x0f, 0x27, 0x5e), 1));
    p.setBrush(fill);
    p.drawRoundedRect(panel, 12, 12);
    p.setPen(QPen(QColor(0xb4, 0xcf, 0xf5), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(panel.adjusted(1, 1, -1, -1), 11, 11);
    return image;
}

// A 21 x 21 blue rounded square with a black glyph, on the part of the background it covers
// so that its rounded corners show the window behind them.
QImage DrawWindowButton(Face face, const QImage &ground,
                        const std::function<void(QPainter &)> &glyph)
{
    QImage image = ground.convertToFormat(QImage::Format_RGB888);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);

    QColor top(0x8f, 0xb5, 0xec);
    QColor bottom(0x3d, 0x6d, 0xc0);
    if (face == Face::Hover) {
        top = QColor(0xb5, 0xd0, 0xf7);
        bottom = QColor(0x5b, 0x8b, 0xdb);
    } else if (face == Face::Pressed) {
        top = QColor(0x2f, 0x58, 0xa3);
        bottom = QColor(0x6e, 0x98, 0xd9);
    }
    QLinearGradient fill(0, 0, 0, 21);
    fill.setColorAt(0.0, top);
    fill.setColorAt(1.0, bottom);
    p.setPen(QPen(QColor(0x0b, 0x1d, 0x45), 1));
    p.setBrush(fill);
    p.drawRoundedRect(QRectF(0.5, 0.5, 20, 20), 4, 4);

    if (face == Face::Pressed)
        p.translate(1, 1);
    p.setPen(QPen(Qt::black, 2, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    p.setBrush(Qt::NoBrush);
    glyph(p);
    return image;
}

void QuestionGlyph(QPainter &p)
{
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPixelSize(15);
    font.setBold(true);
    p.setFont(font);
    p.drawText(QRectF(0, 0, 21, 21), Qt::AlignCenter, QStringLiteral("?"));
}

void UnderscoreGlyph(QPainter &p)
{
    p.drawLine(QPointF(6, 14.5), QPointF(15, 14.5));
}

void CrossGlyph(QPainter &p)
{
    p.drawLine(QPointF(6.5, 6.5), QPointF(14.5, 14.5));
    p.drawLine(QPointF(14.5, 6.5), QPointF(6.5, 14.5));
}

// A 123 x 31 grey button with the word in bold, its first letter underlined; its corners
// show the grey of the frame it sits on.
QImage DrawActionButton(Face face, const QString &word)
{
    QImage image = NewImage(123, 31, QImage::Format_RGB888);
    image.fill(kButtonFrameGrey);
    QPainter p(&image);

    QColor top(0xf0, 0xf0, 0xf0);
    QColor bottom(0xb8, 0xb8, 0xb8);
    if (face == Face::Hover) {
        top = QColor(0xff, 0xff, 0xff);
        bottom = QColor(0xcc, 0xcc, 0xcc);
    } else if (face == Face::Pressed) {
        top = QColor(0xa8, 0xa8, 0xa8);
        bottom = QColor(0xd8, 0xd8, 0xd8);
    }
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient fill(0, 0, 0, 31);
    fill.setColorAt(0.0, top);
    fill.setColorAt(1.0, bottom);
    // The hover face is rimmed in the window's blue.
    const QColor rim = face == Face::Hover ? kFrameLight : QColor(0x30, 0x30, 0x30);
    p.setPen(QPen(rim, 1));
    p.setBrush(fill);
    p.drawRoundedRect(QRectF(0.5, 0.5, 122, 30), 4, 4);

    // Bevel: light above and left, dark below and right; reversed when pressed.
    const QColor light = face == Face::Pressed ? QColor(0x80, 0x80, 0x80) : QColor(Qt::white);
    const QColor dark = face == Face::Pressed ? QColor(Qt::white) : QColor(0x80, 0x80, 0x80);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(light);
    p.drawLine(3, 1, 119, 1);
    p.drawLine(1, 3, 1, 27);
    p.setPen(dark);
    p.drawLine(3, 29, 119, 29);
    p.drawLine(121, 3, 121, 27);
    if (face == Face::Hover) {
        p.setRenderHint(QPainter::Antialiasing);
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(kPanelTop, 1));
        p.drawRoundedRect(QRectF(1.5, 1.5, 120, 28), 3, 3);
    }

    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPixelSize(15);
    font.setBold(true);
    p.setFont(font);
    p.setPen(Qt::black);
    const int shift = face == Face::Pressed ? 1 : 0;
    const QRect textRect(shift, shift, 123, 31);
    p.drawText(textRect, Qt::AlignCenter, word);

    // Underline the first letter only.
    const QFontMetrics metrics(font);
    const int wordWidth = metrics.horizontalAdvance(word);
    const int left = shift + (123 - wordWidth) / 2;
    const int baseline = shift + (31 - metrics.height()) / 2 + metrics.ascent();
    const int letterWidth = metrics.horizontalAdvance(word.left(1));
    p.setRenderHint(QPainter::Antialiasing, false);
    p.fillRect(QRect(left, baseline + 2, letterWidth, 1), Qt::black);
    return image;
}

// The outline of a hand pointing upwards, index finger tip at (8, 1).
QPainterPath HandOutline()
{
    QPainterPath path;
    path.moveTo(6, 3);
    path.quadTo(6, 0.5, 8.5, 0.5);
    path.quadTo(11, 0.5, 11, 3);
    path.lineTo(11, 11);
    path.quadTo(11, 9, 13, 9);
    path.quadTo(15, 9, 15, 11);
    path.lineTo(15, 12.5);
    path.quadTo(15, 10.5, 17, 10.5);
    path.quadTo(19, 10.5, 19, 12.5);
    path.lineTo(19, 14);
    path.quadTo(19, 12, 21, 12);
    path.quadTo(23, 12, 23, 14);
    path.lineTo(23, 21);
    path.quadTo(23, 25, 20, 28);
    path.lineTo(20, 30);
    path.lineTo(9, 30);
    path.lineTo(9, 28);
    path.quadTo(6, 25, 3, 20);
    path.lineTo(1.5, 17);
    path.quadTo(1, 15, 3, 15);
    path.quadTo(4.5, 15, 6, 17.5);
    path.closeSubpath();
    return path;
}

// Two colours only: a white hand with a black outline on a transparent ground.
QImage DrawHandCursor()
{
    QImage image = NewImage(32, 32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(Qt::white);
    p.drawPath(HandOutline());
    // Knuckle lines between the fingers.
    p.drawLine(11, 11, 11, 17);
    p.drawLine(15, 12, 15, 17);
    p.drawLine(19, 14, 19, 18);
    return image;
}

// How the program icon is drawn at one size: the frame and the photograph sit on whole or
// half pixels for their pen, so that each size is crisp; small sizes leave out what would
// only blur, large ones add depth.
struct IconDesign
{
    int size;
    qreal outline;   // pen of the rounded square
    qreal radius;    // of its corners
    QRectF photo;    // the photograph's border, on the outline's pixel grid
    qreal border;    // the white margin around the picture
    qreal sunRadius; // 0: no sun
    QLineF cut;      // the cut line across the corner
    qreal cutWidth;  // its pen
    bool dashedCut;  // dashes do not read below 32 px
    bool shadow;     // the photograph casts a shadow
    bool gloss;      // a sheen on the upper half of the square
};

constexpr IconDesign kIconDesigns[] = {
    {16, 1, 3, {2.5, 3.5, 11, 9}, 1.5, 1.2, {10.5, 1.5, 14.5, 5.5}, 1, false, false, false},
    {32, 1, 6, {5.5, 7.5, 21, 17}, 2, 2, {20, 4, 29, 13}, 1.5, true, false, false},
    {48, 1, 9, {7.5, 11.5, 33, 25}, 2.5, 3, {30, 6, 43.5, 19.5}, 2, true, false, false},
    {64, 2, 12, {11, 15, 42, 34}, 4, 4, {40, 8, 58, 26}, 3, true, true, false},
    {128, 4, 24, {22, 30, 84, 68}, 8, 8, {80, 16, 116, 52}, 6, true, true, true},
    {256, 6, 48, {44, 60, 168, 136}, 16, 16, {160, 32, 232, 104}, 12, true, true, true},
};

// The program icon: a photograph whose surplus is being trimmed away. Shapes inside the
// photograph are laid out on a 32-unit grid and scaled.
QImage DrawIcon(const IconDesign &design)
{
    const qreal unit = design.size / 32.0;
    QImage image = NewImage(design.size, design.size);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);

    QLinearGradient ground(0, 0, 0, design.size);
    ground.setColorAt(0.0, kFrameLight);
    ground.setColorAt(1.0, kFrameDark);
    p.setPen(QPen(QColor(0x0b, 0x1d, 0x45), design.outline));
    p.setBrush(ground);
    const qreal inset = design.outline / 2;
    const QRectF square(inset, inset, design.size - design.outline, design.size - design.outline);
    p.drawRoundedRect(square, design.radius, design.radius);
    if (design.gloss) {
        QLinearGradient sheen(0, 0, 0, design.size / 2.0);
        sheen.setColorAt(0.0, QColor(255, 255, 255, 70));
        sheen.setColorAt(1.0, QColor(255, 255, 255, 0));
        p.setPen(Qt::NoPen);
        p.setBrush(sheen);
        const qreal edge = design.outline;
        p.drawRoundedRect(square.adjusted(edge, edge, -edge, -design.size / 2.0),
                          design.radius - edge, design.radius - edge);
    }

    // The photograph: sky, sun and hills in a white border.
    const QRectF &photo = design.photo;
    if (design.shadow) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0, 0, 0, 90));
        p.drawRect(photo.translated(unit, unit));
    }
    p.setPen(QPen(QColor(0x20, 0x20, 0x20), design.outline));
    p.setBrush(Qt::white);
    p.drawRect(photo);
    const qreal border = design.border;
    const QRectF picture = photo.adjusted(border, border, -border, -border);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x8c, 0xc8, 0xf5));
    p.drawRect(picture);
    if (design.sunRadius > 0) {
        p.setBrush(QColor(0xff, 0xd2, 0x3c));
        p.drawEllipse(QPointF(picture.right() - 4 * unit, picture.top() + 3.5 * unit),
                      design.sunRadius, design.sunRadius);
    }
    // A point x units right of the picture's left edge and y units above its bottom.
    const auto at = [&](qreal x, qreal y) {
        return QPointF(picture.left() + x * unit, picture.bottom() - y * unit);
    };
    QPainterPath hills;
    hills.moveTo(picture.bottomLeft());
    hills.lineTo(at(0, 4));
    hills.quadTo(at(5, 10), at(9, 4));
    hills.quadTo(at(13, 8), QPointF(picture.right(), picture.bottom() - 3 * unit));
    hills.lineTo(picture.bottomRight());
    hills.closeSubpath();
    p.setBrush(QColor(0x3c, 0x9a, 0x3c));
    p.drawPath(hills);

    // A cut line across the corner it loses.
    p.setPen(QPen(QColor(0xff, 0xff, 0xff), design.cutWidth,
                  design.dashedCut ? Qt::DashLine : Qt::SolidLine));
    p.drawLine(design.cut);
    return image;
}

bool Save(const QImage &image, const QDir &folder, const QString &name)
{
    const QString path = folder.filePath(name);
    if (!image.save(path, "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));

    const QImage background = DrawBackground();
    bool ok = Save(background, folder, QStringLiteral("background.png"));
    const struct
    {
        const char *name;
        void (*glyph)(QPainter &);
    } windowButtons[] = {
        {"btn_menu", QuestionGlyph}, {"btn_minimize", UnderscoreGlyph}, {"btn_close", CrossGlyph}};
    for (const Face face : {Face::Resting, Face::Hover, Face::Pressed}) {
        const QString suffix = QString::fromLatin1(kFaceSuffix[static_cast<int>(face)]);
        int left = kWindowButtonLeft;
        for (const auto &button : windowButtons) {
            const QImage ground = background.copy(left, kWindowButtonTop, 21, 21);
            ok &= Save(DrawWindowButton(face, ground, button.glyph), folder,
                       QString::fromLatin1(button.name) + suffix + QStringLiteral(".png"));
            left += kWindowButtonStep;
        }
        ok &= Save(DrawActionButton(face, QStringLiteral("Start")), folder,
                   QStringLiteral("cmd_start") + suffix + QStringLiteral(".png"));
        ok &= Save(DrawActionButton(face, QStringLiteral("Stop")), folder,
                   QStringLiteral("cmd_stop") + suffix + QStringLiteral(".png"));
    }
    ok &= Save(DrawHandCursor(), folder, QStringLiteral("hand.png"));
    for (const IconDesign &design : kIconDesigns)
        ok &= Save(DrawIcon(design), folder, QStringLiteral("icon_%1.png").arg(design.size));
    return ok ? 0 : 1;
}
