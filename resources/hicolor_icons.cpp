// Writes every size of the window icon as a PNG in the layout of the hicolor icon theme:
//
//   hicolor_icons <ico-file> <output-dir> <name>   ->   <output-dir>/<N>x<N>/apps/<name>.png
#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QImageReader>
#include <QTextStream>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    QTextStream err(stderr);
    if (args.size() != 4) {
        err << "usage: hicolor_icons <ico-file> <output-dir> <name>\n";
        return 2;
    }
    QImageReader reader(args[1], "ico");
    const int count = reader.imageCount();
    for (int i = 0; i < count; ++i) {
        reader.jumpToImage(i);
        const QImage image = reader.read();
        if (image.isNull() || image.width() != image.height()) {
            err << args[1] << ": entry " << i << " is not a square image: " << reader.errorString() << '\n';
            return 1;
        }
        const QString dir = QStringLiteral("%1/%2x%2/apps").arg(args[2]).arg(image.width());
        if (!QDir().mkpath(dir) || !image.save(dir + QLatin1Char('/') + args[3] + QStringLiteral(".png"), "PNG")) {
            err << "cannot write " << dir << '\n';
            return 1;
        }
    }
    if (count <= 0) {
        err << args[1] << ": no icon images: " << reader.errorString() << '\n';
        return 1;
    }
    return 0;
}
