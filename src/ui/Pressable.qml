import QtQuick
import Quorvelantis.Remote

// A control drawn entirely by its user, whose accessible role its user chooses. Click, Space, Return, Enter and a
// screen reader's press all press it; a disabled one ignores them all.
Item {
    id: control

    property string text
    readonly property bool hovered: hover.hovered
    readonly property bool down: tap.pressed
    // A focus ring shows for a focus the keyboard gave, not for one handed back after a click elsewhere.
    readonly property bool visualFocus: activeFocus && !isFocusFromPointer
    property bool isFocusFromPointer: false

    signal clicked

    function takeFocus(reason) {
        isFocusFromPointer = reason === Qt.MouseFocusReason;
        forceActiveFocus(reason);
    }

    onActiveFocusChanged: if (!activeFocus)
        isFocusFromPointer = false
    activeFocusOnTab: true
    Accessible.name: text
    Accessible.focusable: true
    Accessible.onPressAction: if (enabled)
        clicked()

    Keys.onSpacePressed: clicked()
    Keys.onReturnPressed: clicked()
    Keys.onEnterPressed: clicked()

    TapHandler {
        id: tap
        onTapped: if (control.enabled)
            control.clicked()
    }

    HoverHandler {
        id: hover
        cursorShape: Qt.PointingHandCursor
    }
}
