// The baselines: an empty Qt Widgets program with one 401 x 365 window, and with
// --label the same window holding one line of text, which is what the first text
// costs any Qt program (font configuration, font database, a font engine).

#include <QApplication>
#include <QLabel>
#include <QWidget>

#include <cstring>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QWidget window;
    window.setFixedSize(401, 365);
    if (argc > 1 && std::strcmp(argv[1], "--label") == 0)
        new QLabel(QStringLiteral("Detekované karty"), &window);
    window.show();
    return application.exec();
}
