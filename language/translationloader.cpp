#include "language/translationloader.h"

bool loadTranslations(QObject *owner, const QString &folder)
{
    Q_UNUSED(owner)
    Q_UNUSED(folder)
    return false;
}
