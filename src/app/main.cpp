// MXB2816_DIO_setup: the program's main block.

#include <memory>

#include "ui/application.h"
#include "ui/unit1.h"

int main(int, char* argv[])
{
    // The program takes no arguments: Qt's own options (-style, -reverse,
    // -qwindowtitle, ...) would change the window, so Qt is not shown any.
    int argumentCount = 1;
    char* arguments[] = {argv[0], nullptr};
    ui::TApplication Application(argumentCount, arguments);
    Application.SetTitle(QStringLiteral("MXB-2816 DIO setup"));
    // Ties the taskbar entry to the desktop file, whose name is the title.
    Application.setDesktopFileName(QStringLiteral("mxb2816-dio-setup"));
    return Application.Run([] { return std::make_unique<ui::TForm1>(); });
}
