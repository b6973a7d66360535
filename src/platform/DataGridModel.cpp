#include "platform/DataGridModel.h"

#include <QFontMetrics>
#include <QHeaderView>
#include <QStyle>
#include <QStyleOptionHeader>
#include <QTableView>
#include <algorithm>
#include <numeric>

#include "common/text_encoding.h"
#include "platform/controls.h"

namespace tesselin {
namespace {

// The caption row of a grid. A caption too long for its column is cut at
// the right with an ellipsis ("Col. 0 timest..."), never in the middle or at
// the left: its beginning holds the column number, which the user types into
// the column boxes. (The style would clip it at both ends.)
class CaptionRow final : public QHeaderView {
public:
    explicit CaptionRow(QWidget* parent) : QHeaderView(Qt::Horizontal, parent) {}

protected:
    void initStyleOptionForIndex(QStyleOptionHeader* option, int logicalIndex) const override {
        QHeaderView::initStyleOptionForIndex(option, logicalIndex);
        const int margin = style()->pixelMetric(QStyle::PM_HeaderMargin, option, this);
        const int room = std::max(0, sectionSize(logicalIndex) - 2 * margin);
        option->text = option->fontMetrics.elidedText(option->text, Qt::ElideRight, room);
    }
};

}  // namespace

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

// The text shown, and the same text as the tool tip: a cell or caption too
// long for its column is elided, and the whole of it shows under the mouse.
QVariant DataGridModel::shownText(int row, int col, int role) const {
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole) {
        return {};
    }
    const QString text = cellText(row, col);
    if (role == Qt::ToolTipRole && text.isEmpty()) {
        return {};
    }
    return text;
}

QVariant DataGridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() + 1 >= m_grid.Rows() || index.column() >= m_grid.Cols()) {
        return {};
    }
    return shownText(index.row() + 1, index.column(), role);
}

QVariant DataGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= m_grid.Cols() ||
        m_grid.Rows() == 0) {
        return {};
    }
    return shownText(0, section, role);
}

DataGridModel::ResetScope::ResetScope(DataGridModel& model) : m_model(model) {
    m_model.beginResetModel();
}

DataGridModel::ResetScope::~ResetScope() {
    m_model.endResetModel();
}

QTableView* makeGridView(QWidget* parent, DataGridModel* model, int columnTwips) {
    auto* view = makeControl<QTableView>(parent, "MSFlexGrid1");
    view->setModel(model);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->verticalHeader()->hide();  // the grid has no fixed column
    view->setTextElideMode(Qt::ElideRight);
    view->setWordWrap(false);
    auto* captions = new CaptionRow(view);
    view->setHorizontalHeader(captions);
    captions->setSectionsClickable(false);
    captions->setHighlightSections(true);
    captions->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    // The user may widen a column, or fit it to its contents with a double
    // click on the border of its caption (QTableView's own behaviour for
    // interactive sections). Columns start at the designed width; as this
    // also resizes every present column, it is set once, here.
    captions->setSectionResizeMode(QHeaderView::Interactive);
    captions->setDefaultSectionSize(twipsToPixels(columnTwips));
    return view;
}

std::vector<int> fitColumnsToWidth(QTableView* view, std::span<const ColumnTexts> columns,
                                   int widthPixels) {
    const QStyle* style = view->style();
    const int viewport = widthPixels - 2 * view->frameWidth() -
                         style->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, view);
    // As the views lay text out: a caption between header margins, a cell's
    // text between the margins of the focus frame, and a pixel of grid line;
    // and a pixel to spare for rounding.
    const int captionMargins = 2 * style->pixelMetric(QStyle::PM_HeaderMargin, nullptr, view) + 1;
    const int cellMargins =
        2 * (style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view) + 1) + 2;
    const auto needed = [&](const QFont& font) {
        const QFontMetrics metrics(font);
        std::vector<int> widths;
        for (const ColumnTexts& column : columns) {
            int width = metrics.horizontalAdvance(column.caption) + captionMargins;
            for (const QString& value : column.widestValues) {
                width = std::max(width, metrics.horizontalAdvance(value) + cellMargins);
            }
            widths.push_back(width);
        }
        return widths;
    };
    const auto total = [](const std::vector<int>& widths) {
        return std::accumulate(widths.begin(), widths.end(), 0);
    };

    QFont font = view->font();
    const bool inPoints = font.pointSizeF() > 0;
    const double smallest = inPoints ? kSmallestGridPoints : kSmallestGridPoints * 4 / 3;
    std::vector<int> widths = needed(font);
    for (double size = inPoints ? font.pointSizeF() : font.pixelSize();
         total(widths) > viewport && size > smallest;) {
        size = std::max(smallest, size - (inPoints ? 0.5 : 1.0));
        if (inPoints) {
            font.setPointSizeF(size);
        } else {
            font.setPixelSize(static_cast<int>(size));
        }
        widths = needed(font);
    }
    view->setFont(font);

    // The room left over is shared out, so that the columns fill the grid.
    if (!widths.empty() && total(widths) < viewport) {
        const int share = (viewport - total(widths)) / static_cast<int>(widths.size());
        for (int& width : widths) {
            width += share;
        }
    }
    // The columns appear when the model first has them; from then on they
    // are the user's to resize.
    QHeaderView* captions = view->horizontalHeader();
    QObject::connect(captions, &QHeaderView::sectionCountChanged, view,
                     [view, widths](int oldCount, int newCount) {
                         const int known = static_cast<int>(widths.size());
                         for (int c = oldCount; c < std::min(newCount, known); ++c) {
                             view->setColumnWidth(c, widths[static_cast<std::size_t>(c)]);
                         }
                     });
    for (int c = 0; c < std::min(captions->count(), static_cast<int>(widths.size())); ++c) {
        view->setColumnWidth(c, widths[static_cast<std::size_t>(c)]);
    }
    return widths;
}

}  // namespace tesselin
