// SPDX-License-Identifier: GPL-3.0-or-later
#include "portpermission.h"

#include "serialtexts.h"

#include <vector>

#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

namespace PortPermission {

namespace {

bool processInGroup(gid_t group)
{
    if (::getegid() == group)
        return true;
    const int count = ::getgroups(0, nullptr);
    std::vector<gid_t> groups(count > 0 ? std::size_t(count) : 0);
    const int got = count > 0 ? ::getgroups(count, groups.data()) : 0;
    for (int i = 0; i < got; ++i) {
        if (groups[std::size_t(i)] == group)
            return true;
    }
    return false;
}

QString groupName(gid_t group)
{
    // getgrgid() shares one buffer among threads; a group with a huge member list that does
    // not fit here is named by its number.
    std::vector<char> buffer(16384);
    struct group entry = {};
    struct group *found = nullptr;
    if (::getgrgid_r(group, &entry, buffer.data(), buffer.size(), &found) == 0 && found)
        return QString::fromLocal8Bit(found->gr_name);
    return QString::number(group);
}

} // namespace

QString refusal(const QString &port, const QString &device)
{
    struct stat info = {};
    if (::stat(device.toLocal8Bit().constData(), &info) != 0)
        return SerialTexts::PortNoPermission.arg(port, QStringLiteral("dialout"));
    const QString group = groupName(info.st_gid);
    // The owner's bits are the ones that count for the owner, whatever the group may do.
    const bool groupMayUse = (info.st_mode & (S_IRGRP | S_IWGRP)) == (S_IRGRP | S_IWGRP);
    if (groupMayUse && info.st_uid != ::geteuid() && !processInGroup(info.st_gid))
        return SerialTexts::PortNoPermission.arg(port, group);
    const QString mode = QStringLiteral("%1").arg(info.st_mode & 07777, 4, 8, QLatin1Char('0'));
    return SerialTexts::PortNoPermissionNotGroup.arg(port, mode, group);
}

} // namespace PortPermission
