#include "FakePlatform.h"

#include <QSignalSpy>
#include <QTest>

namespace {

std::optional<QString> chosen(const QList<QPair<QByteArray, const char*>>& interfaces)
{
    FakePlatform fake;
    for (const auto& [name, address] : interfaces)
        fake.interfaces.addIPv4(name, address);
    MacRemoteService service(fake.platform());
    return service.findLocalIPAddress();
}

}

class TestLocalAddress : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void priorityThenTextualOrder()
    {
        QCOMPARE(chosen({ { "en1", "10.0.0.5" }, { "en0", "192.168.1.20" } }), QStringLiteral("192.168.1.20"));
        QCOMPARE(chosen({ { "bridge100", "192.168.64.1" }, { "utun3", "100.64.0.2" } }), QStringLiteral("100.64.0.2"));
        QCOMPARE(chosen({ { "en0", "192.168.1.9" }, { "en0", "192.168.1.10" } }), QStringLiteral("192.168.1.10"));
        QCOMPARE(chosen({ { "eth0", "192.168.0.10" }, { "wlan0", "172.16.0.1" }, { "eth1", "10.0.0.2" } }),
            QStringLiteral("10.0.0.2"));
        QCOMPARE(chosen({ { "en10", "9.9.9.9" }, { "en1", "192.168.0.1" } }), QStringLiteral("192.168.0.1"));
        QCOMPARE(chosen({ { "bridge0", "10.1.1.1" }, { "bridge1", "10.0.0.9" } }), QStringLiteral("10.0.0.9"));
        QCOMPARE(chosen({ { "eth0", "169.254.3.4" } }), QStringLiteral("169.254.3.4"));
    }

    void excludedEntries()
    {
        QCOMPARE(chosen({ { "lo", "127.0.0.1" }, { "lo0", "10.0.0.1" } }), std::nullopt);
        QCOMPARE(chosen({ { "\xff\xfe", "10.0.0.1" } }), std::nullopt);

        FakePlatform fake;
        fake.interfaces.list = std::vector<NetworkInterfaceEntry> { { "eth0", {} } }; // no IPv4 address
        MacRemoteService service(fake.platform());
        QCOMPARE(service.findLocalIPAddress(), std::nullopt);
        QCOMPARE(service.localIPAddress(), QStringLiteral("Aucune IP réseau"));

        fake.interfaces.list = std::nullopt; // the list cannot be fetched
        QCOMPARE(service.findLocalIPAddress(), std::nullopt);
    }

    void refreshShowsTheNewAddress()
    {
        FakePlatform fake;
        MacRemoteService service(fake.platform());
        QSignalSpy changed(&service, &MacRemoteService::localIPAddressChanged);
        fake.interfaces.addIPv4("wlan0", "192.168.1.7");
        service.refreshLocalIPAddress();
        QCOMPARE(service.localIPAddress(), QStringLiteral("192.168.1.7"));
        service.refreshLocalIPAddress();
        QCOMPARE(changed.count(), 1);
    }
};

QTEST_GUILESS_MAIN(TestLocalAddress)
#include "test_local_address.moc"
