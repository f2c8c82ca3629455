#include "app/application.h"
#include "ui/uiwindowfactory.h"

int main(int argc, char **argv)
{
    Application app(argc, argv);
    UiWindowFactory windows;
    app.setWindowFactory(&windows);
    return app.run();
}
