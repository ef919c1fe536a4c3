// The bundled icons, the window icon and the style sheet, checked the way the application
// loads them.

#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QIcon>
#include <QImage>
#include <QImageReader>
#include <QPushButton>
#include <QRegularExpression>
#include <QtEndian>

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace {

const QString kSourceDir = QStringLiteral(ONDREL_SOURCE_DIR);

std::vector<QString> allIcons()
{
    std::vector<QString> paths;
    for (const char* hand : {"4R", "4L", "2T"})
        for (const char* colour : {"black", "blue", "green", "gray"})
            paths.push_back(QStringLiteral(":/impressions/icons/%1_%2.png").arg(hand, colour));
    for (const char* name : {"Settings", "Autoscan", "Cross", "Device"})
        paths.push_back(QStringLiteral(":/settings/icons/%1_black.png").arg(name));
    return paths;
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QRect boundsWhere(const QImage& a, const QImage& b, int minDifference)
{
    QRect bounds;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            const int d = std::max({std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                                    std::abs(qBlue(p) - qBlue(q))});
            if (d >= minDifference)
                bounds |= QRect(x, y, 1, 1);
        }
    return bounds;
}

QRect opaqueBounds(const QImage& image)
{
    QRect bounds;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) >= 128)
                bounds |= QRect(x, y, 1, 1);
    return bounds;
}

}  // namespace

TEST(IconResources, EveryIconIsA510SquareEightBitRgbaPng)
{
    for (const QString& path : allIcons()) {
        SCOPED_TRACE(path.toStdString());
        const QByteArray bytes = readAll(path);
        ASSERT_GE(bytes.size(), 33) << "resource missing";
        // PNG signature, then the IHDR chunk: width, height, bit depth, colour type.
        ASSERT_TRUE(bytes.startsWith("\x89PNG\r\n\x1a\n"));
        ASSERT_EQ(bytes.mid(12, 4), QByteArray("IHDR"));
        EXPECT_EQ(qFromBigEndian<quint32>(bytes.constData() + 16), 510u);
        EXPECT_EQ(qFromBigEndian<quint32>(bytes.constData() + 20), 510u);
        EXPECT_EQ(int(bytes[24]), 8) << "bit depth";
        EXPECT_EQ(int(bytes[25]), 6) << "colour type RGBA";
        EXPECT_FALSE(QImage(path).isNull());
    }
}

TEST(WindowIcon, HoldsEverySizeFrom16To256)
{
    const QString path = kSourceDir + "/ico/appIcon.ico";
    QImageReader reader(path, "ico");
    const std::vector<int> sizes = {16, 24, 32, 48, 64, 128, 256};
    ASSERT_EQ(reader.imageCount(), int(sizes.size())) << reader.errorString().toStdString();
    for (size_t i = 0; i < sizes.size(); ++i) {
        SCOPED_TRACE(sizes[i]);
        ASSERT_TRUE(reader.jumpToImage(int(i)));
        const QImage image = reader.read().convertToFormat(QImage::Format_ARGB32);
        ASSERT_EQ(image.size(), QSize(sizes[i], sizes[i]));
        EXPECT_TRUE(image.hasAlphaChannel());
        // Rounded corners are transparent, the tile itself is opaque.
        EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0);
        EXPECT_EQ(qAlpha(image.pixel(sizes[i] / 2, sizes[i] / 8)), 255);
    }

    const QIcon icon(path);
    EXPECT_GE(icon.availableSizes().size(), int(sizes.size()));
}

TEST(StyleSheet, ReferencesOnlyBundledImages)
{
    const QString qss = QString::fromLatin1(readAll(kSourceDir + "/styles/OndrelApp.qss"));
    QRegularExpressionMatchIterator it = QRegularExpression(R"(url\(([^)]*)\))").globalMatch(qss);
    int urls = 0;
    while (it.hasNext()) {
        const QString url = it.next().captured(1).trimmed();
        SCOPED_TRACE(url.toStdString());
        ++urls;
        EXPECT_TRUE(url.startsWith(":/")) << "must come from the resources, not the disk";
        EXPECT_FALSE(QImage(url).isNull());
    }
    EXPECT_GT(urls, 0);
}

// The main window's buttons are 100 x 100 with 90 x 90 icons; the style's frame and padding
// must leave the icon whole, and a disabled button must still show it.
TEST(StyleSheet, IconButtonsShowTheWholeIconEnabledAndDisabled)
{
    qApp->setStyleSheet(QString::fromLatin1(readAll(kSourceDir + "/styles/OndrelApp.qss")));
    const QString iconPath = ":/impressions/icons/4R_black";
    QIcon icon;
    icon.addFile(iconPath, QSize(), QIcon::Normal, QIcon::Off);
    const QRect iconBounds = opaqueBounds(icon.pixmap(QSize(90, 90)).toImage());
    ASSERT_TRUE(iconBounds.isValid());

    for (bool enabled : {true, false}) {
        SCOPED_TRACE(enabled ? "enabled" : "disabled");
        const auto render = [&](bool withIcon) {
            QPushButton button;
            button.setObjectName("btn_captureRight");
            button.setMinimumSize(100, 100);
            button.setMaximumSize(100, 100);
            button.setIconSize(QSize(90, 90));
            if (withIcon)
                button.setIcon(icon);
            button.setEnabled(enabled);
            button.resize(100, 100);
            button.ensurePolished();
            EXPECT_EQ(button.size(), QSize(100, 100));
            return button.grab().toImage().convertToFormat(QImage::Format_RGB32);
        };
        const QImage with = render(true), without = render(false);
        // Where the icon changes the button clearly (not a faint ghost), it covers as much
        // as the icon's own figure does.
        const QRect shown = boundsWhere(with, without, 60);
        ASSERT_TRUE(shown.isValid()) << "icon invisible";
        EXPECT_GE(shown.width(), iconBounds.width() - 2);
        EXPECT_GE(shown.height(), iconBounds.height() - 2);
    }
    qApp->setStyleSheet(QString());
}

int main(int argc, char** argv)
{
    // Also when ctest lists the tests, which runs without the test's environment.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
