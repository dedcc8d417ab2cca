import QtQuick
import Quorvelantis.Remote

// A control drawn entirely by its user, whose accessible role its user chooses (the Qt Quick Controls buttons
// always report themselves as push buttons). Click, Space, Return, Enter and a screen reader's press all press it.
Item {
    id: control

    property string text
    readonly property bool hovered: hover.hovered

    signal clicked

    activeFocusOnTab: true
    Accessible.name: text
    Accessible.focusable: true
    Accessible.onPressAction: clicked()

    Keys.onSpacePressed: clicked()
    Keys.onReturnPressed: clicked()
    Keys.onEnterPressed: clicked()

    TapHandler {
        onTapped: control.clicked()
    }

    HoverHandler {
        id: hover
        cursorShape: Qt.PointingHandCursor
    }
}
