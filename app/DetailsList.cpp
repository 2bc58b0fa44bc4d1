#include "app/DetailsList.h"

#include <QAbstractListModel>
#include <QCursor>
#include <QEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStringList>
#include <algorithm>

namespace sparrowtrim {

// The lines of the box, read-only to the user.
class DetailsLines final : public QAbstractListModel
{
public:
    using QAbstractListModel::QAbstractListModel;

    void Append(const QString &line)
    {
        const int row = rowCount();
        beginInsertRows({}, row, row);
        m_Lines.append(line);
        endInsertRows();
    }

    int rowCount(const QModelIndex &parent = {}) const override
    {
        return parent.isValid() ? 0 : static_cast<int>(m_Lines.size());
    }

    QVariant data(const QModelIndex &index, int role) const override
    {
        // A line cut off at the box's edge is read whole in its tooltip.
        if ((role != Qt::DisplayRole && role != Qt::ToolTipRole) ||
            !checkIndex(index, CheckIndexOption::IndexIsValid))
            return {};
        return m_Lines.at(index.row());
    }

private:
    QStringList m_Lines;
};

DetailsList::DetailsList(QWidget *parent)
    : QAbstractItemView(parent), m_Lines(new DetailsLines(this))
{
    setModel(m_Lines);
    setSelectionMode(SingleSelection);
    setVerticalScrollMode(ScrollPerItem);
}

DetailsList::~DetailsList() = default;

void DetailsList::AddLine(const QString &line)
{
    m_Lines->Append(line);
    scrollToBottom();
}

int DetailsList::count() const
{
    return m_Lines->rowCount();
}

int DetailsList::LineHeight() const
{
    if (m_LineHeight > 0)
        return m_LineHeight;
    if (count() == 0)
        return std::max(1, fontMetrics().height());
    // Measured as the item delegate measures a line, so that the lines look as in a list view.
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    const QModelIndex first = m_Lines->index(0);
    m_LineHeight = std::max(1, itemDelegateForIndex(first)->sizeHint(option, first).height());
    return m_LineHeight;
}

int DetailsList::TopRow() const
{
    return verticalScrollBar()->value();
}

int DetailsList::WholeLinesInView() const
{
    return std::max(1, viewport()->height() / LineHeight());
}

int DetailsList::PageStep() const
{
    // From the top line of a page to its bottom line, so that one line stays in view.
    return std::max(1, WholeLinesInView() - 1);
}

int DetailsList::RowAt(int y) const
{
    // Rounded down, also above the box.
    const int height = LineHeight();
    return TopRow() + (y >= 0 ? y / height : -((height - 1 - y) / height));
}

QRect DetailsList::visualRect(const QModelIndex &index) const
{
    if (!index.isValid() || index.model() != m_Lines)
        return {};
    return {0, (index.row() - TopRow()) * LineHeight(), viewport()->width(), LineHeight()};
}

void DetailsList::scrollTo(const QModelIndex &index, ScrollHint hint)
{
    if (!index.isValid() || index.model() != m_Lines)
        return;
    const int row = index.row();
    const int top = TopRow();
    const int whole = WholeLinesInView();
    int value = top;
    switch (hint) {
    case PositionAtTop:
        value = row;
        break;
    case PositionAtBottom:
        value = row - whole + 1;
        break;
    case PositionAtCenter:
        value = row - (whole - 1) / 2;
        break;
    case EnsureVisible:
        if (row < top)
            value = row;
        else if (row >= top + whole)
            value = row - whole + 1;
        break;
    }
    verticalScrollBar()->setValue(value);
}

QModelIndex DetailsList::indexAt(const QPoint &point) const
{
    const int row = RowAt(point.y());
    return row >= 0 && row < count() ? m_Lines->index(row) : QModelIndex();
}

QModelIndex DetailsList::moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers)
{
    if (count() == 0)
        return {};
    const QModelIndex current = currentIndex();
    if (!current.isValid())
        return m_Lines->index(0);
    int row = current.row();
    switch (cursorAction) {
    case MoveUp:
        --row;
        break;
    case MoveDown:
        ++row;
        break;
    case MovePageUp:
        row -= PageStep();
        break;
    case MovePageDown:
        row += PageStep();
        break;
    case MoveHome:
        row = 0;
        break;
    case MoveEnd:
        row = count() - 1;
        break;
    default:
        break;
    }
    return m_Lines->index(std::clamp(row, 0, count() - 1));
}

int DetailsList::horizontalOffset() const
{
    return 0;
}

int DetailsList::verticalOffset() const
{
    return TopRow() * LineHeight();
}

bool DetailsList::isIndexHidden(const QModelIndex &) const
{
    return false;
}

void DetailsList::setSelection(const QRect &rect, QItemSelectionModel::SelectionFlags command)
{
    const QRect area = rect.normalized();
    const int first = std::max(0, RowAt(area.top()));
    const int last = std::min(count() - 1, RowAt(area.bottom()));
    QItemSelection selection;
    if (first <= last)
        selection.select(m_Lines->index(first), m_Lines->index(last));
    selectionModel()->select(selection, command);
}

QRegion DetailsList::visualRegionForSelection(const QItemSelection &selection) const
{
    QRegion region;
    for (const QItemSelectionRange &range : selection) {
        if (range.isValid())
            region += visualRect(range.topLeft()) | visualRect(range.bottomRight());
    }
    return region;
}

void DetailsList::updateGeometries()
{
    // The bar counts lines: its last position shows the last line whole at the bottom.
    const int whole = WholeLinesInView();
    verticalScrollBar()->setSingleStep(1);
    verticalScrollBar()->setPageStep(whole);
    verticalScrollBar()->setRange(0, std::max(0, count() - whole));
    horizontalScrollBar()->setRange(0, 0);
    QAbstractItemView::updateGeometries();
}

void DetailsList::rowsInserted(const QModelIndex &parent, int start, int end)
{
    QAbstractItemView::rowsInserted(parent, start, end);
    updateGeometries();
    viewport()->update(visualRect(m_Lines->index(start)) | visualRect(m_Lines->index(end)));
}

void DetailsList::scrollContentsBy(int dx, int dy)
{
    viewport()->scroll(dx, dy * LineHeight());
}

void DetailsList::paintEvent(QPaintEvent *event)
{
    if (count() == 0)
        return;
    QPainter painter(viewport());
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    const QStyle::State state = option.state;
    if (state & QStyle::State_Enabled)
        option.palette.setCurrentColorGroup(QPalette::Normal);
    const QModelIndex current = currentIndex();
    const bool focus = (hasFocus() || viewport()->hasFocus()) && current.isValid();
    const bool hovered = viewport()->testAttribute(Qt::WA_Hover) && viewport()->underMouse();
    const QModelIndex hover =
        hovered ? indexAt(viewport()->mapFromGlobal(QCursor::pos())) : QModelIndex();

    const int first = std::max(0, RowAt(event->rect().top()));
    const int last = std::min(count() - 1, RowAt(event->rect().bottom()));
    for (int row = first; row <= last; ++row) {
        const QModelIndex index = m_Lines->index(row);
        option.rect = visualRect(index);
        option.state = state;
        option.state.setFlag(QStyle::State_Selected, selectionModel()->isSelected(index));
        option.state.setFlag(QStyle::State_HasFocus, focus && index == current);
        option.state.setFlag(QStyle::State_MouseOver, index == hover);
        itemDelegateForIndex(index)->paint(&painter, option, index);
    }
}

void DetailsList::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) {
        m_LineHeight = 0;
        updateGeometries();
    }
    QAbstractItemView::changeEvent(event);
}

} // namespace sparrowtrim
