import QtQuick
import QtTest
import Quorvelantis.Remote

TestCase {
    id: testCase
    name: "PortSection"
    width: 620
    height: 900
    when: windowShown
    visible: true

    // A new view, laid out and drawn, so that clicks land where its items are.
    function make(component, properties) {
        const view = createTemporaryObject(component, testCase, properties || {});
        waitForRendering(view);
        return view;
    }

    // Scrolls the tab so the target is inside the window, then clicks it.
    function click(tab, target) {
        const top = target.mapToItem(tab.contentItem, 0, 0).y;
        tab.contentY = Math.max(0, Math.min(top - 40, tab.contentHeight - tab.height));
        waitForRendering(tab);
        mouseClick(target);
    }

    Component {
        id: remoteTab
        RemoteTab {
            width: 620
            height: 900
        }
    }

    function test_applyRules() {
        const tab = make(remoteTab);
        const field = findChild(tab, "portField");
        const apply = findChild(tab, "applyButton");

        // First launch: the field shows the default port, which is already current.
        compare(RemoteService.storedPort(), 0);
        compare(field.text, "4777");
        verify(!apply.enabled);

        for (const text of ["65536", "80a", "-1", " 80", "", "4777", "04777"]) {
            field.text = text;
            verify(!apply.enabled, "enabled for '" + text + "'");
        }

        // 0 differs from the current port, but applying it does nothing.
        const requests = harness.requestedPortCount();
        field.text = "0";
        verify(apply.enabled);
        click(tab, apply);
        compare(harness.requestedPortCount(), requests);
        field.text = "-0";
        verify(apply.enabled);

        field.text = "08080";
        verify(apply.enabled);
        click(tab, apply);
        compare(harness.lastRequestedPort(), 8080);
        compare(RemoteService.storedPort(), 8080);
        compare(field.text, "08080");
        verify(!apply.enabled);
        harness.reportHttpState("ready");
        compare(findChild(findChild(tab, "httpPill"), "pillValue").text, "IP active sur le port 8080");

        // Space and Return press the focused button.
        field.text = "+8081";
        apply.forceActiveFocus();
        keyClick(Qt.Key_Space);
        compare(harness.lastRequestedPort(), 8081);
        field.text = "9090";
        apply.forceActiveFocus();
        keyClick(Qt.Key_Return);
        compare(harness.lastRequestedPort(), 9090);
    }

    function test_fieldRefilledWhenShownAgain() {
        const tab = make(remoteTab);
        const field = findChild(tab, "portField");
        field.text = "1234";
        const again = make(remoteTab);
        compare(findChild(again, "portField").text, String(ViewRules.effectivePort(RemoteService.storedPort())));
    }
}
