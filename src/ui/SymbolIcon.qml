import QtQuick
import Quorvelantis.Remote

// A desktop symbol by its name ("keyboard", "doc.text", …), drawn as a ligature of the Material Icons font.
// The only place that knows the font: set `symbol`, a size and a colour.
Text {
    property string symbol

    readonly property var materialNames: ({
            "keyboard": "keyboard",
            "doc.text": "description",
            "iphone.radiowaves.left.and.right": "phonelink_ring",
            "antenna.radiowaves.left.and.right": "cell_tower",
            "checkmark.circle.fill": "check_circle",
            "circle.dashed": "radio_button_unchecked",
            "network": "lan",
            "exclamationmark.triangle.fill": "warning",
            "doc.on.doc": "content_copy",
            "qrcode": "qr_code",
            "arrow.clockwise": "refresh",
            "display": "desktop_windows",
            "play.rectangle": "slideshow",
            "checkmark.shield": "verified_user",
            "forward.fill": "fast_forward",
            "backward.fill": "fast_rewind",
            "forward.end.fill": "skip_next",
            "backward.end.fill": "skip_previous",
            "tv.slash": "tv_off",
            "bolt.horizontal": "bolt",
            "info.circle.fill": "info",
            "character.cursor.ibeam": "text_fields",
            "text.alignleft": "format_align_left",
            "paperplane.fill": "send"
        })

    text: materialNames[symbol] ?? ""
    textFormat: Text.PlainText
    font.family: "Material Icons"
    font.weight: Font.Normal
    Accessible.ignored: true
}
