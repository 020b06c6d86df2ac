#include "ui/status_bar.h"

#include <QLabel>

namespace ui {

TStatusBar::TStatusBar(QWidget* parent)
    : QFrame(parent)
    , panel_(new QLabel(this))
{
    panel_->setObjectName("Panel0");
    panel_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel_->setTextFormat(Qt::PlainText);
    panel_->setIndent(2);
    panel_->setAccessibleName(QStringLiteral("stavový řádek"));
}

QString TStatusBar::PanelText() const
{
    return panel_->text();
}

void TStatusBar::SetPanelText(const QString& text)
{
    panel_->setText(text);
}

void TStatusBar::resizeEvent(QResizeEvent*)
{
    // The only panel is the last one, so it takes the whole width; 2 pixels stay free
    // above it as on a status bar of the platform.
    panel_->setGeometry(0, 2, width(), height() - 2);
}

} // namespace ui
