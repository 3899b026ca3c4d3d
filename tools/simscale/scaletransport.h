#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

// The scale's end of whatever connects it to the program reading it: a serial line, a TCP connection,
// UDP datagrams. The scale model stays the same behind every one of them.
class ScaleTransport : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    // Where the other side finds the scale, for the ready line: a link path, "tcp 127.0.0.1:4001".
    virtual QString location() const = 0;
    // Hands bytes to the other side; false when nobody could take them and nothing was kept.
    virtual bool send(const QByteArray& bytes) = 0;
    // Only a serial line has a speed; elsewhere the operator's speed command means nothing.
    virtual bool setLineSpeed(int baud)
    {
        Q_UNUSED(baud);
        return false;
    }

signals:
    // Bytes the scale hears as commands.
    void received(const QByteArray& bytes);
    // Bytes that arrived garbled, as at other line settings: noise that breaks the command being received.
    void ignored(const QByteArray& bytes, const QString& why);
    // Bytes from someone who is not the scale's partner; they leave the partner's command alone.
    void refused(const QByteArray& bytes, const QString& from);
    // A new partner, or none: a command the last one left half-sent must not prefix the next one's.
    void partnerChanged(const QString& description);
};
