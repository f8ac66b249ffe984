#include "framework/Resources.h"

#include <QBuffer>
#include <QByteArray>
#include <QIcon>
#include <QImageReader>
#include <QPixmap>
#include <map>
#include <memory>
#include <mutex>
#include <span>

namespace {

struct IconResource {
    std::span<const unsigned char> bytes;
    std::unique_ptr<QIcon> icon;  // made on first load
};

std::mutex g_mutex;
std::map<UINT, const DialogTemplate*> g_dialogs;
std::map<UINT, IconResource> g_icons;

std::unique_ptr<QIcon> DecodeIcon(std::span<const unsigned char> bytes) {
    QByteArray data = QByteArray::fromRawData(reinterpret_cast<const char*>(bytes.data()),
                                              static_cast<qsizetype>(bytes.size()));
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    auto icon = std::make_unique<QIcon>();
    // Every image of the file: the window system picks the size it needs.
    do {
        QImage image = reader.read();
        if (!image.isNull()) {
            icon->addPixmap(QPixmap::fromImage(image));
        }
    } while (reader.jumpToNextImage());
    if (icon->isNull()) {
        return nullptr;
    }
    return icon;
}

}  // namespace

void RegisterDialogResource(UINT nID, const DialogTemplate& dialogTemplate) {
    std::lock_guard lock(g_mutex);
    g_dialogs[nID] = &dialogTemplate;
}

const DialogTemplate* FindDialogResource(UINT nID) {
    std::lock_guard lock(g_mutex);
    auto it = g_dialogs.find(nID);
    return it == g_dialogs.end() ? nullptr : it->second;
}

void RegisterIconResource(UINT nID, const unsigned char* data, std::size_t size) {
    std::lock_guard lock(g_mutex);
    IconResource& resource = g_icons[nID];
    if (resource.bytes.data() != data || resource.bytes.size() != size) {
        resource.bytes = std::span<const unsigned char>(data, size);
        resource.icon.reset();
    }
}

HICON LoadIconW(HINSTANCE, LPCWSTR lpIconName) {
    if (!IS_INTRESOURCE(lpIconName)) {
        return nullptr;
    }
    const auto nID = static_cast<UINT>(reinterpret_cast<std::uintptr_t>(lpIconName));
    std::lock_guard lock(g_mutex);
    auto it = g_icons.find(nID);
    if (it == g_icons.end()) {
        return nullptr;
    }
    if (!it->second.icon) {
        it->second.icon = DecodeIcon(it->second.bytes);
    }
    return reinterpret_cast<HICON>(it->second.icon.get());
}
