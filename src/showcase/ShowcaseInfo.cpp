// The info file: what the staging set up, for the tool that crops the screenshot.
#include "showcase/Showcase.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

QJsonArray rectangle(const QRectF& r) { return {r.x(), r.y(), r.width(), r.height()}; }

} // namespace

QByteArray Showcase::infoJson(const Info& info)
{
    // QJsonObject keeps its keys sorted, which is the order the file promises.
    QJsonObject anchorsObject;
    for (auto it = info.anchors.begin(); it != info.anchors.end(); ++it)
        anchorsObject.insert(it.key(), rectangle(it.value()));
    QJsonArray windows;
    for (const InfoWindow& w : info.windows)
        windows.append(QJsonObject{
            {"id", qint64(w.id)},
            {"class", w.className},
            {"title", w.title},
            {"identifier", w.identifier},
            {"frame", rectangle(w.frame)},
        });
    QJsonObject root{
        {"page", info.page},
        {"active", info.active},
        {"language", info.language},
        {"anchors", anchorsObject},
        {"windows", windows},
    };
    if (info.main)
        root.insert("main", qint64(*info.main));
    if (info.panel)
        root.insert("panel", qint64(*info.panel));
    if (info.backdrop)
        root.insert("backdrop", qint64(*info.backdrop));
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

void Showcase::writeInfo(const Info& info, const std::optional<QString>& path)
{
    if (!path)
        return;
    QFile file(*path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(infoJson(info));
}
