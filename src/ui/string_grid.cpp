#include "ui/string_grid.h"

#include <QPainter>

namespace ui {

namespace {

constexpr std::array<int, TStringGrid::kColumnCount> kColumnWidths = {53, 123, 47, 42, 41, 66};
constexpr int kRowHeight = 17;
constexpr int kGridLineWidth = 1;
constexpr int kBorderWidth = 1;
constexpr int kTextIndent = 2;

} // namespace

TStringGrid::TStringGrid(QWidget* parent)
    : QWidget(parent)
    , selection_(QPoint(1, 1), QPoint(1, 1))
{
}

QString TStringGrid::Cell(int column, int row) const
{
    return cells_.at(row).at(column);
}

void TStringGrid::SetCell(int column, int row, const QString& text)
{
    cells_.at(row).at(column) = text;
    update(CellRect(column, row));
}

void TStringGrid::SetSelection(int left, int top, int right, int bottom)
{
    selection_ = QRect(QPoint(left, top), QPoint(right, bottom));
    update();
}

bool TStringGrid::IsCellHighlighted(int column, int row) const
{
    // The fixed row and column are never drawn selected.
    return column > 0 && row > 0 && selection_.contains(column, row);
}

QRect TStringGrid::CellRect(int column, int row) const
{
    int left = kBorderWidth;
    for (int c = 0; c < column; ++c)
        left += kColumnWidths[c] + kGridLineWidth;
    const int top = kBorderWidth + row * (kRowHeight + kGridLineWidth);
    return QRect(left, top, kColumnWidths[column], kRowHeight);
}

void TStringGrid::paintEvent(QPaintEvent*)
{
    // Always the active colours: the grid is disabled for input but must not look greyed.
    const QPalette& colours = palette();
    const auto colour = [&colours](QPalette::ColorRole role) {
        return colours.color(QPalette::Active, role);
    };

    QPainter painter(this);
    painter.fillRect(rect(), colour(QPalette::Button));
    painter.setFont(font());
    const int baseline = kTextIndent + painter.fontMetrics().ascent();

    for (int row = 0; row < kRowCount; ++row) {
        for (int column = 0; column < kColumnCount; ++column) {
            const QRect cell = CellRect(column, row);
            const bool fixed = row == 0 || column == 0;
            const bool highlighted = IsCellHighlighted(column, row);
            painter.fillRect(cell, colour(fixed         ? QPalette::Button
                                          : highlighted ? QPalette::Highlight
                                                        : QPalette::Base));
            const QString& text = cells_[row][column];
            if (text.isEmpty())
                continue;
            painter.save();
            painter.setClipRect(cell);
            painter.setPen(colour(highlighted ? QPalette::HighlightedText
                                  : fixed     ? QPalette::ButtonText
                                              : QPalette::Text));
            painter.drawText(cell.left() + kTextIndent, cell.top() + baseline, text);
            painter.restore();
        }
    }

    // Grid lines lie in the 1-pixel gaps between the cells; the flat border around all.
    painter.setPen(colour(QPalette::Dark));
    for (int column = 0; column < kColumnCount; ++column) {
        const int x = CellRect(column, 0).right() + 1;
        painter.drawLine(x, kBorderWidth, x, height() - 1);
    }
    for (int row = 0; row < kRowCount; ++row) {
        const int y = CellRect(0, row).bottom() + 1;
        painter.drawLine(kBorderWidth, y, width() - 1, y);
    }
    painter.setPen(colour(QPalette::WindowText));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

} // namespace ui
