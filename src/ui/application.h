#pragma once

#include <QApplication>
#include <QString>

#include <exception>
#include <functional>
#include <memory>

namespace ui {

// The application object: its title, the main window and the default error handling.
class TApplication : public QApplication {
    Q_OBJECT

public:
    TApplication(int& argc, char** argv);

    // The title is the caption of every error box. It is kept apart from Qt's
    // application display name, which the window system would append to the
    // main window's own caption.
    void SetTitle(const QString& title) { title_ = title; }
    QString Title() const { return title_; }

    // Creates the main window with `createMainWindow`, shows it centred and runs the
    // event loop until the window is closed; returns the exit code. A failure while
    // the window is being created shows an "Application Error" box and returns 1.
    int Run(const std::function<std::unique_ptr<QWidget>()>& createMainWindow);

    // Every exception that escapes the handling of one event ends up here.
    bool notify(QObject* receiver, QEvent* event) override;

private:
    QString title_;
};

// The default error handling: shows the error box for `error` (caption = the
// application's title, stop icon, one OK button, modal) and returns after OK.
void HandleException(const std::exception& error);
// The same for an exception of no known type.
void HandleUnknownException();

// Runs one event's handler; whatever it throws goes to HandleException and the
// program goes on.
template <typename Handler>
void DispatchEvent(Handler&& handler)
{
    try {
        handler();
    } catch (const std::exception& error) {
        HandleException(error);
    } catch (...) {
        HandleUnknownException();
    }
}

} // namespace ui
