#include "RunsTableModel.h"

#include "RunRecord.h"

namespace {

// Shown for a value the files do not tell.
const QString kUnknownText = QStringLiteral("\u2013");

const ModeRow& ModeOf(const RunRow& row, int column)
{
    const int modeColumn = column - RunsTableModel::FirstModeColumn;
    return row.modes[static_cast<std::size_t>(modeColumn / RunsTableModel::FieldsPerMode)];
}

int FieldOf(int column)
{
    return (column - RunsTableModel::FirstModeColumn) % RunsTableModel::FieldsPerMode;
}

template <typename Number> QVariant Key(const std::optional<Number>& value)
{
    return value ? QVariant::fromValue(*value) : QVariant();
}

// All marks of the run: the per-mode ones together; empty when fingers.ini was not read.
std::optional<FingerMarks> RunMarks(const RunRow& row)
{
    std::optional<FingerMarks> marks;
    for (const ModeRow& mode : row.modes) {
        if (mode.missing) {
            marks = marks.value_or(FingerMarks());
            marks->insert(mode.missing->begin(), mode.missing->end());
        }
    }
    return marks;
}

QVariant SortKey(const RunRow& row, int column)
{
    if (column == RunsTableModel::PersonColumn) {
        return row.person;
    }
    if (column == RunsTableModel::StartedColumn) {
        return row.started.isValid() ? QVariant(row.started) : QVariant();
    }
    if (column == RunsTableModel::MissingColumn()) {
        const std::optional<FingerMarks> marks = RunMarks(row);
        return marks ? QVariant(FingerMarksText(*marks)) : QVariant();
    }
    const ModeRow& mode = ModeOf(row, column);
    switch (FieldOf(column)) {
    case RunsTableModel::Outcome:
        return mode.outcome ? QVariant(CaptureOutcomeText(*mode.outcome)) : QVariant();
    case RunsTableModel::Attempts:
        return mode.attempts;
    case RunsTableModel::TimeToCapture:
        return Key(mode.timeToCaptureMs);
    case RunsTableModel::Distance:
        return Key(mode.meanDistanceMm);
    case RunsTableModel::MinQuality:
        return Key(mode.minQuality);
    default:
        return Key(mode.meanQuality);
    }
}

QString Text(const RunRow& row, int column)
{
    const QVariant key = SortKey(row, column);
    if (!key.isValid()) {
        return kUnknownText;
    }
    if (column == RunsTableModel::StartedColumn) {
        return row.started.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm"));
    }
    if (column <= RunsTableModel::StartedColumn || column == RunsTableModel::MissingColumn()) {
        return key.toString();
    }
    switch (FieldOf(column)) {
    case RunsTableModel::TimeToCapture:
        return QString::number(key.toDouble() / 1000.0, 'f', 1);
    case RunsTableModel::Distance:
    case RunsTableModel::MeanQuality:
        return QString::number(key.toDouble(), 'f', 1);
    default:
        return key.toString();
    }
}

struct FieldHeader {
    const char* title;
    const char* tip;
};
constexpr FieldHeader kFieldHeaders[RunsTableModel::FieldsPerMode] = {
    {"outcome", "What became of the mode: captured (automatically), forced, time limit, stopped, …"},
    {"tries", "Attempts: how many times the mode was captured, retakes included"},
    {"time s", "Seconds from the start of the mode to its capture"},
    {"mm", "Mean distance of the fingers at capture, in millimetres"},
    {"min Q", "Lowest finger quality (0–100)"},
    {"mean Q", "Mean finger quality (0–100)"},
};

} // namespace

int RunsTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(rows.size());
}

int RunsTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : MissingColumn() + 1;
}

QVariant RunsTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= columnCount()) {
        return {};
    }
    const RunRow& row = Row(index.row());
    switch (role) {
    case Qt::DisplayRole:
        return Text(row, index.column());
    case SortRole:
        return SortKey(row, index.column());
    case Qt::ToolTipRole: // what a narrow column may cut short
        if (index.column() == PersonColumn) {
            return row.directory;
        }
        if (index.column() == StartedColumn && row.started.isValid()) {
            return IsoTimeWithOffset(row.started);
        }
        return index.column() > StartedColumn && FieldOf(index.column()) == Outcome ? Text(row, index.column())
                                                                                    : QVariant();
    case Qt::TextAlignmentRole: {
        const bool text =
            index.column() <= StartedColumn || index.column() == MissingColumn() || FieldOf(index.column()) == Outcome;
        return static_cast<int>(Qt::AlignVCenter | (text ? Qt::AlignLeft : Qt::AlignRight));
    }
    default:
        return {};
    }
}

QVariant RunsTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || (role != Qt::DisplayRole && role != Qt::ToolTipRole)) {
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    const bool tip = role == Qt::ToolTipRole;
    if (section == PersonColumn) {
        return tip ? QStringLiteral("Person identifier; double-click a run to open its directory")
                   : QStringLiteral("Person");
    }
    if (section == StartedColumn) {
        return tip ? QStringLiteral("When the run started") : QStringLiteral("Started");
    }
    if (section == MissingColumn()) {
        return tip ? QStringLiteral("Fingers marked missing, by position: XX amputated, UP unable to print")
                   : QStringLiteral("Missing");
    }
    if (section < PersonColumn || section > MissingColumn()) {
        return {};
    }
    const int modeColumn = section - FirstModeColumn;
    const QString mode =
        QLatin1String(CaptureModeDirectoryName(kRunModes[static_cast<std::size_t>(modeColumn / FieldsPerMode)]));
    const FieldHeader& field = kFieldHeaders[modeColumn % FieldsPerMode];
    return tip ? mode + QStringLiteral(": ") + QString::fromUtf8(field.tip)
               : mode + QLatin1Char('\n') + QLatin1String(field.title);
}

void RunsTableModel::AppendRows(const std::vector<RunRow>& added)
{
    if (added.empty()) {
        return;
    }
    const int first = rowCount();
    beginInsertRows(QModelIndex(), first, first + static_cast<int>(added.size()) - 1);
    rows.insert(rows.end(), added.begin(), added.end());
    endInsertRows();
}

void RunsTableModel::Clear()
{
    beginResetModel();
    rows.clear();
    endResetModel();
}

RunsFilterProxy::RunsFilterProxy(QObject* parent)
    : QSortFilterProxyModel(parent)
{
    setSortRole(RunsTableModel::SortRole);
    setDynamicSortFilter(true);
    sort(RunsTableModel::StartedColumn, Qt::DescendingOrder);
}

void RunsFilterProxy::SetPersonText(const QString& text)
{
    personText = text.trimmed();
    invalidateFilter();
}

void RunsFilterProxy::SetDateRange(std::optional<QDate> fromDate, std::optional<QDate> toDate)
{
    from = fromDate;
    to = toDate;
    invalidateFilter();
}

std::vector<const RunRow*> RunsFilterProxy::ShownRows() const
{
    std::vector<const RunRow*> shown;
    shown.reserve(static_cast<std::size_t>(rowCount()));
    for (int row = 0; row < rowCount(); ++row) {
        shown.push_back(&ShownRow(row));
    }
    return shown;
}

const RunRow& RunsFilterProxy::ShownRow(int proxyRow) const
{
    return Runs().Row(mapToSource(index(proxyRow, 0)).row());
}

bool RunsFilterProxy::filterAcceptsRow(int sourceRow, const QModelIndex&) const
{
    const RunRow& row = Runs().Row(sourceRow);
    if (!personText.isEmpty() && !row.person.contains(personText, Qt::CaseInsensitive)) {
        return false;
    }
    if (!from && !to) {
        return true;
    }
    if (!row.started.isValid()) {
        return false;
    }
    const QDate date = row.started.toLocalTime().date();
    return (!from || date >= *from) && (!to || date <= *to);
}

bool RunsFilterProxy::lessThan(const QModelIndex& left, const QModelIndex& right) const
{
    if (left.column() == RunsTableModel::StartedColumn) {
        // Listed order is newest first; sorted descending by start, the proxy gives it.
        return ListedBefore(Runs().Row(right.row()), Runs().Row(left.row()));
    }
    const QVariant a = left.data(RunsTableModel::SortRole);
    const QVariant b = right.data(RunsTableModel::SortRole);
    if (!a.isValid() || !b.isValid()) {
        return !a.isValid() && b.isValid(); // unknown values below every known one
    }
    return QSortFilterProxyModel::lessThan(left, right);
}

const RunsTableModel& RunsFilterProxy::Runs() const
{
    return static_cast<const RunsTableModel&>(*sourceModel());
}
