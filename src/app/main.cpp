// MXB2816_DIO_setup: the program's main block.

#include <memory>

#include "ui/application.h"
#include "ui/unit1.h"

int main(int argc, char* argv[])
{
    ui::TApplication Application(argc, argv);
    Application.SetTitle(QStringLiteral("MXB-2816 DIO setup"));
    return Application.Run([] { return std::make_unique<ui::TForm1>(); });
}
