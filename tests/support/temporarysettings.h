#ifndef TEMPORARYSETTINGS_H
#define TEMPORARYSETTINGS_H

#include "app/applicationidentity.h"

#include <QSettings>
#include <QTemporaryDir>

// While this lives, the settings store is a fresh temporary folder, under the program's
// identity: tests never touch the user's settings.
class TemporarySettings
{
public:
    TemporarySettings()
    {
        setApplicationIdentity();
        for (auto scope : {QSettings::UserScope, QSettings::SystemScope})
            QSettings::setPath(QSettings::NativeFormat, scope, folder.path());
        clear();
    }
    void clear() { QSettings().clear(); }

private:
    QTemporaryDir folder;
};

#endif
