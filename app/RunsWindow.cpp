#include "RunsWindow.h"

#include "RunsCsv.h"
#include "RunsLoader.h"
#include "RunsSummary.h"
#include "RunsTableModel.h"
#include "ui_RunsWindow.h"

#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QHeaderView>
#include <QTimer>
#include <QUrl>

namespace {

// While runs arrive, the summary is redone at most this often.
constexpr int kSummaryEveryMs = 250;
constexpr int kPersonColumnWidth = 150;
constexpr int kStartedColumnWidth = 135;
constexpr int kModeColumnWidth = 58;

QString Cell(const QString& text, bool header = false)
{
    return header ? QStringLiteral("<th align=\"right\">%1</th>").arg(text)
                  : QStringLiteral("<td align=\"right\">%1</td>").arg(text);
}

QString CountCell(const ModeSummary& mode, int count)
{
    const std::optional<double> share = mode.Share(count);
    return Cell(share ? QStringLiteral("%1 (%2 %)").arg(count).arg(*share, 0, 'f', 1) : QStringLiteral("\u2013"));
}

QString SecondsCell(const std::optional<double>& ms)
{
    return Cell(ms ? QStringLiteral("%1 s").arg(*ms / 1000.0, 0, 'f', 1) : QStringLiteral("\u2013"));
}

// Two tables side by side: the modes (outcome shares, median time) and the finger positions
// (median and lowest quality).
QString SummaryHtml(const RunsSummary& summary, int allRuns)
{
    std::vector<const ModeSummary*> modes;
    for (const ModeSummary& mode : summary.modes) {
        modes.push_back(&mode);
    }
    modes.push_back(&summary.allModes);
    const auto modeRow = [&](const QString& title, const std::function<QString(const ModeSummary&)>& cell) {
        QString row = QStringLiteral("<tr><td>%1</td>").arg(title);
        for (const ModeSummary* mode : modes) {
            row += cell(*mode);
        }
        return row + QStringLiteral("</tr>");
    };
    QString runs = QStringLiteral("<b>%1 runs</b>").arg(summary.runs);
    if (summary.runs != allRuns) {
        runs += QStringLiteral(" of %1").arg(allRuns);
    }
    QString left = QStringLiteral("<table cellspacing=\"0\" cellpadding=\"2\"><tr><td>%1</td>").arg(runs);
    for (std::size_t i = 0; i < summary.modes.size(); ++i) {
        left += Cell(QLatin1String(CaptureModeDirectoryName(summary.modes[i].mode)), true);
    }
    left += Cell(QStringLiteral("all modes"), true) + QStringLiteral("</tr>");
    left += modeRow(QStringLiteral("captured automatically"),
                    [](const ModeSummary& m) { return CountCell(m, m.automatic); });
    left += modeRow(QStringLiteral("forced"), [](const ModeSummary& m) { return CountCell(m, m.forced); });
    left += modeRow(QStringLiteral("given up (time limit, stopped)"),
                    [](const ModeSummary& m) { return CountCell(m, m.givenUp); });
    left += modeRow(QStringLiteral("median time to capture"),
                    [](const ModeSummary& m) { return SecondsCell(m.medianTimeToCaptureMs); });
    left += QStringLiteral("</table>");

    QString positions = QStringLiteral("<tr><td>finger position</td>");
    QString medians = QStringLiteral("<tr><td>median quality</td>");
    QString lowest = QStringLiteral("<tr><td>lowest quality</td>");
    for (const FingerQualitySummary& finger : summary.fingers) {
        positions += Cell(QString::number(finger.position), true);
        medians += Cell(QString::number(finger.median, 'f', finger.median == static_cast<int>(finger.median) ? 0 : 1));
        lowest += Cell(QString::number(finger.lowest));
    }
    const QString right = summary.fingers.empty()
        ? QStringLiteral("No finger quality stored in these runs.")
        : QStringLiteral("<table cellspacing=\"0\" cellpadding=\"2\">%1</tr>%2</tr>%3</tr></table>")
              .arg(positions, medians, lowest);
    return QStringLiteral("<table><tr><td valign=\"top\">%1</td><td width=\"32\"></td><td valign=\"top\">%2</td>"
                          "</tr></table>")
        .arg(left, right);
}

} // namespace

RunsWindow::Desktop RunsWindow::NativeDesktop()
{
    Desktop native;
    native.saveFile = [](QWidget* parent, const QString& caption, const QString& file, const QString& filter) {
        return QFileDialog::getSaveFileName(parent, caption, file, filter);
    };
    native.openUrl = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
    return native;
}

RunsWindow::RunsWindow(QWidget* parent)
    : QWidget(parent, Qt::Window)
    , ui(std::make_unique<Ui::RunsForm>())
    , model(new RunsTableModel(this))
    , proxy(new RunsFilterProxy(this))
    , loader(new RunsLoader(this))
    , summaryTimer(new QTimer(this))
    , desktop(NativeDesktop())
{
    ui->setupUi(this);
    proxy->setSourceModel(model);
    ui->table_Runs->setModel(proxy);
    ui->table_Runs->sortByColumn(RunsTableModel::StartedColumn, Qt::DescendingOrder);
    QHeaderView* columns = ui->table_Runs->horizontalHeader();
    columns->setDefaultSectionSize(kModeColumnWidth);
    columns->resizeSection(RunsTableModel::PersonColumn, kPersonColumnWidth);
    columns->resizeSection(RunsTableModel::StartedColumn, kStartedColumnWidth);
    columns->setStretchLastSection(true);
    // Rows of one fixed height: thousands of rows never get measured one by one.
    QHeaderView* rows = ui->table_Runs->verticalHeader();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setDefaultSectionSize(fontMetrics().height() + 6);
    rows->hide();
    const QDate today = QDate::currentDate();
    ui->date_From->setDate(today.addMonths(-1));
    ui->date_To->setDate(today);
    ui->progress_Reading->hide();

    summaryTimer->setSingleShot(true);
    summaryTimer->setInterval(kSummaryEveryMs);
    connect(summaryTimer, &QTimer::timeout, this, &RunsWindow::UpdateSummary);
    connect(loader, &RunsLoader::batchRead, this, &RunsWindow::AddRuns);
    connect(loader, &RunsLoader::finished, this, &RunsWindow::FinishReading);
    connect(ui->edit_PersonFilter, &QLineEdit::textChanged, this, &RunsWindow::ApplyFilter);
    for (QCheckBox* box : {ui->check_From, ui->check_To}) {
        connect(box, &QCheckBox::toggled, this, &RunsWindow::ApplyFilter);
    }
    for (QDateEdit* edit : {ui->date_From, ui->date_To}) {
        connect(edit, &QDateEdit::dateChanged, this, &RunsWindow::ApplyFilter);
    }
    connect(ui->btn_Reload, &QPushButton::clicked, this, &RunsWindow::Reload);
    connect(ui->btn_ExportCsv, &QPushButton::clicked, this, &RunsWindow::ExportCsv);
    connect(ui->table_Runs, &QTableView::doubleClicked, this, &RunsWindow::OpenRun);
    UpdateSummary();
}

RunsWindow::~RunsWindow() = default;

RunsWindow* RunsWindow::ShowFor(QWidget* owner, const QString& baseDirectory)
{
    auto* window = owner->findChild<RunsWindow*>(QString(), Qt::FindDirectChildrenOnly);
    if (window == nullptr) {
        window = new RunsWindow(owner);
    }
    window->SetBaseDirectory(baseDirectory);
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}

void RunsWindow::setDesktop(Desktop replacement)
{
    desktop = std::move(replacement);
}

void RunsWindow::SetBaseDirectory(const QString& path)
{
    baseDirectory = path;
    setWindowTitle(QStringLiteral("Runs \u2013 %1").arg(QDir::toNativeSeparators(path)));
    Reload();
}

bool RunsWindow::IsReading() const
{
    return loader->IsReading();
}

void RunsWindow::Reload()
{
    model->Clear();
    ui->progress_Reading->setRange(0, 0); // busy until the number of runs is known
    ui->progress_Reading->show();
    ShowStatus(QStringLiteral("Reading the runs under %1\u2026").arg(QDir::toNativeSeparators(baseDirectory)));
    UpdateSummary();
    loader->Start(baseDirectory);
}

void RunsWindow::AddRuns(const std::vector<RunRow>& rows, int done, int total)
{
    model->AppendRows(rows);
    ui->progress_Reading->setRange(0, total);
    ui->progress_Reading->setValue(done);
    if (!summaryTimer->isActive()) {
        summaryTimer->start();
    }
}

void RunsWindow::FinishReading(const QString& error)
{
    ui->progress_Reading->hide();
    summaryTimer->stop();
    UpdateSummary();
    if (!error.isEmpty()) {
        ShowStatus(error, true);
        return;
    }
    ShowStatus(QStringLiteral("%1 runs under %2. Double-click a run to open its directory.")
                   .arg(model->rowCount())
                   .arg(QDir::toNativeSeparators(baseDirectory)));
}

void RunsWindow::ApplyFilter()
{
    ui->date_From->setEnabled(ui->check_From->isChecked());
    ui->date_To->setEnabled(ui->check_To->isChecked());
    proxy->SetPersonText(ui->edit_PersonFilter->text());
    proxy->SetDateRange(ui->check_From->isChecked() ? std::optional<QDate>(ui->date_From->date()) : std::nullopt,
                        ui->check_To->isChecked() ? std::optional<QDate>(ui->date_To->date()) : std::nullopt);
    UpdateSummary();
}

void RunsWindow::UpdateSummary()
{
    ui->lbl_Summary->setText(SummaryHtml(SummarizeRuns(proxy->ShownRows()), model->rowCount()));
}

void RunsWindow::ExportCsv()
{
    const QString path =
        desktop.saveFile(this, QStringLiteral("Export CSV"), QDir(baseDirectory).filePath(QStringLiteral("runs.csv")),
                         QStringLiteral("CSV files (*.csv)"));
    if (path.isEmpty()) {
        return;
    }
    std::vector<RunRow> shown;
    for (const RunRow* row : proxy->ShownRows()) {
        shown.push_back(*row);
    }
    QString error;
    if (!WriteRunsCsv(path, shown, &error)) {
        ShowStatus(QStringLiteral("The CSV could not be written to %1: %2").arg(QDir::toNativeSeparators(path), error),
                   true);
        return;
    }
    ShowStatus(QStringLiteral("Exported %1 runs to %2.").arg(shown.size()).arg(QDir::toNativeSeparators(path)));
}

void RunsWindow::OpenRun(const QModelIndex& index)
{
    if (!index.isValid()) {
        return;
    }
    const QString directory = proxy->ShownRow(index.row()).directory;
    if (!desktop.openUrl(QUrl::fromLocalFile(directory))) {
        ShowStatus(QStringLiteral("No program could open %1.").arg(QDir::toNativeSeparators(directory)), true);
    }
}

void RunsWindow::ShowStatus(const QString& text, bool problem)
{
    ui->lbl_Status->setStyleSheet(problem ? QStringLiteral("color: #b00020;") : QString());
    ui->lbl_Status->setText(text);
}

void RunsWindow::closeEvent(QCloseEvent* event)
{
    loader->Cancel();
    ui->progress_Reading->hide();
    QWidget::closeEvent(event);
}
