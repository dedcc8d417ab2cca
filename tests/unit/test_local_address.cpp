#include "FakePlatform.h"
#include "service/LocalAddress.h"

#include <QSignalSpy>
#include <QTest>

namespace {

// Interfaces as "name address", a trailing '*' marking the one the default route leaves through.
std::optional<QString> chosen(const QByteArrayList& interfaces)
{
    std::vector<NetworkInterfaceEntry> entries;
    for (const QByteArray& interface : interfaces) {
        const QByteArrayList parts = interface.split(' ');
        entries.push_back({ parts[0], QString::fromLatin1(parts[1]).remove(u'*'), parts[1].endsWith('*') });
    }
    return chooseLocalAddress(entries);
}

}

class TestLocalAddress : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void choice_data()
    {
        QTest::addColumn<QByteArrayList>("interfaces");
        QTest::addColumn<QString>("expected");
        QTest::newRow("default route first")
            << QByteArrayList { "eth0 10.0.0.2", "wlp2s0 192.168.1.20*" } << "192.168.1.20";
        QTest::newRow("docker, libvirt and a VPN last") << QByteArrayList { "docker0 172.17.0.1",
            "virbr0 192.168.122.1", "wg0 10.8.0.2", "tun0 10.9.0.1*", "wlan0 192.168.1.7" }
                                                        << "192.168.1.7";
        QTest::newRow("cards before other names")
            << QByteArrayList { "ppp0 100.64.0.2", "enp3s0 192.168.0.10", "eth1 192.168.0.9" } << "192.168.0.10";
        QTest::newRow("anything before a virtual one")
            << QByteArrayList { "br-1a2b 172.18.0.1", "usb0 172.20.10.2" } << "172.20.10.2";
        QTest::newRow("link-local only when alone")
            << QByteArrayList { "eth0 169.254.3.4*", "docker0 172.17.0.1" } << "172.17.0.1";
        QTest::newRow("link-local alone") << QByteArrayList { "eth0 169.254.3.4" } << "169.254.3.4";
        // Ties go by text, so 192.168.0.10 comes before 192.168.0.9.
        QTest::newRow("ties by text") << QByteArrayList { "eth0 192.168.0.9", "eth0 192.168.0.10" } << "192.168.0.10";
        QTest::newRow("loopback and unreadable names")
            << QByteArrayList { "lo 127.0.0.1", "lo0 10.0.0.1", "\xff 10.0.0.3" } << "Aucune IP réseau";
    }

    void choice()
    {
        QFETCH(QByteArrayList, interfaces);
        QFETCH(QString, expected);
        QCOMPARE(chosen(interfaces).value_or(QStringLiteral("Aucune IP réseau")), expected);
    }

    void entriesWithoutAddressAndAFailedListGiveNone()
    {
        FakePlatform fake;
        fake.interfaces.list = std::vector<NetworkInterfaceEntry> { { "eth0", {}, true } };
        MacRemoteService service(fake.platform());
        QCOMPARE(service.localIPAddress(), QStringLiteral("Aucune IP réseau"));
        QVERIFY(!service.hasLocalIPAddress());
        QSignalSpy changed(&service, &MacRemoteService::localIPAddressChanged);
        fake.interfaces.list = std::vector<NetworkInterfaceEntry> { { "wlan0", "192.168.1.7" } };
        service.refreshLocalIPAddress();
        service.refreshLocalIPAddress();
        QCOMPARE(service.localIPAddress(), QStringLiteral("192.168.1.7"));
        QVERIFY(service.hasLocalIPAddress());
        QCOMPARE(changed.count(), 1);
        fake.interfaces.list = std::nullopt;
        service.refreshLocalIPAddress();
        QCOMPARE(service.localIPAddress(), QStringLiteral("Aucune IP réseau"));
    }
};

QTEST_GUILESS_MAIN(TestLocalAddress)
#include "test_local_address.moc"
