#include "window/Router.h"

#include "app/Texts.h"

#include <QHash>

namespace {

struct Title {
    const char* source;
    const char* disambiguation; // the titles are the sidebar's own messages
};

struct PageInfo {
    const char* raw;
    Title title;
    const char* symbol;
};

constexpr PageInfo kPages[] = {
    {"overview", QT_TRANSLATE_NOOP3("Texts", "Genel Bakış", "sidebar"), "square.grid.2x2"},
    {"display", QT_TRANSLATE_NOOP3("Texts", "Ekran", "sidebar"), "display"},
    {"audio", QT_TRANSLATE_NOOP3("Texts", "Ses", "sidebar"), "speaker.wave.2"},
    {"mouse", QT_TRANSLATE_NOOP3("Texts", "Fare", "sidebar"), "computermouse"},
    {"battery", QT_TRANSLATE_NOOP3("Texts", "Şarj Kontrolü", "sidebar"), "battery.75percent"},
    {"kvm", QT_TRANSLATE_NOOP3("Texts", "KVM Profili", "sidebar"), "link"},
    {"general", QT_TRANSLATE_NOOP3("Texts", "Genel", "sidebar"), "gearshape"},
};

} // namespace

const std::array<Router::Page, 7>& Router::Page::allCases()
{
    static const std::array<Page, 7> all{overview, display, audio, mouse, battery, kvm, general};
    return all;
}

std::optional<Router::Page> Router::Page::fromRawValue(const QString& raw)
{
    for (Page p : allCases())
        if (p.rawValue() == raw)
            return p;
    return std::nullopt;
}

QString Router::Page::rawValue() const { return QString::fromLatin1(kPages[value_].raw); }

QString Router::Page::title() const
{
    return Texts::translateAs(kPages[value_].title.source, kPages[value_].title.disambiguation);
}

QString Router::Page::symbol() const { return QString::fromLatin1(kPages[value_].symbol); }

Router& Router::shared()
{
    static Router* router = new Router; // never destroyed: views may read it during shutdown
    return *router;
}

void Router::setPage(Page page)
{
    page_ = page;
    emit changed(); // every write redraws the observers, also the same page again
}

size_t qHash(Router::Page page, size_t seed) { return qHash(page.rawValue(), seed); }
