#pragma once
// The application: builds the main window, opens what the command line
// names (a project, or a LOW and a FAST movie) and runs the window until it
// closes, which ends the program.

#include <QStringList>

class CFlintmoorApp {
public:
    // Returns the program's exit status.
    static int InitInstance(const QStringList& files);
};
