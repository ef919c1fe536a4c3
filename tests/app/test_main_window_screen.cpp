// The main window on a real X display (run under Xvfb): the style sheet beside the program
// is applied, and the capture buttons show their icons, a different one for each hand.
#include "test_app_fixture.h"

#include <QApplication>
#include <QFile>
#include <QGroupBox>
#include <QScreen>
#include <QWindow>

using namespace apptest;

namespace {

// Pixels that differ between two images of one size.
int Differing(const QImage& a, const QImage& b)
{
    int count = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            count += a.pixel(x, y) != b.pixel(x, y) ? 1 : 0;
        }
    }
    return count;
}

} // namespace

class MainWindowScreen : public WindowTest {};

TEST_F(MainWindowScreen, StyleSheetAndHandIconsAreReallyDrawn)
{
    if (QGuiApplication::platformName() != QLatin1String("xcb")) {
        GTEST_SKIP() << "needs an X display (run under xvfb-run)";
    }
    // As the program does at start-up, from its own directory.
    QFile styles(QStringLiteral("styles/OndrelApp.qss"));
    ASSERT_TRUE(styles.open(QIODevice::ReadOnly)) << "run from the OndrelApp directory";
    qApp->setStyleSheet(QString::fromLatin1(styles.readAll().constData()));
    scanner.Serve();
    OpenWindow();
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));

    // The background comes from the style sheet; wait for the first paint to reach the server.
    auto* controls = Child<QGroupBox>(*window, "groupBox");
    const QPoint belowGroups(controls->mapTo(window.get(), QPoint(controls->width() / 2, 0)).x(), window->height() - 15);
    QImage shot;
    const bool styled = QTest::qWaitFor([&] {
        shot = window->windowHandle()->screen()->grabWindow(window->winId()).toImage();
        return shot.size() == window->size() && QColor(shot.pixel(belowGroups)) == QColor(0xf1, 0xf3, 0xf4);
    }, 5000);
    ASSERT_EQ(shot.size(), window->size());
    EXPECT_TRUE(styled) << "background " << QColor(shot.pixel(belowGroups)).name().toStdString();

    std::vector<QImage> icons;
    for (const char* name : { "btn_captureRight", "btn_captureLeft", "btn_captureThumbs" }) {
        const QRect iconArea(Button(name)->mapTo(window.get(), QPoint(10, 10)), QSize(80, 80));
        icons.push_back(shot.copy(iconArea));
        EXPECT_GT(Differing(icons.back(), QImage(icons.back()).copy(0, 0, 1, 1).scaled(80, 80)), 80 * 80 / 20)
            << name << ": no icon to be seen";
    }
    EXPECT_GT(Differing(icons[0], icons[1]), 80 * 80 / 50) << "right and left hand look alike";
    EXPECT_GT(Differing(icons[0], icons[2]), 80 * 80 / 50) << "right hand and thumbs look alike";
    EXPECT_GT(Differing(icons[1], icons[2]), 80 * 80 / 50) << "left hand and thumbs look alike";
    EXPECT_EQ(boxes.count(), 0);
}
