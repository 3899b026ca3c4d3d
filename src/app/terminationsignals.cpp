#include "app/terminationsignals.h"

#include <QSocketNotifier>

#include <array>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// A signal handler may do almost nothing; writing a byte to a socket is one of the few safe things.
int wakeSockets[2] = {-1, -1};
constexpr std::array handledSignals{SIGTERM, SIGINT, SIGHUP};

void onSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(wakeSockets[0], &byte, 1);
}

} // namespace

TerminationSignals::TerminationSignals(QObject* parent)
    : QObject(parent)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, wakeSockets) != 0)
        return;
    m_notifier = std::make_unique<QSocketNotifier>(wakeSockets[1], QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, [this] {
        char bytes[16];
        while (::read(wakeSockets[1], bytes, sizeof bytes) > 0) {
        }
        emit requested();
    });
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int number : handledSignals)
        sigaction(number, &action, nullptr);
}

TerminationSignals::~TerminationSignals()
{
    if (!m_notifier)
        return;
    for (const int number : handledSignals)
        std::signal(number, SIG_DFL);
    m_notifier.reset();
    ::close(wakeSockets[0]);
    ::close(wakeSockets[1]);
    wakeSockets[0] = wakeSockets[1] = -1;
}
