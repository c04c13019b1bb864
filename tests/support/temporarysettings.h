#ifndef TEMPORARYSETTINGS_H
#define TEMPORARYSETTINGS_H

#include <QTemporaryDir>

// Points the default settings store at a fresh temporary folder for as long as
// it lives, and gives the application the program's identity, so tests never
// see or touch the user's settings.
class TemporarySettings
{
public:
    TemporarySettings();

    // Removes every stored value, for a fresh start within one test program.
    void clear();
    QString path() const { return folder.path(); }

private:
    QTemporaryDir folder;
};

#endif
