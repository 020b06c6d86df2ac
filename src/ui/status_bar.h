#pragma once

#include <QFrame>

class QLabel;

namespace ui {

// A bar along the window's bottom edge with one text panel, the status line, which
// spans the whole width. No size grip: the window cannot be resized.
class TStatusBar : public QFrame {
    Q_OBJECT

public:
    explicit TStatusBar(QWidget* parent = nullptr);

    QString PanelText() const;
    void SetPanelText(const QString& text);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QLabel* panel_;
};

} // namespace ui
