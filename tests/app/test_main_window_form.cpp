// The main window's form: widget tree, names, sizes, policies and icons, and the window's
// meta-object (three slots, no signals).
#include "app_ondrel.h"
#include "test_main_window_fixture.h"
#include "ui_app_ondrel.h"

#include <QBoxLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QMetaMethod>
#include <QSpacerItem>
#include <QStatusBar>
#include <QToolBar>

#include <gtest/gtest.h>

using namespace mainwindowtest;

namespace {

void ExpectPolicy(QWidget* widget, QSizePolicy::Policy horizontal, QSizePolicy::Policy vertical, int stretch = 0)
{
    const QSizePolicy policy = widget->sizePolicy();
    EXPECT_EQ(policy.horizontalPolicy(), horizontal) << widget->objectName().toStdString();
    EXPECT_EQ(policy.verticalPolicy(), vertical) << widget->objectName().toStdString();
    EXPECT_EQ(policy.horizontalStretch(), stretch) << widget->objectName().toStdString();
    EXPECT_EQ(policy.verticalStretch(), stretch) << widget->objectName().toStdString();
}

void ExpectMargins(QLayout* layout, int spacing, int margin)
{
    EXPECT_EQ(layout->spacing(), spacing) << layout->objectName().toStdString();
    EXPECT_EQ(layout->contentsMargins(), QMargins(margin, margin, margin, margin)) << layout->objectName().toStdString();
}

void ExpectIconButton(QPushButton* button, const char* icon, QSizePolicy::Policy vertical)
{
    SCOPED_TRACE(button->objectName().toStdString());
    EXPECT_TRUE(button->text().isEmpty());
    ExpectPolicy(button, QSizePolicy::Fixed, vertical, 64);
    EXPECT_EQ(button->minimumSize(), QSize(100, 100));
    EXPECT_EQ(button->maximumSize(), QSize(100, 100));
    EXPECT_EQ(button->iconSize(), QSize(90, 90));
    ASSERT_FALSE(button->icon().isNull());
    EXPECT_EQ(IconImage(button->icon()), IconImage(QString::fromLatin1(icon)));
}

} // namespace

TEST(MainWindowForm, BuildsTheWidgetTreeWithItsNamesSizesAndPolicies)
{
    QMainWindow window;
    Ui::app_ondrelClass ui;
    ui.setupUi(&window);

    EXPECT_EQ(window.objectName(), QStringLiteral("app_ondrelClass"));
    EXPECT_EQ(window.size(), QSize(1333, 920));
    EXPECT_EQ(window.windowTitle(), QStringLiteral("app_ondrel"));
    EXPECT_EQ(window.findChild<QMenuBar*>(), nullptr);
    EXPECT_EQ(window.findChild<QToolBar*>(), nullptr);
    EXPECT_EQ(window.findChild<QStatusBar*>(), nullptr);

    ASSERT_EQ(window.centralWidget(), ui.centralWidget);
    EXPECT_EQ(ui.centralWidget->objectName(), QStringLiteral("centralWidget"));
    ASSERT_EQ(ui.centralWidget->layout(), ui.horizontalLayout);
    EXPECT_EQ(ui.horizontalLayout->objectName(), QStringLiteral("horizontalLayout"));
    ExpectMargins(ui.horizontalLayout, 6, 11);
    ASSERT_EQ(ui.horizontalLayout->count(), 2);
    EXPECT_EQ(ui.horizontalLayout->itemAt(0)->layout(), ui.verticalLayout_2);
    EXPECT_EQ(ui.horizontalLayout->itemAt(1)->widget(), ui.graphicsView);
    EXPECT_EQ(ui.graphicsView->objectName(), QStringLiteral("graphicsView"));

    EXPECT_EQ(ui.verticalLayout_2->objectName(), QStringLiteral("verticalLayout_2"));
    EXPECT_EQ(ui.verticalLayout_2->spacing(), 6);
    ASSERT_EQ(ui.verticalLayout_2->count(), 3);
    EXPECT_EQ(ui.verticalLayout_2->itemAt(0)->widget(), ui.groupBox_2);
    EXPECT_EQ(ui.verticalLayout_2->itemAt(1)->widget(), ui.groupBox);
    QSpacerItem* spacer = ui.verticalLayout_2->itemAt(2)->spacerItem();
    ASSERT_NE(spacer, nullptr);
    EXPECT_EQ(spacer->sizeHint(), QSize(20, 40));
    EXPECT_EQ(spacer->sizePolicy().horizontalPolicy(), QSizePolicy::Minimum);
    EXPECT_EQ(spacer->sizePolicy().verticalPolicy(), QSizePolicy::Expanding);

    EXPECT_EQ(ui.groupBox_2->objectName(), QStringLiteral("groupBox_2"));
    EXPECT_EQ(ui.groupBox_2->title(), QStringLiteral("Controls"));
    ExpectPolicy(ui.groupBox_2, QSizePolicy::Fixed, QSizePolicy::Minimum);
    ASSERT_EQ(ui.groupBox_2->layout(), ui.verticalLayout);
    EXPECT_EQ(ui.verticalLayout->objectName(), QStringLiteral("verticalLayout"));
    ExpectMargins(ui.verticalLayout, 6, 11);
    ASSERT_EQ(ui.verticalLayout->count(), 3);
    EXPECT_EQ(ui.verticalLayout->itemAt(0)->widget(), ui.edit_Person);
    EXPECT_EQ(ui.verticalLayout->itemAt(1)->widget(), ui.btn_Settings);
    EXPECT_EQ(ui.verticalLayout->itemAt(2)->widget(), ui.btn_AutoWorkflow);

    EXPECT_EQ(ui.edit_Person->objectName(), QStringLiteral("edit_Person"));
    EXPECT_EQ(ui.edit_Person->text(), QStringLiteral("unknown"));
    ExpectPolicy(ui.edit_Person, QSizePolicy::Expanding, QSizePolicy::Fixed);
    EXPECT_EQ(ui.edit_Person->minimumSize(), QSize(100, 0));
    EXPECT_EQ(ui.edit_Person->maximumSize(), QSize(64, 16777215));
    EXPECT_TRUE(ui.edit_Person->font().bold());
    EXPECT_EQ(ui.edit_Person->font().weight(), 75);

    EXPECT_EQ(ui.btn_Settings->objectName(), QStringLiteral("btn_Settings"));
    EXPECT_TRUE(ui.btn_Settings->isEnabled());
    ExpectIconButton(ui.btn_Settings, ":/settings/icons/Settings_black.png", QSizePolicy::Minimum);
    EXPECT_EQ(ui.btn_AutoWorkflow->objectName(), QStringLiteral("btn_AutoWorkflow"));
    ExpectIconButton(ui.btn_AutoWorkflow, ":/settings/icons/Autoscan_black.png", QSizePolicy::Fixed);

    EXPECT_EQ(ui.groupBox->objectName(), QStringLiteral("groupBox"));
    EXPECT_EQ(ui.groupBox->title(), QStringLiteral("Capture Modes"));
    ExpectPolicy(ui.groupBox, QSizePolicy::Maximum, QSizePolicy::Preferred);
    ASSERT_EQ(ui.groupBox->layout(), ui.verticalLayout_3);
    EXPECT_EQ(ui.verticalLayout_3->objectName(), QStringLiteral("verticalLayout_3"));
    ExpectMargins(ui.verticalLayout_3, 6, 11);
    ASSERT_EQ(ui.verticalLayout_3->count(), 3);
    EXPECT_EQ(ui.verticalLayout_3->itemAt(0)->widget(), ui.btn_captureRight);
    EXPECT_EQ(ui.verticalLayout_3->itemAt(1)->widget(), ui.btn_captureLeft);
    EXPECT_EQ(ui.verticalLayout_3->itemAt(2)->widget(), ui.btn_captureThumbs);
    EXPECT_EQ(ui.btn_captureRight->objectName(), QStringLiteral("btn_captureRight"));
    EXPECT_EQ(ui.btn_captureLeft->objectName(), QStringLiteral("btn_captureLeft"));
    EXPECT_EQ(ui.btn_captureThumbs->objectName(), QStringLiteral("btn_captureThumbs"));
    ExpectIconButton(ui.btn_captureRight, ":/impressions/icons/4R_black.png", QSizePolicy::Fixed);
    ExpectIconButton(ui.btn_captureLeft, ":/impressions/icons/4L_black.png", QSizePolicy::Fixed);
    ExpectIconButton(ui.btn_captureThumbs, ":/impressions/icons/2T_black.png", QSizePolicy::Fixed);
}

TEST(MainWindowForm, WindowHasExactlyTheThreeButtonSlotsInOrderAndNoSignals)
{
    const QMetaObject& meta = app_ondrel::staticMetaObject;
    ASSERT_EQ(meta.methodCount() - meta.methodOffset(), 3);
    const char* expected[] = { "OpenSettingsWindow()", "StartWorkflow()", "ForcedCapturing()" };
    for (int i = 0; i < 3; ++i) {
        const QMetaMethod method = meta.method(meta.methodOffset() + i);
        EXPECT_EQ(method.methodSignature(), QByteArray(expected[i]));
        EXPECT_EQ(method.methodType(), QMetaMethod::Slot);
        EXPECT_EQ(method.access(), QMetaMethod::Public);
    }
    EXPECT_EQ(meta.indexOfMethod("OnAuthGroupChanged(std::string,std::string)"), -1);
    EXPECT_EQ(VersionText(), QStringLiteral("0.2.1"));
}
