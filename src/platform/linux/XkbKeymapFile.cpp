#include "platform/linux/XkbKeymapFile.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <sys/mman.h>
#include <unistd.h>
#include <xkbcommon/xkbcommon.h>

std::optional<XkbKeymapFile> createDefaultXkbKeymapFile()
{
    const std::unique_ptr<xkb_context, decltype(&xkb_context_unref)> context(
        xkb_context_new(XKB_CONTEXT_NO_FLAGS), &xkb_context_unref);
    if (!context)
        return std::nullopt;
    const std::unique_ptr<xkb_keymap, decltype(&xkb_keymap_unref)> keymap(
        xkb_keymap_new_from_names(context.get(), nullptr, XKB_KEYMAP_COMPILE_NO_FLAGS), &xkb_keymap_unref);
    if (!keymap)
        return std::nullopt;
    const std::unique_ptr<char, decltype(&std::free)> text(
        xkb_keymap_get_as_string(keymap.get(), XKB_KEYMAP_FORMAT_TEXT_V1), &std::free);
    if (!text)
        return std::nullopt;
    const size_t size = std::strlen(text.get()) + 1;
    const int fd = ::memfd_create("quorvelantis-keymap", MFD_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    if (::write(fd, text.get(), size) != static_cast<ssize_t>(size)) {
        ::close(fd);
        return std::nullopt;
    }
    return XkbKeymapFile { fd, static_cast<quint32>(size) };
}
