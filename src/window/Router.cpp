#include "window/Router.h"

#include "app/Texts.h"

#include <QHash>

namespace {

struct PageInfo {
    const char* raw;
    const char* title;
    const char* symbol;
};

constexpr PageInfo kPages[] = {
    {"overview", QT_TRANSLATE_NOOP("Texts", "Genel Bakış"), "square.grid.2x2"},
    {"display", QT_TRANSLATE_NOOP("Texts", "Ekran"), "display"},
    {"audio", QT_TRANSLATE_NOOP("Texts", "Ses"), "speaker.wave.2"},
    {"mouse", QT_TRANSLATE_NOOP("Texts", "Fare"), "computermouse"},
    {"battery", QT_TRANSLATE_NOOP("Texts", "Şarj Kontrolü"), "battery.75percent"},
    {"kvm", QT_TRANSLATE_NOOP("Texts", "KVM Profili"), "link"},
    {"general", QT_TRANSLATE_NOOP("Texts", "Genel"), "gearshape"},
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

QString Router::Page::title() const { return Texts::tr(kPages[value_].title); }

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
