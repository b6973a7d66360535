#pragma once

#include <QAbstractTableModel>

namespace tesselin {

class DataGrid;

// Shows a DataGrid in a QTableView: grid row 0 becomes the horizontal header
// (the fixed caption row) and grid rows 1 and up become the model's rows.
// Read only. Whoever changes the grid wraps the change in a ResetScope.
class DataGridModel : public QAbstractTableModel {
    Q_OBJECT

public:
    explicit DataGridModel(const DataGrid& grid, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    // Tells the views that the whole grid may change, for as long as it lives,
    // also when the change ends in a failure.
    class ResetScope {
    public:
        explicit ResetScope(DataGridModel& model);
        ~ResetScope();
        ResetScope(const ResetScope&) = delete;
        ResetScope& operator=(const ResetScope&) = delete;

    private:
        DataGridModel& m_model;
    };

private:
    QString cellText(int row, int col) const;

    const DataGrid& m_grid;
};

}  // namespace tesselin
