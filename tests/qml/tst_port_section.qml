import QtQuick
import Quorvelantis.Remote

ViewTestCase {
    name: "PortSection"

    Component {
        id: remoteTab
        RemoteTab {
            width: 620
            height: 900
        }
    }

    function test_applyRules() {
        const tab = make(remoteTab);
        const field = item(tab, "portField");
        const apply = item(tab, "applyButton");

        // First launch: the field shows the default port, which is already current.
        compare(field.text, "4777");
        verify(!apply.enabled);
        for (const text of ["65536", "80a", " 80", "", "04777"]) {
            field.text = text;
            verify(!apply.enabled, "enabled for '" + text + "'");
        }

        // 0 differs from the current port, but applying it does nothing.
        const requests = harness.requestedPortCount();
        field.text = "0";
        click(tab, apply);
        compare(harness.requestedPortCount(), requests);

        field.text = "08080";
        click(tab, apply);
        compare(harness.lastRequestedPort(), 8080);
        verify(!apply.enabled);
        harness.reportHttpState("ready");
        compare(item(item(tab, "httpPill"), "pillValue").text, "IP active sur le port 8080");

        // Space and Return press the focused button.
        for (const [key, port] of [[Qt.Key_Space, 8081], [Qt.Key_Return, 9090]]) {
            field.text = String(port);
            apply.forceActiveFocus();
            keyClick(key);
            compare(harness.lastRequestedPort(), port);
        }

        // A refused port while 9090 serves: the field goes back to 9090, and the pill shows the whole text.
        harness.reportHttpState("ready");
        field.text = "8082";
        click(tab, apply);
        harness.reportHttpState("failed");
        compare(field.text, "9090");
        const status = item(item(tab, "httpPill"), "pillValue");
        compare(status.text, "Port 8082 indisponible — IP active sur le port 9090");
        verify(!status.truncated);
        tryVerify(() => status.height >= status.implicitHeight && status.lineCount === 2, 1000, "the whole text, on two lines");

        // A tab shown again shows the current port, once it serves, not what was typed.
        field.text = "1234";
        compare(item(make(remoteTab), "portField").text, "9090");
    }
}
