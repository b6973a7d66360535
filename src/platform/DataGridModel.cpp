#include "platform/DataGridModel.h"

#include <QHeaderView>
#include <QTableView>

#include "common/text_encoding.h"
#include "platform/controls.h"

namespace tesselin {

DataGridModel::DataGridModel(DataGrid grid, QObject* parent)
    : QAbstractTableModel(parent), m_grid(std::move(grid)) {}

int DataGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : std::max(0, m_grid.Rows() - 1);
}

int DataGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_grid.Cols();
}

QString DataGridModel::cellText(int row, int col) const {
    return QString::fromStdString(displayText(m_grid.TextMatrix(row, col)));
}

QVariant DataGridModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid() || index.row() + 1 >= m_grid.Rows() ||
        index.column() >= m_grid.Cols()) {
        return {};
    }
    return cellText(index.row() + 1, index.column());
}

QVariant DataGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal || section < 0 ||
        section >= m_grid.Cols() || m_grid.Rows() == 0) {
        return {};
    }
    return cellText(0, section);
}

DataGridModel::ResetScope::ResetScope(DataGridModel& model) : m_model(model) {
    m_model.beginResetModel();
}

DataGridModel::ResetScope::~ResetScope() {
    m_model.endResetModel();
}

QTableView* makeGridView(QWidget* parent, DataGridModel* model) {
    auto* view = makeControl<QTableView>(parent, "MSFlexGrid1");
    view->setModel(model);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->verticalHeader()->hide();  // the grid has no fixed column
    view->horizontalHeader()->setSectionsClickable(false);
    return view;
}

void setColumnWidths(QTableView* view, int twips) {
    const int width = twipsToPixels(twips);
    view->horizontalHeader()->setDefaultSectionSize(width);
    for (int col = 0; col < view->model()->columnCount(); ++col) {
        view->setColumnWidth(col, width);
    }
}

}  // namespace tesselin
