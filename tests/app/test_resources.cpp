// The bundled icons and the style sheet, as the application loads them.
#include <QApplication>
#include <QFile>
#include <QIcon>
#include <QPushButton>
#include <QRegularExpression>

#include <gtest/gtest.h>

namespace {

QString StyleSheet()
{
    QFile file(QStringLiteral(ONDREL_SOURCE_DIR "/styles/OndrelApp.qss"));
    return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll()) : QString();
}

} // namespace

TEST(Resources, EveryIconLoadsAndTheStyleSheetReferencesOnlyBundledImages)
{
    Q_INIT_RESOURCE(icons);
    QStringList images;
    for (const char* hand : { "4R", "4L", "2T" }) {
        for (const char* colour : { "black", "blue", "green", "gray" }) {
            images << QStringLiteral(":/impressions/icons/%1_%2.png").arg(hand, colour);
        }
    }
    for (const char* name : { "Settings", "Autoscan", "Cross", "Device" }) {
        images << QStringLiteral(":/settings/icons/%1_black.png").arg(name);
    }
    for (auto it = QRegularExpression(R"(url\(([^)]*)\))").globalMatch(StyleSheet()); it.hasNext();) {
        images << it.next().captured(1).trimmed();
    }
    EXPECT_GT(images.size(), 16);
    for (const QString& image : images) {
        EXPECT_TRUE(image.startsWith(":/") && !QImage(image).isNull()) << image.toStdString();
    }
}

// The window's buttons are 100 x 100 with 90 x 90 icons; the style's frame and padding
// must leave the icon whole, and a disabled button must still show it clearly.
TEST(Resources, StyledIconButtonsShowTheWholeIconEnabledAndDisabled)
{
    Q_INIT_RESOURCE(icons);
    qApp->setStyleSheet(StyleSheet());
    const QIcon icon(QStringLiteral(":/impressions/icons/4R_black.png"));
    const QImage figure = icon.pixmap(QSize(90, 90)).toImage();
    QRect figureBounds, shown[2];
    for (int enabled = 0; enabled < 2; ++enabled) {
        QImage renders[2];
        for (int withIcon = 0; withIcon < 2; ++withIcon) {
            QPushButton button;
            button.setObjectName(QStringLiteral("btn_captureRight"));
            button.setFixedSize(100, 100);
            button.setIconSize(QSize(90, 90));
            button.setIcon(withIcon ? icon : QIcon());
            button.setEnabled(enabled);
            renders[withIcon] = button.grab().toImage().convertToFormat(QImage::Format_RGB32);
        }
        for (int y = 0; y < 100; ++y) {
            for (int x = 0; x < 100; ++x) {
                const QRgb p = renders[0].pixel(x, y), q = renders[1].pixel(x, y);
                const bool clear = std::max({ std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)), std::abs(qBlue(p) - qBlue(q)) }) >= 60;
                shown[enabled] |= clear ? QRect(x, y, 1, 1) : QRect();
                figureBounds |= x < 90 && y < 90 && qAlpha(figure.pixel(x, y)) >= 128 ? QRect(x, y, 1, 1) : QRect();
            }
        }
    }
    qApp->setStyleSheet(QString());
    ASSERT_TRUE(figureBounds.isValid());
    for (const QRect& bounds : shown) {
        EXPECT_GE(bounds.width(), figureBounds.width() - 2);
        EXPECT_GE(bounds.height(), figureBounds.height() - 2);
    }
}
