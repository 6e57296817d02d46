#pragma once
// Opening an address in the user's browser.

#include <QString>

// Opens the address with the desktop's handler for its scheme; false when
// no handler took it.
bool ShellOpen(const QString& address);
