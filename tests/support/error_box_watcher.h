#pragma once

// Answers the error boxes that open while a test drives the window: records what each
// box showed, then presses its OK button, the way an operator would.

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <vector>

namespace testing_support {

struct SeenBox {
    QString caption;
    QString text;
    QMessageBox::Icon icon;
    int buttonCount;
    bool applicationModal;
};

class ErrorBoxWatcher {
public:
    ErrorBoxWatcher()
    {
        timer_.setInterval(5);
        QObject::connect(&timer_, &QTimer::timeout, [this] { Answer(); });
        timer_.start();
    }

    std::vector<SeenBox> boxes;

private:
    void Answer()
    {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr || !box->isVisible())
            return;
        boxes.push_back({box->windowTitle(), box->text(), box->icon(),
                         static_cast<int>(box->buttons().size()),
                         box->windowModality() == Qt::ApplicationModal});
        box->button(QMessageBox::Ok)->click();
    }

    QTimer timer_;
};

} // namespace testing_support
