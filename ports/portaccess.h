#ifndef PORTACCESS_H
#define PORTACCESS_H

#include <QList>
#include <QString>

// The group to join for a port whose open was refused: on Linux, when the user may not read and
// write the device node at openPath and its group may, the name of that group (such as dialout).
// Empty when the group is not what keeps the user out, and always on Windows, which has no such
// groups.
QString groupDenyingAccess(const QString &openPath);

// The Linux rule behind it, on a node's mode, owner and group and the user's ids: the user falls
// among the others, who may not read and write the node, while its group may. Root and the owner
// are never kept out by a group.
bool isGroupDenyingAccess(quint32 mode, quint32 nodeOwner, quint32 nodeGroup, quint32 user,
                          const QList<quint32> &userGroups);

#endif
