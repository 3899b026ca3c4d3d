#pragma once

#include <QObject>
#include <QString>

// Typing that the desktop has to allow first (a portal's consent dialog): what became of the grant, and
// the desktop's token that lets the next start have it again without asking. Backends that type
// without asking have none (KeyboardInjector::grant() answers nullptr).
class KeyboardGrant : public QObject
{
    Q_OBJECT

public:
    enum class Refusal {
        Refused, // the user said no in the desktop's dialog
        Revoked, // the desktop ended a grant it had given (the user stopped it, or the desktop went)
        Failed,  // the desktop's service answered with an error or not at all
    };
    Q_ENUM(Refusal)

    using QObject::QObject;

    // The token the desktop gave with its last grant; empty when there is none to offer.
    virtual QString restoreToken() const = 0;
    // What an earlier run kept; offered when the grant is asked for.
    virtual void setRestoreToken(const QString& token) = 0;
    // After a refusal: asks the desktop again now, showing its dialog.
    virtual void askAgain() = 0;

signals:
    // Once per refusal, not once per result that could not be typed.
    void typingOff(KeyboardGrant::Refusal why);
    void typingOn();
};
