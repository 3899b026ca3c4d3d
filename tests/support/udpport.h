#pragma once

#include "support/requiredskip.h"

#include <QAbstractSocket>
#include <QHostAddress>
#include <QString>
#include <QUdpSocket>

// Skips a case that needs the given UDP port where it cannot be bound. Another program holding the
// port is a reason the CI cannot rule out; a missing privilege is one it can, since it runs as root.
#define SKIP_UNLESS_UDP_PORT_FREE(port)                                                                                \
    do {                                                                                                               \
        QUdpSocket probe_;                                                                                             \
        if (!probe_.bind(QHostAddress::AnyIPv4, (port), QAbstractSocket::DontShareAddress)) {                          \
            const QByteArray why_ = QStringLiteral("UDP port %1 cannot be bound here: %2")                             \
                                        .arg(port)                                                                     \
                                        .arg(probe_.errorString())                                                     \
                                        .toLocal8Bit();                                                                \
            if (probe_.error() == QAbstractSocket::AddressInUseError)                                                  \
                QSKIP(why_.constData());                                                                               \
            SKIP_UNLESS_REQUIRED(why_);                                                                                \
        }                                                                                                              \
    } while (false)
