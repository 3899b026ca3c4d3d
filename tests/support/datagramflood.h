#pragma once

#include <QByteArray>

#include <arpa/inet.h>
#include <atomic>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>

// Sends the datagram from the socket to a port on this host's loopback, count times or until told to
// stop, on a thread of its own, as a scale (or anyone at the scale's address) gone wild would.
class DatagramFlood
{
public:
    DatagramFlood(int socket, quint16 port, QByteArray datagram, qint64 count)
        : m_thread([this, socket, port, datagram = std::move(datagram), count] {
            sockaddr_in to{};
            to.sin_family = AF_INET;
            to.sin_port = htons(port);
            to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            for (qint64 i = 0; i < count && !m_stop; ++i) {
                if (::sendto(socket, datagram.constData(), size_t(datagram.size()), 0, reinterpret_cast<sockaddr*>(&to),
                             sizeof to) == datagram.size())
                    ++m_sent;
            }
            m_done = true;
        })
    {}
    ~DatagramFlood()
    {
        m_stop = true;
        m_thread.join();
    }
    DatagramFlood(const DatagramFlood&) = delete;
    DatagramFlood& operator=(const DatagramFlood&) = delete;

    bool done() const { return m_done; }
    qint64 sent() const { return m_sent; }

private:
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_done{false};
    std::atomic<qint64> m_sent{0};
    std::thread m_thread;
};
