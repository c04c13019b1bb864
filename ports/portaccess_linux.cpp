#include "ports/portaccess.h"

#include <QFile>
#include <QVector>

#include <cerrno>
#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The groups the process opens files with: its supplementary ones and its effective one.
QList<quint32> processGroups()
{
    QVector<gid_t> supplementary(qMax(::getgroups(0, nullptr), 0));
    supplementary.resize(qMax(::getgroups(supplementary.size(), supplementary.data()), 0));
    QList<quint32> groups{::getegid()};
    for (const gid_t group : supplementary)
        groups.append(group);
    return groups;
}

QString groupName(gid_t group)
{
    const struct group *entry = ::getgrgid(group);
    return entry ? QString::fromLocal8Bit(entry->gr_name) : QString();
}

} // namespace

bool isGroupDenyingAccess(quint32 mode, quint32 nodeOwner, quint32 nodeGroup, quint32 user,
                          const QList<quint32> &userGroups)
{
    const bool amongOthers = user != nodeOwner && !userGroups.contains(nodeGroup);
    const quint32 groupReadWrite = S_IRGRP | S_IWGRP;
    const quint32 othersReadWrite = S_IROTH | S_IWOTH;
    return user != 0 && amongOthers && (mode & othersReadWrite) != othersReadWrite &&
           (mode & groupReadWrite) == groupReadWrite;
}

// With the effective ids, as the open itself; the system's own check first, since access control
// lists and capabilities can let a user in whom the mode alone would keep out.
QString groupDenyingAccess(const QString &openPath)
{
    const QByteArray path = QFile::encodeName(openPath);
    struct stat node;
    if (::faccessat(AT_FDCWD, path.constData(), R_OK | W_OK, AT_EACCESS) == 0 || errno != EACCES ||
        ::stat(path.constData(), &node) != 0)
        return QString();
    if (!isGroupDenyingAccess(node.st_mode, node.st_uid, node.st_gid, ::geteuid(), processGroups()))
        return QString();
    return groupName(node.st_gid);
}
