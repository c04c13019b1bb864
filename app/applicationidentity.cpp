#include "app/applicationidentity.h"

#include "programinfo.h"

#include <QCoreApplication>

void setApplicationIdentity()
{
    QCoreApplication::setOrganizationName(QStringLiteral("Ormwick"));
    QCoreApplication::setOrganizationDomain(QStringLiteral("ormwick.com"));
    QCoreApplication::setApplicationName(QStringLiteral("Lumetra DataLogger"));
    QCoreApplication::setApplicationVersion(QStringLiteral(LDL_VERSION_SHOWN));
}
