#include "ui/application.h"

#include <QIcon>
#include <QMessageBox>
#include <QScreen>

#include "cards/discovery.h"
#include "form/error_box.h"
#include "platform/errors.h"

namespace ui {

namespace {

QString ApplicationTitle()
{
    if (const auto* application = qobject_cast<const TApplication*>(QCoreApplication::instance()))
        return application->Title();
    return QString();
}

void ShowStopBox(const QString& caption, const QString& text)
{
    QMessageBox box(QMessageBox::Critical, caption, text, QMessageBox::Ok);
    // Whatever an error message quotes (an operator's typed text, say) is shown as is.
    box.setTextFormat(Qt::PlainText);
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}

} // namespace

void HandleException(const std::exception& error)
{
    const auto* ours = dynamic_cast<const platform::Exception*>(&error);
    const std::string message = ours != nullptr ? ours->Message() : std::string(error.what());
    ShowStopBox(ApplicationTitle(),
                QString::fromStdString(form::ShortenForErrorBox(form::ErrorBoxText(message))));
}

void HandleUnknownException()
{
    HandleException(std::runtime_error("Unknown exception"));
}

TApplication::TApplication(int& argc, char** argv)
    : QApplication(argc, argv)
{
    QIcon icon;
    for (const int size : {16, 32, 48})
        icon.addFile(QStringLiteral(":/icons/mxb2816-dio-setup-%1.png").arg(size), QSize(size, size));
    setWindowIcon(icon);
}

bool TApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        HandleException(error);
        return true;
    } catch (...) {
        HandleUnknownException();
        return true;
    }
}

int TApplication::Run(const std::function<std::unique_ptr<QWidget>()>& createMainWindow)
{
    std::unique_ptr<QWidget> mainWindow;
    try {
        mainWindow = createMainWindow();
    } catch (const std::exception& error) {
        ShowStopBox(QStringLiteral("Application Error"),
                    QStringLiteral("The main window could not be created:\n%1")
                        .arg(QString::fromUtf8(error.what())));
        return 1;
    } catch (...) {
        ShowStopBox(QStringLiteral("Application Error"),
                    QStringLiteral("The main window could not be created."));
        return 1;
    }

    mainWindow->show();
    exec();
    // The end sequence: the window goes, then the card table's strings. The driver
    // library stays loaded and cards left open stay open.
    mainWindow.reset();
    for (cards::TKarta& card : cards::Cards) {
        card.TypeName.clear();
        card.LibName.clear();
    }
    return 0;
}

} // namespace ui
