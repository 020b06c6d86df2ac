#pragma once

#include <QRect>
#include <QString>
#include <QWidget>

#include <array>

namespace ui {

// The card list: a grid of text cells with one fixed row and one fixed column, fixed
// column widths and row heights, no scroll bars. It paints itself so that it stays
// readable while disabled (it never takes input) and so that cell texts sit exactly
// 2 pixels right of and below each cell's corner.
class TStringGrid : public QWidget {
    Q_OBJECT

public:
    static constexpr int kColumnCount = 6;
    static constexpr int kRowCount = 9;

    explicit TStringGrid(QWidget* parent = nullptr);

    QString Cell(int column, int row) const;
    void SetCell(int column, int row, const QString& text);

    // The cells in the range are drawn highlighted. The range is not checked against
    // the grid: one that lies outside it highlights nothing.
    void SetSelection(int left, int top, int right, int bottom);
    QRect Selection() const { return selection_; }
    bool IsCellHighlighted(int column, int row) const;

    // The cell's rectangle in the grid's coordinates.
    QRect CellRect(int column, int row) const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::array<std::array<QString, kColumnCount>, kRowCount> cells_;
    QRect selection_;
};

} // namespace ui
