#pragma once

#include "link/ethconnection.h"

#include <QObject>

#include <functional>

class QTimer;

// Watches the Ethernet link while the user wants it open: every three seconds TimerPing asks whether
// the scale answers an echo request. A TCP connection is dropped at the fourth unanswered check in a
// row and opened again at the first answered one; a UDP listener stays open and is shown as waiting for
// its scale meanwhile. Main thread only.
class EthSupervision : public QObject
{
    Q_OBJECT

public:
    using TargetSource = std::function<EthTarget()>;

    static constexpr int IntervalMs = 3000;

    // target gives the scale as the communication panel names it at the moment of asking.
    EthSupervision(EthConnection& link, TargetSource target, QObject* parent = nullptr);

    // openPortButton with Ethernet chosen: closing when its caption offers to close, else opening.
    void openOrCloseLink(bool closing);
    // TimerPing's Tag: the user wants the link open.
    bool isWanted() const { return m_wanted; }
    QTimer& timer() { return *m_timer; }

    void pingTimerFired();
    // No more checks, and the link is no longer wanted: the closing sequence.
    void stop();

private:
    void start();
    void checkAnswered(bool reachable);

    EthConnection& m_link;
    TargetSource m_target;
    QTimer* m_timer = nullptr;
    bool m_wanted = false;
    // A tick's check is out; its answer ends the tick.
    bool m_checking = false;
};
