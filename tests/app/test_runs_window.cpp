// The runs window over generated runs: it reads on its worker, filters, opens a run and
// exports the runs shown.
#include "CsvRecords.h"
#include "GeneratedRuns.h"
#include "RunsTableModel.h"
#include "RunsWindow.h"

#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <gtest/gtest.h>

TEST(RunsWindow, FillsFromItsWorkerFiltersOpensARunAndExportsTheRunsShown)
{
    QTemporaryDir base;
    ondrel::testsupport::GenerateRuns(base.path(), 30, true);
    RunsWindow window;
    QList<QUrl> opened;
    QString exportPath = base.filePath(QStringLiteral("plain.csv"));
    window.setDesktop({ [&](QWidget*, const QString&, const QString&, const QString&) { return exportPath; },
                        [&](const QUrl& url) {
                            opened << url;
                            return true;
                        } });
    const auto child = [&window](const char* name) { return window.findChild<QWidget*>(QLatin1String(name)); };
    const auto text = [&window](const char* name) { return window.findChild<QLabel*>(QLatin1String(name))->text(); };
    window.SetBaseDirectory(base.path());
    window.show();
    EXPECT_TRUE(child("progress_Reading")->isVisible());
    EXPECT_FALSE(child("btn_ExportCsv")->isEnabled()); // nothing half read is exported
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window.IsReading(); }, 10000));
    EXPECT_FALSE(child("progress_Reading")->isVisible());
    EXPECT_EQ(window.ShownRuns().rowCount(), 30);
    EXPECT_EQ(text("lbl_SummaryRuns"), QStringLiteral("30 runs"));

    static_cast<QLineEdit*>(child("edit_PersonFilter"))->setText(QStringLiteral("plain"));
    EXPECT_EQ(window.ShownRuns().rowCount(), 6);
    EXPECT_EQ(text("lbl_SummaryRuns"), QStringLiteral("6 runs of 30"));
    auto* table = static_cast<QTableView*>(child("table_Runs"));
    const QRect firstRow = table->visualRect(table->model()->index(0, 0));
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, firstRow.center()); // the view opens what was pressed
    QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, firstRow.center());
    EXPECT_EQ(opened, QList<QUrl>{ QUrl::fromLocalFile(window.ShownRuns().ShownRow(0).directory) });

    static_cast<QPushButton*>(child("btn_ExportCsv"))->click();
    QFile exported(exportPath);
    ASSERT_TRUE(exported.open(QIODevice::ReadOnly));
    const auto records = ParseCsvRecords(exported.readAll());
    ASSERT_TRUE(records);
    EXPECT_EQ(records->size(), 1u + 6 * 3);
    EXPECT_EQ(text("lbl_Status"), QStringLiteral("Exported 6 runs to %1.").arg(exportPath));
    exportPath = base.filePath(QStringLiteral("no/such/directory.csv"));
    static_cast<QPushButton*>(child("btn_ExportCsv"))->click();
    EXPECT_TRUE(text("lbl_Status").startsWith(QStringLiteral("The CSV could not be written to"))) << text("lbl_Status").toStdString();
}
