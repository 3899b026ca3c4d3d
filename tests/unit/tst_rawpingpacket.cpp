// The bytes of the reachability check: the echo request it sends, and which packets it takes for the
// answer. Everything else a socket hands over (other checks' replies, other programs' pings, our own
// request seen on loopback, errors, cut packets) must not count.

#include "link/raw_ping.h"

#include <QTest>

using RawPing::EchoId;
using RawPing::SocketKind;

namespace {

constexpr quint32 scale = 0x0ac80102; // 10.200.1.2
constexpr quint32 other = 0x0ac80103; // 10.200.1.3
constexpr EchoId asked{0x4b57, 0x0102};

QByteArray icmpMessage(quint8 type, quint8 code, EchoId id, bool goodChecksum = true)
{
    QByteArray message = RawPing::buildEchoRequest(id);
    message[0] = char(type);
    message[1] = char(code);
    message[2] = 0;
    message[3] = 0;
    quint16 checksum = RawPing::internetChecksum(message);
    if (!goodChecksum)
        checksum ^= 0x0100;
    message[2] = char(checksum >> 8);
    message[3] = char(checksum & 0xff);
    return message;
}

QByteArray echoReply(EchoId id)
{
    return icmpMessage(0, 0, id);
}

// An IPv4 header in front of the message, as a raw socket delivers it; options make it longer.
QByteArray withIpHeader(const QByteArray& message, quint32 source, int optionWords = 0, quint8 protocol = 1,
                        int version = 4)
{
    QByteArray header(20 + optionWords * 4, '\0');
    header[0] = char((version << 4) | (5 + optionWords));
    header[8] = char(64);
    header[9] = char(protocol);
    for (int i = 0; i < 4; ++i)
        header[12 + i] = char(source >> (24 - 8 * i));
    return header + message;
}

} // namespace

class TestRawPingPacket : public QObject
{
    Q_OBJECT

private slots:
    void checksum_data();
    void checksum();
    void echoRequest_data();
    void echoRequest();
    void replyRecognition_data();
    void replyRecognition();
};

void TestRawPingPacket::checksum_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<quint16>("expected");

    QTest::newRow("nothing") << QByteArray() << quint16(0xffff);
    QTest::newRow("RFC 1071 example") << QByteArray::fromHex("0001f203f4f5f6f7") << quint16(0x220d);
    QTest::newRow("odd length pads with zero") << QByteArray::fromHex("01") << quint16(0xfeff);
    QTest::newRow("carries fold back in") << QByteArray::fromHex("ffffffff0001") << quint16(0xfffe);
    QTest::newRow("message with its checksum sums to zero")
        << QByteArray::fromHex("0800e5ca12340001") << quint16(0x0000);
}

void TestRawPingPacket::checksum()
{
    QFETCH(QByteArray, bytes);
    QFETCH(quint16, expected);
    QCOMPARE(RawPing::internetChecksum(bytes), expected);
}

void TestRawPingPacket::echoRequest_data()
{
    QTest::addColumn<quint16>("identifier");
    QTest::addColumn<quint16>("sequence");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("zeros") << quint16(0) << quint16(0) << QByteArray::fromHex("0800f7ff00000000");
    QTest::newRow("identifier and sequence big-endian")
        << quint16(0x1234) << quint16(0x0001) << QByteArray::fromHex("0800e5ca12340001");
    QTest::newRow("sum that carries") << quint16(0xffff) << quint16(0xffff) << QByteArray::fromHex("0800f7ffffffffff");
    QTest::newRow("checksum of zero") << quint16(0xf7ff) << quint16(0) << QByteArray::fromHex("08000000f7ff0000");
}

void TestRawPingPacket::echoRequest()
{
    QFETCH(quint16, identifier);
    QFETCH(quint16, sequence);
    QFETCH(QByteArray, expected);

    const QByteArray request = RawPing::buildEchoRequest({identifier, sequence});
    QCOMPARE(request.toHex(), expected.toHex());
    QCOMPARE(RawPing::internetChecksum(request), quint16(0));
}

void TestRawPingPacket::replyRecognition_data()
{
    QTest::addColumn<QByteArray>("packet");
    QTest::addColumn<SocketKind>("kind");
    QTest::addColumn<quint32>("source");
    QTest::addColumn<bool>("answers");

    const EchoId laterSequence{asked.identifier, quint16(asked.sequence + 1)};
    const EchoId otherIdentifier{quint16(asked.identifier + 1), asked.sequence};
    const QByteArray reply = echoReply(asked);

    QTest::newRow("datagram: the reply") << reply << SocketKind::Datagram << scale << true;
    QTest::newRow("datagram: the kernel's identifier")
        << echoReply(otherIdentifier) << SocketKind::Datagram << scale << true;
    QTest::newRow("datagram: reply with data") << reply + QByteArray(2, '\0') << SocketKind::Datagram << scale << true;
    QTest::newRow("datagram: another sequence") << echoReply(laterSequence) << SocketKind::Datagram << scale << false;
    QTest::newRow("datagram: another source") << reply << SocketKind::Datagram << other << false;
    QTest::newRow("datagram: an echo request") << icmpMessage(8, 0, asked) << SocketKind::Datagram << scale << false;
    QTest::newRow("datagram: destination unreachable")
        << icmpMessage(3, 1, asked) << SocketKind::Datagram << scale << false;
    QTest::newRow("datagram: another code") << icmpMessage(0, 1, asked) << SocketKind::Datagram << scale << false;
    QTest::newRow("datagram: damaged checksum")
        << icmpMessage(0, 0, asked, false) << SocketKind::Datagram << scale << false;
    QTest::newRow("datagram: cut short") << reply.left(7) << SocketKind::Datagram << scale << false;
    QTest::newRow("datagram: empty") << QByteArray() << SocketKind::Datagram << scale << false;
    QTest::newRow("datagram: raw layout") << withIpHeader(reply, scale) << SocketKind::Datagram << scale << false;

    QTest::newRow("raw: the reply") << withIpHeader(reply, scale) << SocketKind::Raw << scale << true;
    QTest::newRow("raw: header with options") << withIpHeader(reply, scale, 3) << SocketKind::Raw << scale << true;
    QTest::newRow("raw: another identifier")
        << withIpHeader(echoReply(otherIdentifier), scale) << SocketKind::Raw << scale << false;
    QTest::newRow("raw: another sequence")
        << withIpHeader(echoReply(laterSequence), scale) << SocketKind::Raw << scale << false;
    QTest::newRow("raw: another source") << withIpHeader(reply, other) << SocketKind::Raw << other << false;
    QTest::newRow("raw: our request on loopback")
        << withIpHeader(icmpMessage(8, 0, asked), scale) << SocketKind::Raw << scale << false;
    QTest::newRow("raw: not ICMP") << withIpHeader(reply, scale, 0, 17) << SocketKind::Raw << scale << false;
    QTest::newRow("raw: not IPv4") << withIpHeader(reply, scale, 0, 1, 6) << SocketKind::Raw << scale << false;
    QTest::newRow("raw: ICMP header cut") << withIpHeader(reply, scale).left(27) << SocketKind::Raw << scale << false;
    QTest::newRow("raw: IP header cut") << withIpHeader(reply, scale).left(19) << SocketKind::Raw << scale << false;
    QTest::newRow("raw: header longer than the packet")
        << withIpHeader(reply, scale, 10).left(30) << SocketKind::Raw << scale << false;
    QTest::newRow("raw: ICMP only") << reply << SocketKind::Raw << scale << false;
}

void TestRawPingPacket::replyRecognition()
{
    QFETCH(QByteArray, packet);
    QFETCH(SocketKind, kind);
    QFETCH(quint32, source);
    QFETCH(bool, answers);

    QCOMPARE(RawPing::isEchoReply(packet, kind, source, scale, asked), answers);
}

QTEST_APPLESS_MAIN(TestRawPingPacket)
#include "tst_rawpingpacket.moc"
