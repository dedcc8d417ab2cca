import QtQuick
import QtQuick.Layouts
import Quorvelantis.Remote

// The window's content: connection header, divider, tab bar and the selected tab.
Rectangle {
    id: view

    // The raw value of the selected tab; every new view starts on the Remote tab.
    property string selectedTab: "remote"
    readonly property var tabs: [{
            "raw": "remote",
            "title": qsTr("Télécommande"),
            "icon": "keyboard"
        }, {
            "raw": "sendText",
            "title": qsTr("Envoyer un texte"),
            "icon": "doc.text"
        }]

    color: Colors.paper

    ColumnLayout {
        anchors.fill: parent
        spacing: 0

        ConnectionHeader {
            Layout.fillWidth: true
        }

        Rectangle {
            Layout.fillWidth: true
            implicitHeight: 1
            color: Colors.line
        }

        Row {
            id: tabBar
            Layout.fillWidth: true
            Layout.leftMargin: 24
            Layout.rightMargin: 24

            Repeater {
                model: view.tabs

                TabBarButton {
                    required property var modelData
                    objectName: "tab_" + modelData.raw
                    width: tabBar.width / view.tabs.length
                    text: modelData.title
                    symbol: modelData.icon
                    selected: view.selectedTab === modelData.raw
                    onClicked: view.selectedTab = modelData.raw
                }
            }
        }

        // A tab is built anew each time it is selected, so it starts from its initial state.
        Loader {
            objectName: "tabContent"
            Layout.fillWidth: true
            Layout.fillHeight: true
            sourceComponent: view.selectedTab === "sendText" ? sendTextTab : remoteTab
        }
    }

    Component {
        id: remoteTab
        RemoteTab {}
    }

    Component {
        id: sendTextTab
        SendTextTab {}
    }
}
