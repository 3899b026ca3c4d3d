#include "link/ethsupervision.h"

#include <QTimer>

EthSupervision::EthSupervision(EthConnection& link, TargetSource target, QObject* parent)
    : QObject(parent)
    , m_link(link)
    , m_target(std::move(target))
    , m_timer(new QTimer(this))
{
    m_timer->setObjectName(QStringLiteral("TimerPing"));
    m_timer->setInterval(IntervalMs);
    connect(m_timer, &QTimer::timeout, this, &EthSupervision::pingTimerFired);
    connect(&m_link, &EthConnection::reachabilityChecked, this, &EthSupervision::checkAnswered);
    // A listener that could not open is not wanted any more: the user has to open it again.
    connect(&m_link, &EthConnection::listenerFailed, this, &EthSupervision::stop);
}

void EthSupervision::openOrCloseLink(bool closing)
{
    m_link.resetPingFailures();
    if (closing)
        stop();
    else
        start();
    // A link whose host never answered is not open, and toggling it would open it.
    if (closing && !m_link.isOpen()) {
        m_link.cancelReconnect();
        return;
    }
    m_link.toggleConnection(m_target());
}

void EthSupervision::start()
{
    m_wanted = true;
    m_checking = false;
    m_timer->start();
}

void EthSupervision::stop()
{
    m_wanted = false;
    m_checking = false;
    m_timer->stop();
}

// The timer stays off while the check is out, so ticks never overlap; the next comes three seconds
// after the answer.
void EthSupervision::pingTimerFired()
{
    m_timer->stop();
    m_checking = true;
    m_link.checkReachable(m_target().host);
}

void EthSupervision::checkAnswered(bool reachable)
{
    if (!m_checking)
        return;
    m_checking = false;
    if (reachable) {
        if (m_link.ReconnectPending()) {
            m_link.toggleConnection(m_target());
            m_link.resetPingFailures();
            m_link.setReconnectPending(false);
        } else {
            m_link.resetPingFailures();
        }
    } else if (!m_link.ReconnectPending()) {
        m_link.countPingFailure();
        m_link.dropIfUnreachable();
    }
    if (m_wanted)
        m_timer->start();
}
