#pragma once

#include <QAbstractTableModel>
#include <QString>
#include <span>
#include <utility>
#include <vector>

#include "common/DataGrid.h"

class QTableView;
class QWidget;

namespace tesselin {

// A DataGrid shown in a QTableView: grid row 0 becomes the horizontal header
// (the fixed caption row) and grid rows 1 and up become the model's rows.
// The model owns its grid; the views see it read only, and every change goes
// through change(), which tells them.
class DataGridModel : public QAbstractTableModel {
    Q_OBJECT

public:
    explicit DataGridModel(DataGrid grid = {}, QObject* parent = nullptr);

    const DataGrid& grid() const noexcept { return m_grid; }

    // Lets `change` alter the grid. The views are told that the whole grid
    // may have changed, also when the change ends in a failure half-way.
    template <typename Change>
    void change(Change&& change) {
        const ResetScope reset(*this);
        std::forward<Change>(change)(m_grid);
    }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    class ResetScope {
    public:
        explicit ResetScope(DataGridModel& model);
        ~ResetScope();
        ResetScope(const ResetScope&) = delete;
        ResetScope& operator=(const ResetScope&) = delete;

    private:
        DataGridModel& m_model;
    };

    QString cellText(int row, int col) const;
    QVariant shownText(int row, int col, int role) const;

    DataGrid m_grid;
};

// The grid control of both windows ("MSFlexGrid1"): a read-only view of the
// model whose caption row stays in view; there is no fixed column. Its
// columns start `columnTwips` wide and the user may resize them; captions and
// cells show their whole text as a tool tip.
QTableView* makeGridView(QWidget* parent, DataGridModel* model, int columnTwips);

// The smallest font, in points, that fitColumnsToWidth chooses.
inline constexpr double kSmallestGridPoints = 6.5;

// What a column must show whole: its caption and the widest of its values.
struct ColumnTexts {
    QString caption;
    std::vector<QString> widestValues;
};

// Makes the columns of a grid `widthPixels` wide show their texts whole, side
// by side, with no horizontal scroll bar (the frame and a vertical scroll bar
// aside): the grid's font gets smaller where the texts need it, each column
// starts as wide as its texts need, and the room left over is shared out.
// Returns the starting widths in pixels.
std::vector<int> fitColumnsToWidth(QTableView* view, std::span<const ColumnTexts> columns,
                                   int widthPixels);

}  // namespace tesselin
