// main() for the widget tests: the program's own application object (its title and
// its default error handling), on the offscreen platform unless a display is chosen.

#include <gtest/gtest.h>

#include "ui/application.h"

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    ui::TApplication application(argc, argv);
    application.SetTitle(QStringLiteral("MXB-2816 DIO setup"));
    return RUN_ALL_TESTS();
}
