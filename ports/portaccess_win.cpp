#include "ports/portaccess.h"

// COM ports on Windows know no groups of users: a refused open means another program holds it.
QString groupDenyingAccess(const QString &)
{
    return QString();
}
