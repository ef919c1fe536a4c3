// The bundled icons, the window icon and the style sheet, as the application loads them.
#include <QApplication>
#include <QFile>
#include <QIcon>
#include <QImageReader>
#include <QPushButton>
#include <QRegularExpression>

#include <gtest/gtest.h>

namespace {

QString SourceFile(const char* path)
{
    QFile file(QStringLiteral(ONDREL_SOURCE_DIR "/") + QLatin1String(path));
    return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll()) : QString();
}

// The bounds of the pixels where two renderings differ by at least `minDifference`.
QRect DifferenceBounds(const QImage& a, const QImage& b, int minDifference)
{
    QRect bounds;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            if (std::max({ std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)), std::abs(qBlue(p) - qBlue(q)) })
                >= minDifference) {
                bounds |= QRect(x, y, 1, 1);
            }
        }
    }
    return bounds;
}

} // namespace

TEST(Resources, EveryIconTheWindowsUseLoadsAndTheWindowIconHoldsEverySize)
{
    Q_INIT_RESOURCE(icons);
    for (const char* hand : { "4R", "4L", "2T" }) {
        for (const char* colour : { "black", "blue", "green", "gray" }) {
            EXPECT_FALSE(QImage(QStringLiteral(":/impressions/icons/%1_%2.png").arg(hand, colour)).isNull()) << hand << colour;
        }
    }
    for (const char* name : { "Settings", "Autoscan", "Cross", "Device" }) {
        EXPECT_FALSE(QImage(QStringLiteral(":/settings/icons/%1_black.png").arg(name)).isNull()) << name;
    }
    QImageReader reader(QStringLiteral(ONDREL_SOURCE_DIR "/ico/appIcon.ico"), "ico");
    std::vector<int> sizes;
    for (int i = 0; reader.jumpToImage(i); ++i) {
        sizes.push_back(reader.read().width());
    }
    EXPECT_EQ(sizes, (std::vector<int> { 16, 24, 32, 48, 64, 128, 256 }));
}

TEST(Resources, TheStyleSheetReferencesOnlyBundledImages)
{
    Q_INIT_RESOURCE(icons);
    QRegularExpressionMatchIterator it = QRegularExpression(R"(url\(([^)]*)\))").globalMatch(SourceFile("styles/OndrelApp.qss"));
    int urls = 0;
    for (; it.hasNext(); ++urls) {
        const QString url = it.next().captured(1).trimmed();
        EXPECT_TRUE(url.startsWith(":/") && !QImage(url).isNull()) << url.toStdString();
    }
    EXPECT_GT(urls, 0);
}

// The window's buttons are 100 x 100 with 90 x 90 icons; the style's frame and padding
// must leave the icon whole, and a disabled button must still show it.
TEST(Resources, StyledIconButtonsShowTheWholeIconEnabledAndDisabled)
{
    Q_INIT_RESOURCE(icons);
    qApp->setStyleSheet(SourceFile("styles/OndrelApp.qss"));
    const QIcon icon(QStringLiteral(":/impressions/icons/4R_black.png"));
    const QImage figure = icon.pixmap(QSize(90, 90)).toImage();
    QRect figureBounds;
    for (int y = 0; y < figure.height(); ++y) {
        for (int x = 0; x < figure.width(); ++x) {
            figureBounds |= qAlpha(figure.pixel(x, y)) >= 128 ? QRect(x, y, 1, 1) : QRect();
        }
    }
    ASSERT_TRUE(figureBounds.isValid());
    for (bool enabled : { true, false }) {
        const auto render = [&](bool withIcon) {
            QPushButton button;
            button.setObjectName(QStringLiteral("btn_captureRight"));
            button.setFixedSize(100, 100);
            button.setIconSize(QSize(90, 90));
            button.setIcon(withIcon ? icon : QIcon());
            button.setEnabled(enabled);
            button.ensurePolished();
            return button.grab().toImage().convertToFormat(QImage::Format_RGB32);
        };
        // Where the icon changes the button clearly (not a faint ghost), it covers as much
        // as the icon's own figure does.
        const QRect shown = DifferenceBounds(render(true), render(false), 60);
        EXPECT_GE(shown.width(), figureBounds.width() - 2) << enabled;
        EXPECT_GE(shown.height(), figureBounds.height() - 2) << enabled;
    }
    qApp->setStyleSheet(QString());
}
