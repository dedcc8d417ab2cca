pragma Singleton
import QtQml

// The desktop text styles the views name, as sizes in logical pixels; each place sets the weight it asks for.
QtObject {
    readonly property int caption: 10
    readonly property int caption2: 10
    readonly property int callout: 12
    readonly property int body: 13
    readonly property int title3: 15
    readonly property int title2: 17
    readonly property int title: 22
    // Symbols beside caption-sized text: below this size their shapes no longer read.
    readonly property int smallSymbol: 14
    readonly property string monospace: "monospace"
}
