#include "CommandGuard.h"

#include "CDialogService.h"
#include "CFileException.h"

#include <QApplication>
#include <QCoreApplication>
#include <exception>
#include <new>

void RunGuarded(CDialogService& dialogs, QWidget* pOwner, const std::function<void()>& fnCommand)
{
    try
    {
        fnCommand();
        return;
    }
    catch (const CFileException& e)
    {
        // A command ended by a file error may have left the wait cursor on.
        while (QApplication::overrideCursor())
            QApplication::restoreOverrideCursor();
        dialogs.MessageBox(pOwner, QString::fromStdString(e.GetErrorMessage()),
                           QString::fromLatin1(kAppTitle), MessageIcon::Stop);
    }
    catch (const std::bad_alloc&)
    {
        while (QApplication::overrideCursor())
            QApplication::restoreOverrideCursor();
        dialogs.MessageBox(pOwner, QCoreApplication::translate("CommandGuard", "Out of memory."),
                           QString::fromLatin1(kAppTitle), MessageIcon::Stop);
    }
    catch (const std::exception& e)
    {
        // Nothing may leave a handler into the event loop; report what is
        // left as the file errors are reported.
        while (QApplication::overrideCursor())
            QApplication::restoreOverrideCursor();
        dialogs.MessageBox(pOwner, QString::fromLocal8Bit(e.what()), QString::fromLatin1(kAppTitle),
                           MessageIcon::Stop);
    }
}
