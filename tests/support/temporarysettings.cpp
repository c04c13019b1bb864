#include "tests/support/temporarysettings.h"

#include "app/applicationidentity.h"

#include <QSettings>

namespace {

void pointSettingsAt(const QString &path)
{
    for (QSettings::Format format : {QSettings::NativeFormat, QSettings::IniFormat}) {
        QSettings::setPath(format, QSettings::UserScope, path);
        QSettings::setPath(format, QSettings::SystemScope, path);
    }
}

} // namespace

TemporarySettings::TemporarySettings()
{
    setApplicationIdentity();
    pointSettingsAt(folder.path());
    clear();
}

void TemporarySettings::clear()
{
    QSettings settings;
    settings.clear();
    settings.sync();
}
