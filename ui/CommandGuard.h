// The top-level command handling: every command and handler of the window
// runs through RunGuarded, which catches a file error that the command did
// not catch and shows its message with the stop icon. The command is then
// abandoned where it stood: status text and progress bar keep their state.
#pragma once

#include <functional>

class CDialogService;
class QWidget;

void RunGuarded(CDialogService& dialogs, QWidget* pOwner, const std::function<void()>& fnCommand);
