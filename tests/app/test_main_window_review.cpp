// After a run the window shows its review; a retake captures one mode again into the same
// run without losing an attempt; fingers marked missing and a hand held out wrongly.
#include "InterchangeReader.h"
#include "SimProcess.h"
#include "StatusLine.h"
#include "test_app_fixture.h"

#include <QDirIterator>
#include <QLineEdit>
#include <QRegularExpression>
#include <QSettings>

using namespace apptest;

namespace {

class MainWindowReview : public WindowTest {
protected:
    // A run of the window against `sim`, storing into `results`.
    void Run(ondrel::testsupport::SimProcess& sim, const FingerMarks& marks = {})
    {
        LaunchOptions options;
        options.person = QStringLiteral("P-9");
        options.deviceHost = "127.0.0.1";
        options.devicePort = sim.port();
        options.fingerMarks = marks;
        OpenWindow("[WorkflowSettings]\nMinWorkflowDelayMs=0\n[SaveSettings]\nBasePath=" + results.path().toUtf8() + "\n", options);
        QObject::connect(window->findChild<StatusLine*>(), &StatusLine::textShown, [this](const QString& text) { shown << text; });
        window->StartWorkflow();
        ASSERT_EQ(boxes.count(), 0) << boxes.last().text.toStdString();
        const QStringList runs = QDir(results.filePath("P-9")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
        ASSERT_EQ(runs.size(), 1);
        run = results.filePath("P-9/" + runs.front());
    }
    // Every file of a directory with its bytes, by relative path.
    std::map<QString, QByteArray> Files(const QString& relative) const
    {
        std::map<QString, QByteArray> files;
        for (QDirIterator it(run + "/" + relative, QDir::Files, QDirIterator::Subdirectories); it.hasNext();) {
            QFile file(it.next());
            files[QDir(run + "/" + relative).relativeFilePath(file.fileName())] = file.open(QIODevice::ReadOnly) ? file.readAll() : "?";
        }
        return files;
    }
    QByteArray Bytes(const QString& relative) const { return Files(QString()).count(relative) ? Files(QString())[relative] : QByteArray(); }
    std::vector<ondrel::testsupport::InterchangeRecord> Interchange() const
    {
        QString error;
        const auto records = ondrel::testsupport::ReadInterchangeFile(Bytes("run.an2"), &error);
        EXPECT_TRUE(records) << error.toStdString();
        return records.value_or(std::vector<ondrel::testsupport::InterchangeRecord>{});
    }
    // Retakes 4L, forcing it: the simulator starts every capture with the right hand.
    void Retake4L()
    {
        WhenReady force([this] { return Button("btn_captureLeft")->isEnabled(); }, [this] { Button("btn_captureLeft")->click(); });
        Child<QPushButton>(*window, "btn_Retake4L")->click();
        EXPECT_TRUE(force.Done());
        EXPECT_EQ(boxes.count(), 0);
    }

    QTemporaryDir results;
    QString run;
    QStringList shown;
};

} // namespace

TEST_F(MainWindowReview, AWholeRunEndsInItsReviewAndRetakesOfOneModeKeepEveryEarlierAttempt)
{
    ondrel::testsupport::SimProcess sim({ "--settle-ms", "300", "--width", "640", "--height", "512" });
    Run(sim);
    EXPECT_TRUE(Child<QWidget>(*window, "review")->isVisibleTo(window.get()));
    EXPECT_FALSE(Child<QWidget>(*window, "graphicsView")->isVisibleTo(window.get()));
    for (const char* mode : { "4R", "4L", "2T" }) {
        EXPECT_TRUE(Label(qPrintable(QStringLiteral("lbl_ReviewOutcome%1").arg(mode))).contains("captured")) << mode;
        EXPECT_TRUE(Label(qPrintable(QStringLiteral("lbl_ReviewFingers%1").arg(mode))).contains(QRegularExpression(": \\d+"))) << mode;
    }
    ASSERT_EQ(Interchange().size(), 4u);

    const std::map<QString, QByteArray> first = Files("4L");
    const QByteArray firstConfig = Bytes("cfg.txt");
    Retake4L();
    std::map<QString, QByteArray> archived = Files("4L.1");
    EXPECT_EQ(archived["cfg.txt"], firstConfig);
    archived.erase("cfg.txt");
    EXPECT_EQ(archived, first);
    EXPECT_TRUE(Bytes("run.ini").contains("[4L]\noutcome=forced\nattempts=2\n")) << Bytes("run.ini").toStdString();
    const std::vector<ondrel::testsupport::InterchangeRecord> records = Interchange();
    ASSERT_EQ(records.size(), 4u);
    EXPECT_EQ(records[2].Value(999), Bytes("4L/final.png"));
    EXPECT_TRUE(Label("lbl_ReviewOutcome4L").contains("2 attempts")) << Label("lbl_ReviewOutcome4L").toStdString();

    const std::map<QString, QByteArray> second = Files("4L");
    Retake4L();
    std::map<QString, QByteArray> archivedAgain = Files("4L.2");
    archivedAgain.erase("cfg.txt");
    EXPECT_EQ(archivedAgain, second);
    EXPECT_EQ(Files("4L.1").size(), first.size() + 1);
    EXPECT_TRUE(Bytes("run.ini").contains("[4L]\noutcome=forced\nattempts=3\n"));
}

TEST_F(MainWindowReview, AFingerMarkedMissingIsLeftOutOfEveryFileAndANewPersonForgetsIt)
{
    ondrel::testsupport::SimProcess sim({ "--settle-ms", "300", "--width", "640", "--height", "512", "--missing-fingers", "3", "--degrade", "4:blur=3" });
    Run(sim, { { 3, FingerMark::Amputated } });
    // The blurred ring finger is the second of the three, by its position too.
    const QSettings quality(run + "/4R/quality.ini", QSettings::IniFormat);
    EXPECT_EQ(quality.value("Segment1/position").toInt(), 4);
    EXPECT_LT(quality.value("Segment1/quality").toInt(), 40);
    EXPECT_GE(quality.value("Segment2/quality").toInt(), 40);
    EXPECT_EQ(Bytes("fingers.ini"), QByteArray("[Fingers]\n3=XX\n"));
    EXPECT_TRUE(Bytes("4R/quality.ini").contains("[Segment2]\nposition=5\n") && !Bytes("4R/quality.ini").contains("[Segment3]"));
    const std::vector<ondrel::testsupport::InterchangeRecord> records = Interchange();
    ASSERT_EQ(records.size(), 4u);
    EXPECT_EQ(records[1].Value(18), QByteArray("3\x1fXX"));
    EXPECT_FALSE(records[2].Has(18));
    EXPECT_EQ(Label("lbl_FingerMarks"), QStringLiteral("Missing: 3 right middle XX"));

    // A new person forgets the marks.
    QTest::keyClicks(Child<QLineEdit>(*window, "edit_Person"), QStringLiteral("0"));
    EXPECT_FALSE(Child<QLabel>(*window, "lbl_FingerMarks")->isVisibleTo(window.get()));
}

TEST_F(MainWindowReview, TheLeftHandHeldOutForTheRightIsNamedAsSuch)
{
    ondrel::testsupport::SimProcess sim({ "--settle-ms", "300", "--width", "640", "--height", "512", "--wrong-hand", "4R" });
    Run(sim);
    EXPECT_TRUE(shown.contains(QStringLiteral("Step 1 of 3 \u00b7 Right hand expected: this looks like the left hand")))
        << shown.join('\n').toStdString();
    EXPECT_TRUE(window->LastRunStoredAllModes());
}
