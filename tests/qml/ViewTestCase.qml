import QtQuick
import QtTest

// What every view test shares: a shown window, views laid out and drawn before they are clicked, and lookups that
// fail with the missing name.
TestCase {
    id: testCase
    width: 620
    height: 900
    when: windowShown
    visible: true

    function make(component, properties) {
        const view = createTemporaryObject(component, testCase, properties || {});
        waitForRendering(view);
        return view;
    }

    function item(parent, name) {
        const found = findChild(parent, name);
        verify(found, "no item named " + name);
        return found;
    }

    // Scrolls the tab so the target is inside the window, then clicks it.
    function click(tab, target) {
        const top = target.mapToItem(tab.contentItem, 0, 0).y;
        tab.contentY = Math.max(0, Math.min(top - 40, tab.contentHeight - tab.height));
        waitForRendering(tab);
        mouseClick(target);
    }
}
