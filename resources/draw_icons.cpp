// Draws the button icons (resources/icons/*.png), the small images the style sheet uses
// (resources/style/*.png) and the window icon (ico/appIcon.ico).
//
//   draw_icons <resources-dir> <ico-file>
//
// Every icon is vector-drawn on a transparent 510 x 510 canvas and saved as 8-bit RGBA PNG.
// The window icon is a Windows ICO with one entry per size: 32-bit BMP entries for the small
// sizes (what every Windows shell reads) and a PNG entry for 256 px. After writing, the
// program reads everything back and fails if a file is not what the application expects.

#include <QBuffer>
#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QtEndian>

#include <cmath>
#include <vector>

namespace {

constexpr int kCanvas = 510;
// Line weight shared by every stroked element and every cut-out, so the set looks like one family.
constexpr qreal kLine = 30.0;
// The largest side of a figure's bounding box; leaves a small transparent margin.
constexpr qreal kExtent = 440.0;

const QColor kBlack(0x20, 0x21, 0x24);
const QColor kBlue(0x1a, 0x73, 0xe8);
const QColor kGreen(0x18, 0x80, 0x38);
const QColor kGray(0x9a, 0xa0, 0xa6);

// A figure is a list of drawing steps in its own design coordinates. Cut steps punch
// transparent holes into what was painted before them.
struct Step {
    QPainterPath path;
    qreal strokeWidth = 0.0; // 0: fill the path; otherwise stroke it with round caps and joins
    bool cut = false;
};

struct Figure {
    std::vector<Step> steps;

    void fill(const QPainterPath& p) { steps.push_back({p, 0.0, false}); }
    void stroke(const QPainterPath& p, qreal w = kLine) { steps.push_back({p, w, false}); }
    void cutFill(const QPainterPath& p) { steps.push_back({p, 0.0, true}); }
    void cutStroke(const QPainterPath& p, qreal w = kLine) { steps.push_back({p, w, true}); }

    QRectF bounds() const
    {
        QRectF r;
        for (const Step& s : steps) {
            if (s.cut)
                continue;
            const qreal h = s.strokeWidth / 2.0;
            r |= s.path.boundingRect().adjusted(-h, -h, h, h);
        }
        return r;
    }
};

QPainterPath capsule(QPointF base, qreal length, qreal width, qreal angleDeg)
{
    // A finger: a rounded bar standing on `base`, leaning by `angleDeg` (positive leans right).
    QPainterPath p;
    p.addRoundedRect(QRectF(-width / 2, -length, width, length + width / 2), width / 2, width / 2);
    QTransform t;
    t.translate(base.x(), base.y());
    t.rotate(angleDeg);
    return t.map(p);
}

QPainterPath mirrored(const QPainterPath& p, qreal axisX)
{
    QTransform t;
    t.translate(2 * axisX, 0);
    t.scale(-1, 1);
    return t.map(p);
}

Figure mirrored(const Figure& f, qreal axisX)
{
    Figure m;
    for (const Step& s : f.steps)
        m.steps.push_back({mirrored(s.path, axisX), s.strokeWidth, s.cut});
    return m;
}

// Right hand seen from above, as the person sees it when holding it over the scanner:
// thumb on the left, index, middle (longest), ring, little finger to the right.
Figure rightHand()
{
    Figure f;
    const qreal fw = 58; // finger width
    struct Finger {
        qreal x, length, angle;
    };
    const Finger fingers[] = {
        {196, 205, -9}, // index
        {258, 245, -3}, // middle
        {320, 220, 3},  // ring
        {380, 160, 10}, // little
    };
    for (const Finger& g : fingers)
        f.fill(capsule(QPointF(g.x, 300), g.length, fw, g.angle));

    QPainterPath palm;
    palm.moveTo(166, 290);
    palm.cubicTo(166, 270, 180, 262, 200, 262);
    palm.lineTo(380, 262);
    palm.cubicTo(402, 262, 414, 278, 414, 300);
    palm.lineTo(410, 390);
    palm.cubicTo(406, 440, 390, 462, 378, 480);
    palm.lineTo(206, 480);
    palm.cubicTo(192, 452, 172, 420, 168, 370);
    palm.closeSubpath();
    f.fill(palm);

    // Thumb lying along the palm's edge, folded out of the way of the four fingers.
    f.fill(capsule(QPointF(196, 420), 170, 64, -48));

    // The hand's letter cut out of the palm, so right and left never need a second look.
    QPainterPath r;
    const qreal x = 262, top = 318, h = 120, bowl = 66;
    r.moveTo(x, top + h);
    r.lineTo(x, top);
    r.lineTo(x + 34, top);
    r.arcTo(QRectF(x + 34 - bowl / 2, top, bowl, bowl), 90, -180);
    r.lineTo(x, top + bowl);
    r.moveTo(x + 30, top + bowl);
    r.lineTo(x + 66, top + h);
    f.cutStroke(r, 24);
    return f;
}

Figure leftHand()
{
    Figure f = mirrored(rightHand(), kCanvas / 2.0);
    // The mirrored hand still carries a mirrored R; replace it with an L in the same place.
    f.steps.pop_back();
    QPainterPath l;
    const qreal x = 192, top = 318, h = 120;
    l.moveTo(x, top);
    l.lineTo(x, top + h);
    l.lineTo(x + 62, top + h);
    f.cutStroke(l, 24);
    return f;
}

// Both thumbs side by side: two raised thumbs, each on its fist, the fists facing apart.
Figure thumbs()
{
    Figure left;
    QPainterPath fist;
    fist.addRoundedRect(QRectF(66, 250, 178, 222), 60, 60);
    left.fill(fist);
    // The curled fingers bulge out of the fist's outer side, one rounded knuckle each.
    for (int i = 0; i < 4; ++i) {
        QPainterPath knuckle;
        knuckle.addRoundedRect(QRectF(40, 262 + i * 52, 130, 50), 25, 25);
        left.fill(knuckle);
    }
    left.fill(capsule(QPointF(188, 300), 196, 110, 0));

    // Short creases between the knuckles.
    for (int i = 1; i < 4; ++i) {
        QPainterPath crease;
        const qreal y = 262 + i * 52 - 1;
        crease.moveTo(30, y);
        crease.lineTo(96, y);
        left.cutStroke(crease, 12);
    }
    // A whorl on the thumb pad: the part that is captured.
    const QPointF pad(188, 144);
    for (int i = 0; i < 3; ++i) {
        const qreal rx = 8 + i * 14, ry = 11 + i * 16;
        const QRectF e(pad.x() - rx, pad.y() - ry, 2 * rx, 2 * ry);
        QPainterPath arc;
        arc.arcMoveTo(e, 195);
        arc.arcTo(e, 195, -210);
        left.cutStroke(arc, 10);
    }

    const Figure right = mirrored(left, kCanvas / 2.0);
    // Paint both bodies before any cut-out, so one thumb never covers the other's holes.
    Figure out;
    for (const Figure* g : {static_cast<const Figure*>(&left), &right})
        for (const Step& s : g->steps)
            if (!s.cut)
                out.steps.push_back(s);
    for (const Figure* g : {static_cast<const Figure*>(&left), &right})
        for (const Step& s : g->steps)
            if (s.cut)
                out.steps.push_back(s);
    return out;
}

Figure gear()
{
    Figure f;
    const QPointF c(255, 255);
    QPainterPath body;
    body.addEllipse(c, 160, 160);
    f.fill(body);
    const int teeth = 8;
    for (int i = 0; i < teeth; ++i) {
        QPainterPath tooth;
        tooth.addRoundedRect(QRectF(-40, -215, 80, 90), 16, 16);
        QTransform t;
        t.translate(c.x(), c.y());
        t.rotate(360.0 * i / teeth);
        f.fill(t.map(tooth));
    }
    QPainterPath hole;
    hole.addEllipse(c, 66, 66);
    f.cutFill(hole);
    return f;
}

// The four corner marks of a scan frame.
QPainterPath cornerMarks(const QRectF& frame, qreal arm)
{
    QPainterPath corners;
    corners.moveTo(frame.left(), frame.top() + arm);
    corners.lineTo(frame.left(), frame.top());
    corners.lineTo(frame.left() + arm, frame.top());
    corners.moveTo(frame.right() - arm, frame.top());
    corners.lineTo(frame.right(), frame.top());
    corners.lineTo(frame.right(), frame.top() + arm);
    corners.moveTo(frame.right(), frame.bottom() - arm);
    corners.lineTo(frame.right(), frame.bottom());
    corners.lineTo(frame.right() - arm, frame.bottom());
    corners.moveTo(frame.left() + arm, frame.bottom());
    corners.lineTo(frame.left(), frame.bottom());
    corners.lineTo(frame.left(), frame.bottom() - arm);
    return corners;
}

// Start the automatic scan: a play triangle inside a scan frame.
Figure autoscan()
{
    Figure f;
    f.stroke(cornerMarks(QRectF(60, 60, 390, 390), 100));

    // Rounded triangle, nudged right so its visual centre sits in the frame's centre.
    QPainterPath play;
    play.moveTo(205, 160);
    play.lineTo(350, 255);
    play.lineTo(205, 350);
    play.closeSubpath();
    f.fill(play);
    f.stroke(play, 40);
    return f;
}

// Stop: a bold X.
Figure cross()
{
    Figure f;
    QPainterPath x;
    x.moveTo(120, 120);
    x.lineTo(390, 390);
    x.moveTo(390, 120);
    x.lineTo(120, 390);
    f.stroke(x, 78);
    return f;
}

// The scanner: a housing with its window on top and, above it, the capture field drawn
// with the same corner marks as the automatic scan.
Figure device()
{
    Figure f;
    QPainterPath housing;
    housing.moveTo(70, 470);
    housing.lineTo(100, 350);
    housing.lineTo(410, 350);
    housing.lineTo(440, 470);
    housing.closeSubpath();
    f.fill(housing);
    f.stroke(housing, 24);

    // The sensor window on the top face and a status light on the front.
    QPainterPath window;
    window.addRoundedRect(QRectF(160, 372, 190, 26), 13, 13);
    f.cutFill(window);
    QPainterPath led;
    led.addEllipse(QPointF(380, 436), 14, 14);
    f.cutFill(led);

    const QRectF field(110, 50, 290, 240);
    f.stroke(cornerMarks(field, 70));
    QPainterPath scanLine;
    scanLine.moveTo(field.left() + 50, field.center().y());
    scanLine.lineTo(field.right() - 50, field.center().y());
    f.stroke(scanLine);
    return f;
}

QImage render(const Figure& figure, const QColor& color, int size = kCanvas)
{
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);

    // Centre the figure and scale it to the common extent, so all icons share one size.
    const QRectF b = figure.bounds();
    const qreal scale = kExtent / std::max(b.width(), b.height()) * size / kCanvas;

    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.translate(size / 2.0, size / 2.0);
    p.scale(scale, scale);
    p.translate(-b.center());
    for (const Step& s : figure.steps) {
        p.setCompositionMode(s.cut ? QPainter::CompositionMode_DestinationOut : QPainter::CompositionMode_SourceOver);
        if (s.strokeWidth > 0) {
            p.setPen(QPen(color, s.strokeWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            p.setBrush(Qt::NoBrush);
        } else {
            p.setPen(Qt::NoPen);
            p.setBrush(color);
        }
        p.drawPath(s.path);
    }
    return image;
}

// The application's mark: a white fingerprint on a blue rounded square. Small sizes get
// fewer, relatively heavier ridges so they stay legible.
QImage appMark(int size)
{
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);

    const qreal s = size;
    const qreal inset = size >= 48 ? s * 0.03 : 0.0;
    const QRectF tile(inset, inset, s - 2 * inset, s - 2 * inset);
    QLinearGradient g(tile.topLeft(), tile.bottomLeft());
    g.setColorAt(0.0, kBlue.lighter(112));
    g.setColorAt(1.0, kBlue.darker(112));
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawRoundedRect(tile, tile.width() * 0.22, tile.width() * 0.22);

    const int ridges = size <= 16 ? 2 : size <= 32 ? 3 : size <= 48 ? 4 : 5;
    const qreal maxR = tile.width() * 0.3;
    const qreal step = maxR / (ridges + 0.55);
    p.setPen(QPen(Qt::white, std::max(1.3, step * 0.5), Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    // A loop pattern: ridges rise on both sides, turn over the core and run down again, the
    // left flank further than the right. Slightly turned, as a finger is rarely upright.
    p.translate(s * 0.5, s * 0.58);
    p.rotate(-12);
    for (int i = 0; i <= ridges; ++i) {
        const qreal rx = step * (i + 0.55);
        const qreal ry = rx * 1.15;
        const qreal leftRun = i == 0 ? step * 1.4 : step * (2.3 + 0.6 * (i % 2));
        const qreal rightRun = i == 0 ? step * 0.6 : step * (1.1 + 0.8 * ((i + 1) % 2));
        QPainterPath ridge;
        ridge.moveTo(-rx, leftRun);
        ridge.lineTo(-rx, 0);
        ridge.arcTo(QRectF(-rx, -ry, 2 * rx, 2 * ry), 180, -180);
        ridge.lineTo(rx, rightRun);
        p.drawPath(ridge);
    }
    return image;
}

// The spin box arrows of the style sheet: a chevron drawn at twice the size it is shown at,
// so it stays sharp on high-density screens.
QImage spinArrow(bool up, const QColor& color)
{
    QImage image(20, 12, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(color, 2.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    QPainterPath chevron;
    chevron.moveTo(4, up ? 9 : 3);
    chevron.lineTo(10, up ? 3 : 9);
    chevron.lineTo(16, up ? 9 : 3);
    p.drawPath(chevron);
    return image;
}

QByteArray pngBytes(const QImage& image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

void putLE16(QByteArray& out, quint16 v)
{
    char b[2];
    qToLittleEndian(v, b);
    out.append(b, 2);
}

void putLE32(QByteArray& out, quint32 v)
{
    char b[4];
    qToLittleEndian(v, b);
    out.append(b, 4);
}

// A classic ICO entry: BITMAPINFOHEADER, bottom-up BGRA rows, then the 1-bit AND mask
// (set where the pixel is fully transparent) for shells that ignore the alpha channel.
QByteArray bmpEntry(const QImage& source)
{
    const QImage image = source.convertToFormat(QImage::Format_ARGB32);
    const int w = image.width(), h = image.height();
    QByteArray out;
    putLE32(out, 40);
    putLE32(out, quint32(w));
    putLE32(out, quint32(2 * h)); // colour and mask stacked
    putLE16(out, 1);
    putLE16(out, 32);
    putLE32(out, 0); // BI_RGB
    putLE32(out, 0);
    putLE32(out, 0);
    putLE32(out, 0);
    putLE32(out, 0);
    putLE32(out, 0);
    for (int y = h - 1; y >= 0; --y) {
        const QRgb* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < w; ++x)
            putLE32(out, row[x]); // 0xAARRGGBB stored little-endian is B, G, R, A
    }
    const int maskStride = ((w + 31) / 32) * 4;
    for (int y = h - 1; y >= 0; --y) {
        QByteArray mask(maskStride, '\0');
        const QRgb* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < w; ++x)
            if (qAlpha(row[x]) == 0)
                mask[x / 8] = char(mask[x / 8] | (0x80 >> (x % 8)));
        out.append(mask);
    }
    return out;
}

QByteArray icoFile(const std::vector<int>& sizes)
{
    std::vector<QByteArray> entries;
    for (int size : sizes) {
        const QImage image = appMark(size);
        entries.push_back(size >= 256 ? pngBytes(image) : bmpEntry(image));
    }
    QByteArray out;
    putLE16(out, 0); // reserved
    putLE16(out, 1); // icon
    putLE16(out, quint16(sizes.size()));
    quint32 offset = quint32(6 + 16 * sizes.size());
    for (size_t i = 0; i < sizes.size(); ++i) {
        const int size = sizes[i];
        out.append(char(size >= 256 ? 0 : size)); // 0 stands for 256
        out.append(char(size >= 256 ? 0 : size));
        out.append(char(0)); // no palette
        out.append(char(0));
        putLE16(out, 1);  // planes
        putLE16(out, 32); // bits per pixel
        putLE32(out, quint32(entries[i].size()));
        putLE32(out, offset);
        offset += quint32(entries[i].size());
    }
    for (const QByteArray& e : entries)
        out.append(e);
    return out;
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
        qCritical().noquote() << "cannot write" << path;
        return false;
    }
    return true;
}

bool checkPng(const QString& path)
{
    QImageReader reader(path, "png");
    const QImage image = reader.read();
    if (image.isNull() || image.size() != QSize(kCanvas, kCanvas) || !image.hasAlphaChannel()) {
        qCritical().noquote() << path << "is not a 510 x 510 image with alpha:" << reader.errorString();
        return false;
    }
    return true;
}

bool checkIco(const QString& path, const std::vector<int>& sizes)
{
    QImageReader reader(path, "ico");
    if (reader.imageCount() != int(sizes.size())) {
        qCritical().noquote() << path << "holds" << reader.imageCount() << "images, expected" << sizes.size()
                              << reader.errorString();
        return false;
    }
    for (size_t i = 0; i < sizes.size(); ++i) {
        const int size = sizes[i];
        const QImage image = reader.jumpToImage(int(i)) ? reader.read() : QImage();
        if (image.size() != QSize(size, size) || !image.hasAlphaChannel()) {
            qCritical().noquote() << path << "entry" << size << "reads back as" << image.size();
            return false;
        }
    }
    return true;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3) {
        qCritical("usage: draw_icons <resources-dir> <ico-file>");
        return 2;
    }
    const QDir iconsDir(QDir(args[1]).filePath("icons"));
    const QDir styleDir(QDir(args[1]).filePath("style"));
    const QString icoPath = args[2];
    if (!QDir().mkpath(iconsDir.path()) || !QDir().mkpath(styleDir.path())
        || !QDir().mkpath(QFileInfo(icoPath).path())) {
        qCritical("cannot create the output directories");
        return 1;
    }

    struct Named {
        QString name;
        Figure figure;
    };
    const std::vector<Named> hands = {{"4R", rightHand()}, {"4L", leftHand()}, {"2T", thumbs()}};
    const std::vector<std::pair<QString, QColor>> colours = {
        {"black", kBlack}, {"blue", kBlue}, {"green", kGreen}, {"gray", kGray}};
    const std::vector<Named> settings = {
        {"Settings", gear()}, {"Autoscan", autoscan()}, {"Cross", cross()}, {"Device", device()}};

    QStringList written;
    for (const Named& hand : hands)
        for (const auto& colour : colours) {
            const QString path = iconsDir.filePath(hand.name + "_" + colour.first + ".png");
            if (!writeFile(path, pngBytes(render(hand.figure, colour.second))))
                return 1;
            written << path;
        }
    for (const Named& icon : settings) {
        const QString path = iconsDir.filePath(icon.name + "_black.png");
        if (!writeFile(path, pngBytes(render(icon.figure, kBlack))))
            return 1;
        written << path;
    }

    const QColor arrow(0x5f, 0x63, 0x68), arrowDisabled(0xbd, 0xc1, 0xc6);
    const std::vector<std::pair<QString, QImage>> styleImages = {
        {"spin_up.png", spinArrow(true, arrow)},
        {"spin_down.png", spinArrow(false, arrow)},
        {"spin_up_disabled.png", spinArrow(true, arrowDisabled)},
        {"spin_down_disabled.png", spinArrow(false, arrowDisabled)},
    };
    for (const auto& image : styleImages)
        if (!writeFile(styleDir.filePath(image.first), pngBytes(image.second)))
            return 1;

    const std::vector<int> icoSizes = {16, 24, 32, 48, 64, 128, 256};
    if (!writeFile(icoPath, icoFile(icoSizes)))
        return 1;

    bool ok = true;
    for (const QString& path : written)
        ok = checkPng(path) && ok;
    ok = checkIco(icoPath, icoSizes) && ok;
    if (ok)
        qInfo().noquote() << "wrote" << written.size() << "icons and" << icoPath;
    return ok ? 0 : 1;
}
