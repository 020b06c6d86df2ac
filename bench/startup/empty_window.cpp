// The baseline: an empty Qt Widgets program with one 401 x 365 window.

#include <QApplication>
#include <QWidget>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QWidget window;
    window.setFixedSize(401, 365);
    window.show();
    return application.exec();
}
