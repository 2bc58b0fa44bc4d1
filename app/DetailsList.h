#pragma once

#include <QAbstractItemView>
#include <QString>

namespace sparrowtrim {

class DetailsLines;

// The details list box: a column of text lines that grows at its end, single selection, moved
// a whole line at a time. A list view lays out every line again whenever one is added, which
// makes a long batch slow down as the box fills; here every line has the same height and a
// line's place follows from its row number, so adding a line costs the same at the first
// file and at the hundred-thousandth.
class DetailsList final : public QAbstractItemView
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DetailsList)

public:
    explicit DetailsList(QWidget *parent = nullptr);
    ~DetailsList() override;

    // Adds a line at the end and scrolls so that it is the last line in view.
    void AddLine(const QString &line);
    int count() const;

    QRect visualRect(const QModelIndex &index) const override;
    void scrollTo(const QModelIndex &index, ScrollHint hint = EnsureVisible) override;
    QModelIndex indexAt(const QPoint &point) const override;

protected:
    QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;
    int horizontalOffset() const override;
    int verticalOffset() const override;
    bool isIndexHidden(const QModelIndex &index) const override;
    void setSelection(const QRect &rect, QItemSelectionModel::SelectionFlags command) override;
    QRegion visualRegionForSelection(const QItemSelection &selection) const override;
    void updateGeometries() override;
    void rowsInserted(const QModelIndex &parent, int start, int end) override;
    void scrollContentsBy(int dx, int dy) override;
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    int LineHeight() const;
    int TopRow() const;
    // Lines that fit whole into the box; the scroll bar moves by them.
    int WholeLinesInView() const;
    int PageStep() const;
    int RowAt(int y) const;

    DetailsLines *m_Lines;
    mutable int m_LineHeight = 0; // measured on first use, again after a font or style change
};

} // namespace sparrowtrim
