#include "SystemIconFont.h"

#include "UiLogging.h"

#include <fontconfig/fontconfig.h>

void hideIconFontWebCopies()
{
    // The session's configuration, plus one rule, read before any font is listed.
    FcConfig* config = FcInitLoadConfig();
    const auto rule = reinterpret_cast<const FcChar8*>(
        "<fontconfig><selectfont><rejectfont><glob>*/MaterialIcons-Regular.woff*</glob></rejectfont></selectfont>"
        "</fontconfig>");
    if (!config || !FcConfigParseAndLoadFromMemory(config, rule, FcTrue) || !FcConfigSetCurrent(config))
        qCWarning(lcUi, "Cannot hide the icon font's web copies: the window starts slower");
    if (config)
        FcConfigDestroy(config);
}
