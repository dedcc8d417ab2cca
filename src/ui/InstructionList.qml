import QtQuick
import QtQuick.Layouts
import Quorvelantis.Remote

// The four help lines; the first shows the phone's configuration symbol inside its text.
ColumnLayout {
    spacing: 10

    readonly property string beforeSymbol: qsTr("Sur l'iPhone, ouvrez un texte puis touchez l'icône ")
    readonly property string afterSymbol: qsTr(" en bas de l'écran pour configurer la connexion.")

    function escaped(text) {
        return text.replace(/&/g, "&amp;").replace(/</g, "&lt;").replace(/>/g, "&gt;");
    }

    // Lends its font and ligature to the symbol set inside the first line.
    SymbolIcon {
        id: inlineSymbol
        visible: false
        symbol: "display"
    }

    InstructionLabel {
        objectName: "firstInstruction"
        Layout.fillWidth: true
        symbol: "display"
        iconColor: Colors.accent
        fontWeight: Font.Medium
        textFormat: Text.RichText
        text: escaped(beforeSymbol) + "<span style=\"font-family:'" + inlineSymbol.font.family + "'; color:" + Colors.accent
            + ";\">" + inlineSymbol.text + "</span>" + escaped(afterSymbol)
        accessibleText: beforeSymbol + afterSymbol.trim()
    }

    InstructionLabel {
        Layout.fillWidth: true
        symbol: "play.rectangle"
        text: qsTr("Lancez votre présentation en mode diaporama ou plein écran.")
    }

    InstructionLabel {
        objectName: "accessInstruction"
        Layout.fillWidth: true
        symbol: "checkmark.shield"
        // What "Autoriser" will show on this desktop.
        text: {
            switch (RemoteService.accessRequestKind) {
            case "adminPassword":
                return qsTr("Cliquez sur Autoriser et saisissez le mot de passe administrateur.");
            case "consent":
            case "consentEachStart":
                return qsTr("Cliquez sur Autoriser, puis autorisez l'interaction à distance dans la fenêtre du bureau (aucun mot de passe).");
            default:
                return qsTr("Rien à autoriser sur ce bureau.");
            }
        }
    }

    InstructionLabel {
        Layout.fillWidth: true
        symbol: "network"
        text: qsTr("Si l'iPhone ne trouve pas le Mac, saisissez cette IP et le port dans l'app Quorvelantis.")
    }
}
