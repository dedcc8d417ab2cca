import QtQuick
import QtQuick.Layouts
import Quorvelantis.Remote

// Writing a text with an optional title and handing it to the phone.
Flickable {
    id: tab

    property alias title: titleField.text
    property alias scriptText: editor.text
    readonly property bool isTitleFocused: titleField.activeFocus
    readonly property bool isTextFocused: editor.activeFocus
    readonly property bool canSend: ViewRules.isSendable(scriptText)
    readonly property string sendStatus: RemoteService.textSendStatus
    // Set once the fields hold the draft again, so restoring them does not store a half-restored draft.
    property bool isDraftRestored: false

    // The tab is built anew at every switch: the fields come back from the service's draft, and every edit goes
    // there.
    Component.onCompleted: {
        title = RemoteService.draftTitle;
        scriptText = RemoteService.draftText;
        isDraftRestored = true;
    }
    onTitleChanged: keepDraft()
    onScriptTextChanged: keepDraft()

    function keepDraft() {
        if (isDraftRestored)
            RemoteService.keepDraft(title, scriptText);
    }

    contentWidth: width
    contentHeight: column.implicitHeight + 16
    boundsBehavior: Flickable.StopAtBounds
    clip: true
    VerticalScrollBar {
        flickable: tab
    }

    ColumnLayout {
        id: column
        x: 24
        y: 16
        width: tab.width - 48
        spacing: 16

        Rectangle {
            objectName: "peerHint"
            Layout.fillWidth: true
            // Not while a phone's browser page asks for texts, nor once the text has reached a phone.
            visible: !RemoteService.isConnected && !RemoteService.isPagePolling && !RemoteService.isTextDelivered
            implicitHeight: hintRow.implicitHeight + 24
            radius: 12
            color: Colors.withOpacity(Colors.accent, 0.85)

            RowLayout {
                id: hintRow
                anchors.fill: parent
                anchors.margins: 12
                spacing: 10

                SymbolIcon {
                    symbol: "info.circle.fill"
                    font.pixelSize: TextStyle.callout
                    color: "white"
                    Accessible.role: Accessible.StaticText
                    Accessible.name: text
                }

                Text {
                    Layout.fillWidth: true
                    text: qsTr("Lancez Quorvelantis sur votre iPhone pour envoyer du texte.")
                    wrapMode: Text.Wrap
                    font.pixelSize: TextStyle.callout
                    color: "white"
                    Accessible.role: Accessible.StaticText
                    Accessible.name: text
                }
            }
        }

        ColumnLayout {
            Layout.fillWidth: true
            spacing: 6

            Caption {
                symbol: "character.cursor.ibeam"
                text: qsTr("Titre (optionnel)")
            }

            LineField {
                id: titleField
                objectName: "titleField"
                Layout.fillWidth: true
                placeholderText: qsTr("Mon discours, Réunion Q3...")
                Accessible.name: qsTr("Titre (optionnel)")
            }
        }

        ColumnLayout {
            Layout.fillWidth: true
            spacing: 6

            Caption {
                symbol: "text.alignleft"
                text: qsTr("Script / Texte")
            }

            Rectangle {
                objectName: "editorCard"
                Layout.fillWidth: true
                implicitHeight: Math.min(350, Math.max(200, editor.implicitHeight)) + 20
                radius: 12
                color: Colors.surface
                border.width: 1
                border.color: Colors.line

                Flickable {
                    id: editorView
                    anchors.fill: parent
                    anchors.margins: 10
                    contentWidth: width
                    contentHeight: editor.height
                    boundsBehavior: Flickable.StopAtBounds
                    clip: true

                    TextEdit {
                        id: editor
                        objectName: "editor"
                        width: editorView.width
                        // The whole card takes clicks, below the last line too.
                        height: Math.max(implicitHeight, editorView.height)
                        padding: 4
                        rightPadding: 12 // clear of the scroll bar
                        wrapMode: TextEdit.Wrap
                        font.pixelSize: TextStyle.body
                        color: Colors.ink
                        selectionColor: Colors.accent
                        selectedTextColor: "white"
                        selectByMouse: true
                        activeFocusOnTab: true
                        Accessible.role: Accessible.EditableText
                        Accessible.name: qsTr("Script / Texte")
                        // Tab moves the focus on to the next control that takes it, so the focus never stays
                        // here, even while the send button is disabled.
                        Keys.onTabPressed: nextItemInFocusChain(true).forceActiveFocus(Qt.TabFocusReason)
                        Keys.onBacktabPressed: nextItemInFocusChain(false).forceActiveFocus(Qt.BacktabFocusReason)
                        // The line being typed stays in view.
                        onCursorRectangleChanged: {
                            const rect = cursorRectangle;
                            if (rect.y < editorView.contentY)
                                editorView.contentY = rect.y;
                            else if (rect.y + rect.height > editorView.contentY + editorView.height)
                                editorView.contentY = rect.y + rect.height - editorView.height;
                        }

                        // Lies where the typed text starts while the text is exactly empty; it takes no clicks.
                        Text {
                            objectName: "editorPlaceholder"
                            x: editor.leftPadding
                            y: editor.topPadding
                            visible: editor.text === ""
                            text: qsTr("Collez ou saisissez votre texte ici…")
                            font: editor.font
                            color: Colors.withOpacity(Colors.muted, 0.6)
                            Accessible.ignored: true
                        }
                    }

                    VerticalScrollBar {
                        flickable: editorView
                    }
                }
            }

            RowLayout {
                Layout.fillWidth: true

                Item {
                    Layout.fillWidth: true
                }

                // The phone's page follows the slides section by section.
                Text {
                    objectName: "sectionCounter"
                    readonly property double count: ViewRules.sectionCount(tab.scriptText)
                    visible: count > 0
                    text: qsTr("%1 %2 ·").arg(String(count)).arg(count === 1 ? qsTr("section") : qsTr("sections"))
                    font.pixelSize: TextStyle.caption2
                    font.weight: Font.Medium
                    color: Colors.muted
                    Accessible.role: Accessible.StaticText
                    Accessible.name: text
                }

                Text {
                    objectName: "wordCounter"
                    readonly property double count: ViewRules.wordCount(tab.scriptText)
                    text: qsTr("%1 %2").arg(String(count)).arg(count === 1 ? qsTr("mot") : qsTr("mots"))
                    font.pixelSize: TextStyle.caption2
                    font.weight: Font.Medium
                    color: Colors.muted
                    Accessible.role: Accessible.StaticText
                    Accessible.name: text
                }
            }
        }

        FilledButton {
            id: sendButton
            objectName: "sendButton"
            Layout.fillWidth: true
            symbol: "paperplane.fill"
            text: qsTr("Envoyer à l'iPhone")
            enabled: tab.canSend
            fill: tab.canSend ? Colors.accent : Colors.withOpacity(Colors.muted, 0.3)
            font.pixelSize: TextStyle.body
            font.weight: Font.DemiBold
            verticalPadding: 12
            radius: 12
            onClicked: RemoteService.sendText(tab.title, tab.scriptText)
        }

        // Slides in from the top and fades in with the first status; the service never clears it.
        Item {
            id: statusSlot
            readonly property bool shown: tab.sendStatus !== ""
            Layout.fillWidth: true
            implicitHeight: shown ? statusBanner.implicitHeight : 0
            visible: shown || statusBanner.opacity > 0
            clip: true
            Behavior on implicitHeight {
                NumberAnimation {
                    duration: 300
                    easing.type: Easing.InOutQuad
                }
            }

            SendStatusBanner {
                id: statusBanner
                objectName: "sendStatusBanner"
                width: parent.width
                message: tab.sendStatus
                isSuccess: RemoteService.isTextSendSuccessful
                y: statusSlot.shown ? 0 : -implicitHeight
                opacity: statusSlot.shown ? 1 : 0
                Behavior on y {
                    NumberAnimation {
                        duration: 300
                        easing.type: Easing.InOutQuad
                    }
                }
                Behavior on opacity {
                    NumberAnimation {
                        duration: 300
                        easing.type: Easing.InOutQuad
                    }
                }
            }
        }

        Item {
            Layout.minimumHeight: 16
        }
    }
}
