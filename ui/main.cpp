// The desktop program: `dorvane [pool.dvn]`.
#include "CDialogService.h"
#include "CDorvane_V2App.h"
#include "DialogUnits.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    // Menus and message boxes in the same 8-point font as the forms.
    QApplication::setFont(DialogFont());

    CQtDialogService dialogs(QString::fromLatin1(CDorvane_V2App::kRegistryKey),
                             QString::fromLatin1(CDorvane_V2App::kAppName));
    CDorvane_V2App theApp(dialogs);
    if (const std::optional<int> nExit = theApp.InitInstance(QApplication::arguments().mid(1)))
        return *nExit;
    return QApplication::exec();
}
