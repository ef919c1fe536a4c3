#pragma once

#include "RunScan.h"

#include <QAbstractTableModel>
#include <QDate>
#include <QSortFilterProxyModel>

#include <optional>
#include <vector>

// The runs as a table: one row per run, holding the rows and nothing else. Columns: person,
// started, then per mode (4R, 4L, 2T) outcome, attempts, time to capture, mean distance,
// lowest and mean quality, then the fingers marked missing.
class RunsTableModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column { PersonColumn, StartedColumn, FirstModeColumn };
    // The columns of each mode, from FirstModeColumn on.
    enum ModeField { Outcome, Attempts, TimeToCapture, Distance, MinQuality, MeanQuality, FieldsPerMode };
    // The value a column sorts by: numbers, texts, date and time; invalid when unknown.
    static constexpr int SortRole = Qt::UserRole;

    static int MissingColumn() { return FirstModeColumn + static_cast<int>(kRunModes.size()) * FieldsPerMode; }

    using QAbstractTableModel::QAbstractTableModel;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    void AppendRows(const std::vector<RunRow>& rows);
    void Clear();
    const RunRow& Row(int row) const { return rows.at(static_cast<std::size_t>(row)); }

private:
    std::vector<RunRow> rows;
};

// The runs shown: those whose person contains a text (case-insensitive) and whose start lies
// in a date range (a run of unknown start is shown only while no date bound is set); sorted
// newest first until the operator sorts by another column.
class RunsFilterProxy : public QSortFilterProxyModel {
    Q_OBJECT

public:
    explicit RunsFilterProxy(QObject* parent = nullptr);

    void SetPersonText(const QString& text);
    // Either bound may be empty; both are inclusive local dates.
    void SetDateRange(std::optional<QDate> from, std::optional<QDate> to);

    // The source rows shown, in the order shown.
    std::vector<const RunRow*> ShownRows() const;
    const RunRow& ShownRow(int proxyRow) const;

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;
    bool lessThan(const QModelIndex& left, const QModelIndex& right) const override;

private:
    const RunsTableModel& Runs() const;

    QString personText;
    std::optional<QDate> from;
    std::optional<QDate> to;
};
