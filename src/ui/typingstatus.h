#pragma once

#include "platform/keyboardgrant.h"

#include <QWidget>

class QLabel;
class QPushButton;

// A row under the status line that appears when the desktop refuses or ends its grant for typing:
// why typing is off, and a button that asks the desktop again. Results are still counted and written
// to the file meanwhile; the row is all the user is told, once per refusal, not once per result.
class TypingStatus : public QWidget
{
    Q_OBJECT

public:
    TypingStatus(KeyboardGrant& grant, QWidget* parent);

protected:
    void changeEvent(QEvent* event) override;

private:
    void typingOff(KeyboardGrant::Refusal why);
    void showReason();

    KeyboardGrant& m_grant;
    QLabel* m_reason = nullptr;
    QPushButton* m_askAgain = nullptr;
    KeyboardGrant::Refusal m_why = KeyboardGrant::Refusal::Refused;
};
