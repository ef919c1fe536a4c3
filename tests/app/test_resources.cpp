// The bundled icons and the style sheet, as the application loads them.
#include <QFile>
#include <QImage>
#include <QRegularExpression>

#include <gtest/gtest.h>

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
    QFile styles(QStringLiteral(ONDREL_SOURCE_DIR "/styles/OndrelApp.qss"));
    ASSERT_TRUE(styles.open(QIODevice::ReadOnly));
    for (auto it = QRegularExpression(R"(url\(([^)]*)\))").globalMatch(QString::fromLatin1(styles.readAll())); it.hasNext();) {
        images << it.next().captured(1).trimmed();
    }
    EXPECT_GT(images.size(), 16);
    for (const QString& image : images) {
        EXPECT_TRUE(image.startsWith(":/") && !QImage(image).isNull()) << image.toStdString();
    }
}
