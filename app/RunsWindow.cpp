#include "RunsWindow.h"

#include "FingerPositions.h"
#include "RunsCsv.h"
#include "RunsLoader.h"
#include "RunsSummary.h"
#include "RunsTableModel.h"
#include "ui_RunsWindow.h"

#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QTimer>
#include <QUrl>

#include <algorithm>

namespace {

// While runs arrive, the summary is redone at most this often.
constexpr int kSummaryEveryMs = 250;
constexpr int kPersonColumnWidth = 120;
// Room around a cell's text.
constexpr int kCellPadding = 12;

constexpr int kSummaryGap = 32;
const QString kNone = QStringLiteral("\u2013");

QString CountText(const ModeSummary& mode, int count)
{
    const std::optional<double> share = mode.Share(count);
    return share ? QStringLiteral("%1 (%2 %)").arg(count).arg(*share, 0, 'f', 1) : kNone;
}

QLabel* SummaryLabel(QWidget* host, const QString& text, bool header = false, Qt::Alignment alignment = Qt::AlignRight)
{
    auto* label = new QLabel(text, host);
    label->setAlignment(alignment | Qt::AlignVCenter);
    if (header) {
        QFont font = label->font();
        font.setBold(true);
        label->setFont(font);
    }
    return label;
}

} // namespace

// The summary as plain labels in two grids. A rich-text table would be laid out anew on every
// update, which costs the GUI thread more than a whole batch of runs does.
struct RunsWindow::SummaryLabels {
    static constexpr std::size_t kColumns = kRunModes.size() + 1; // the modes, then all modes
    enum Row { Automatic, Forced, GivenUp, MedianTime, Rows };

    QLabel* runs;
    std::array<std::array<QLabel*, kColumns>, Rows> modes;
    std::array<QLabel*, kLastFingerPosition> medians;
    std::array<QLabel*, kLastFingerPosition> lowest;

    explicit SummaryLabels(QWidget* host)
    {
        auto* row = new QHBoxLayout(host);
        row->setContentsMargins(0, 0, 0, 0);
        auto* modeGrid = new QGridLayout;
        auto* fingerGrid = new QGridLayout;
        row->addLayout(modeGrid);
        row->addSpacing(kSummaryGap);
        row->addLayout(fingerGrid);
        row->addStretch();
        row->setAlignment(fingerGrid, Qt::AlignTop);

        runs = SummaryLabel(host, QString(), true, Qt::AlignLeft);
        runs->setObjectName(QStringLiteral("lbl_SummaryRuns"));
        modeGrid->addWidget(runs, 0, 0);
        const QString titles[Rows] = {QStringLiteral("captured automatically"), QStringLiteral("forced"),
                                      QStringLiteral("given up (time limit, stopped)"),
                                      QStringLiteral("median time to capture")};
        for (std::size_t column = 0; column < kColumns; ++column) {
            const QString name = column < kRunModes.size() ? QLatin1String(CaptureModeDirectoryName(kRunModes[column]))
                                                           : QStringLiteral("all modes");
            modeGrid->addWidget(SummaryLabel(host, name, true), 0, static_cast<int>(column) + 1);
        }
        for (int r = 0; r < Rows; ++r) {
            modeGrid->addWidget(SummaryLabel(host, titles[r], false, Qt::AlignLeft), r + 1, 0);
            for (std::size_t column = 0; column < kColumns; ++column) {
                modes[r][column] = SummaryLabel(host, kNone);
                modeGrid->addWidget(modes[r][column], r + 1, static_cast<int>(column) + 1);
            }
        }

        fingerGrid->addWidget(SummaryLabel(host, QStringLiteral("finger position"), true, Qt::AlignLeft), 0, 0);
        fingerGrid->addWidget(SummaryLabel(host, QStringLiteral("median quality"), false, Qt::AlignLeft), 1, 0);
        fingerGrid->addWidget(SummaryLabel(host, QStringLiteral("lowest quality"), false, Qt::AlignLeft), 2, 0);
        for (int position = kFirstFingerPosition; position <= kLastFingerPosition; ++position) {
            QLabel* header = SummaryLabel(host, QString::number(position), true);
            header->setToolTip(FingerPositionName(position));
            fingerGrid->addWidget(header, 0, position);
            medians[position - 1] = SummaryLabel(host, kNone);
            lowest[position - 1] = SummaryLabel(host, kNone);
            fingerGrid->addWidget(medians[position - 1], 1, position);
            fingerGrid->addWidget(lowest[position - 1], 2, position);
        }
    }

    void Show(const RunsSummary& summary, int allRuns)
    {
        runs->setText(summary.runs == allRuns ? QStringLiteral("%1 runs").arg(summary.runs)
                                              : QStringLiteral("%1 runs of %2").arg(summary.runs).arg(allRuns));
        for (std::size_t column = 0; column < kColumns; ++column) {
            const ModeSummary& mode = column < kRunModes.size() ? summary.modes[column] : summary.allModes;
            modes[Automatic][column]->setText(CountText(mode, mode.automatic));
            modes[Forced][column]->setText(CountText(mode, mode.forced));
            modes[GivenUp][column]->setText(CountText(mode, mode.givenUp));
            modes[MedianTime][column]->setText(
                mode.medianTimeToCaptureMs ? QStringLiteral("%1 s").arg(*mode.medianTimeToCaptureMs / 1000.0, 0, 'f', 1)
                                           : kNone);
        }
        for (int position = kFirstFingerPosition; position <= kLastFingerPosition; ++position) {
            const auto found =
                std::find_if(summary.fingers.begin(), summary.fingers.end(),
                             [position](const FingerQualitySummary& f) { return f.position == position; });
            const bool scored = found != summary.fingers.end();
            medians[position - 1]->setText(scored ? QString::number(found->median, 'f', 1) : kNone);
            lowest[position - 1]->setText(scored ? QString::number(found->lowest) : kNone);
        }
    }
};

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
    summaryLabels = std::make_unique<SummaryLabels>(ui->widget_Summary);
    proxy->setSourceModel(model);
    ui->table_Runs->setModel(proxy);
    ui->table_Runs->sortByColumn(RunsTableModel::StartedColumn, Qt::DescendingOrder);
    QHeaderView* columns = ui->table_Runs->horizontalHeader();
    // Wide enough for the usual values and headers; measuring thousands of rows would take long.
    const QFontMetrics metrics = fontMetrics();
    // The widest of each mode field's header word and usual values.
    const char* const widest[RunsTableModel::FieldsPerMode] = {"time limit", "tries", "time s",
                                                               "199.9",      "min Q", "mean Q"};
    for (int column = RunsTableModel::FirstModeColumn; column < RunsTableModel::MissingColumn(); ++column) {
        const int field = (column - RunsTableModel::FirstModeColumn) % RunsTableModel::FieldsPerMode;
        columns->resizeSection(column, metrics.horizontalAdvance(QLatin1String(widest[field])) + kCellPadding);
    }
    columns->resizeSection(RunsTableModel::PersonColumn, kPersonColumnWidth);
    columns->resizeSection(RunsTableModel::StartedColumn,
                           metrics.horizontalAdvance(QStringLiteral("2026-12-31 23:59")) + kCellPadding);
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
    ui->btn_ExportCsv->setEnabled(false); // a file of the runs read so far would look complete
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
    ui->btn_ExportCsv->setEnabled(true);
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
    summaryLabels->Show(SummarizeRuns(proxy->ShownRows()), model->rowCount());
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
