#ifndef TEMPORARYSETTINGS_H
#define TEMPORARYSETTINGS_H

#include "app/applicationidentity.h"

#include <QSettings>
#include <QTemporaryDir>

// The default settings store lives in a fresh temporary folder for as long as this
// object does, under the program's identity: tests never touch the user's settings.
class TemporarySettings
{
public:
    TemporarySettings()
    {
        setApplicationIdentity();
        for (auto format : {QSettings::NativeFormat, QSettings::IniFormat})
            for (auto scope : {QSettings::UserScope, QSettings::SystemScope})
                QSettings::setPath(format, scope, folder.path());
        clear();
    }

    // Removes every stored value, for a fresh start within one test program.
    void clear() { QSettings().clear(); }

private:
    QTemporaryDir folder;
};

#endif
