#include "support/pseudoterminal.h"

#include <QDir>
#include <QFile>

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

QString portsFolder(const TemporaryProfile& profile)
{
    return profile.filePath(QStringLiteral("config/Ostrel/Kwelta/ports"));
}

bool linkPort(const TemporaryProfile& profile, int number, const QString& target)
{
    QDir().mkpath(portsFolder(profile));
    return QFile::link(target, portsFolder(profile) + QStringLiteral("/COM") + QString::number(number));
}
