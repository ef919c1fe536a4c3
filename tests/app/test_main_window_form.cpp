// The main window's form: the controls and capture buttons in their order, with their
// sizes and icons.
#include "test_main_window_fixture.h"
#include "ui_app_ondrel.h"

#include <QGroupBox>
#include <QLineEdit>
#include <QMainWindow>

#include <gtest/gtest.h>

using namespace mainwindowtest;

namespace {

void ExpectIconButton(QPushButton* button, const char* icon, QSizePolicy::Policy vertical)
{
    SCOPED_TRACE(button->objectName().toStdString());
    EXPECT_TRUE(button->text().isEmpty());
    EXPECT_EQ(button->sizePolicy().horizontalPolicy(), QSizePolicy::Fixed);
    EXPECT_EQ(button->sizePolicy().verticalPolicy(), vertical);
    EXPECT_EQ(button->minimumSize(), QSize(100, 100));
    EXPECT_EQ(button->maximumSize(), QSize(100, 100));
    EXPECT_EQ(button->iconSize(), QSize(90, 90));
    ASSERT_FALSE(button->icon().isNull());
    EXPECT_EQ(IconImage(button->icon()), IconImage(QString::fromLatin1(icon)));
}

} // namespace

TEST(MainWindowForm, ControlsAboveCaptureModesWithFixedSizeIconButtons)
{
    QMainWindow window;
    Ui::app_ondrelClass ui;
    ui.setupUi(&window);

    ASSERT_EQ(ui.horizontalLayout->count(), 2);
    EXPECT_EQ(ui.horizontalLayout->itemAt(0)->layout(), ui.verticalLayout_2);
    EXPECT_EQ(ui.horizontalLayout->itemAt(1)->widget(), ui.graphicsView);
    ASSERT_EQ(ui.verticalLayout_2->count(), 3);
    EXPECT_EQ(ui.verticalLayout_2->itemAt(0)->widget(), ui.groupBox_2);
    EXPECT_EQ(ui.verticalLayout_2->itemAt(1)->widget(), ui.groupBox);
    EXPECT_NE(ui.verticalLayout_2->itemAt(2)->spacerItem(), nullptr);

    EXPECT_EQ(ui.groupBox_2->title(), QStringLiteral("Controls"));
    ASSERT_EQ(ui.verticalLayout->count(), 3);
    EXPECT_EQ(ui.verticalLayout->itemAt(0)->widget(), ui.edit_Person);
    EXPECT_EQ(ui.verticalLayout->itemAt(1)->widget(), ui.btn_Settings);
    EXPECT_EQ(ui.verticalLayout->itemAt(2)->widget(), ui.btn_AutoWorkflow);
    EXPECT_EQ(ui.edit_Person->text(), QStringLiteral("unknown"));
    EXPECT_TRUE(ui.edit_Person->font().bold());
    ExpectIconButton(ui.btn_Settings, ":/settings/icons/Settings_black.png", QSizePolicy::Minimum);
    ExpectIconButton(ui.btn_AutoWorkflow, ":/settings/icons/Autoscan_black.png", QSizePolicy::Fixed);

    EXPECT_EQ(ui.groupBox->title(), QStringLiteral("Capture Modes"));
    ASSERT_EQ(ui.verticalLayout_3->count(), 3);
    EXPECT_EQ(ui.verticalLayout_3->itemAt(0)->widget(), ui.btn_captureRight);
    EXPECT_EQ(ui.verticalLayout_3->itemAt(1)->widget(), ui.btn_captureLeft);
    EXPECT_EQ(ui.verticalLayout_3->itemAt(2)->widget(), ui.btn_captureThumbs);
    ExpectIconButton(ui.btn_captureRight, ":/impressions/icons/4R_black.png", QSizePolicy::Fixed);
    ExpectIconButton(ui.btn_captureLeft, ":/impressions/icons/4L_black.png", QSizePolicy::Fixed);
    ExpectIconButton(ui.btn_captureThumbs, ":/impressions/icons/2T_black.png", QSizePolicy::Fixed);
}
