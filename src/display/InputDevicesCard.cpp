#include "display/InputDevicesCard.h"

#include "app/Texts.h"
#include "design/Card.h"
#include "design/Controls.h"
#include "design/Paint.h"
#include "design/Rows.h"
#include "design/Shapes.h"
#include "design/Symbols.h"
#include "design/TextLine.h"
#include "design/Theme.h"
#include "design/ViewSync.h"
#include "display/InputSourceMenu.h"

#include <QEvent>
#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>
#include <algorithm>

namespace {

QString codeKey(uint16_t code) { return DisplayManager::codeText(code); }

} // namespace

// ---- InputSymbolMenu

InputSymbolMenu::InputSymbolMenu(QWidget* parent) : GlassMenuButton(QString(), "cable.connector", parent)
{
    setForm(Form::plain);
    setIndicatorVisible(false);
    setFixedSize(30, 30);
    setToolTip(Texts::tr("Simgeyi değiştir"));
}

void InputSymbolMenu::setShown(const QString& symbol, bool active)
{
    setSymbol(symbol);
    setAccessibleName(InputDeviceRow::symbolName(symbol));
    active_ = active;
    update();
}

void InputSymbolMenu::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    p.fillPath(circle(r), active_ ? kvmAccent(this) : primaryColor(this, 0.08));
    if (isDown())
        p.fillPath(circle(r), QColor(0, 0, 0, 30));
    Symbols::draw(p, symbol(), Symbols::boxFor(13, r.center()), active_ ? QColor(Qt::white) : secondaryColor(this),
                  SymbolWeight::semibold);
    if (hasFocus()) {
        p.setPen(QPen(withAlpha(kvmAccent(this), 0.7), 2));
        p.drawPath(circle(r.adjusted(1, 1, -1, -1)));
    }
}

// ---- InputDeviceRow

const std::vector<std::pair<QString, QString>>& InputDeviceRow::symbolChoices()
{
    static const std::vector<std::pair<QString, QString>> all{
        {"laptopcomputer", Texts::tr("Dizüstü")},   {"desktopcomputer", Texts::tr("Masaüstü")},
        {"macmini", "Mac mini"},                    {"pc", "PC"},
        {"gamecontroller", Texts::tr("Oyun konsolu")}, {"tv", Texts::tr("TV kutusu")},
        {"appletv", "Apple TV"},                    {"play.rectangle", Texts::tr("Medya oynatıcı")},
        {"display", Texts::tr("Ekran")},            {"cable.connector", Texts::tr("Genel")},
    };
    return all;
}

QString InputDeviceRow::symbolName(const QString& symbol)
{
    for (const auto& [s, name] : symbolChoices())
        if (s == symbol)
            return name;
    return Texts::tr("Genel");
}

InputDeviceRow::InputDeviceRow(DisplayManager& display, DisplayManager::InputChoice choice, QWidget* parent)
    : QWidget(parent), display_(display), choice_(std::move(choice))
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(6, 5, 6, 5);
    row->setSpacing(10);

    symbolMenu_ = new InputSymbolMenu;
    symbolMenu_->setMenuFill([this](QMenu& menu) { fillSymbols(menu); });
    row->addWidget(symbolMenu_);

    auto* texts = new QVBoxLayout;
    texts->setSpacing(1);
    name_ = new TextField;
    name_->setFont(design::bodyFont(QFont::Medium));
    connect(name_, &QLineEdit::textEdited, this, [this](const QString& text) {
        edit([&](DisplayManager::InputDevice& d) { d.name = text; });
    });
    texts->addWidget(name_);
    port_ = new TextLine(QString(), design::subheadlineFont(), TextLine::Tone::secondary);
    auto* portRow = new QHBoxLayout;
    portRow->addSpacing(4); // under the field's text, which the field insets by its margins
    portRow->addWidget(port_, 1);
    texts->addLayout(portRow);
    row->addLayout(texts, 1);
    row->addSpacing(8);

    chip_ = new StatusChip(QString(), "checkmark.circle.fill", SystemColor::green);
    row->addWidget(chip_);
    switch_ = new GlassButton(Texts::tr("Geç"));
    switch_->setFont(design::calloutFont());
    switch_->setToolTip(Texts::tr("Monitörü bu girişe geçir"));
    connect(switch_, &QPushButton::clicked, this, [this] { InputSourceMenu::switchTo(display_, choice_.code); });
    row->addWidget(switch_);

    hide_ = new GlassButton(QString(), "eye.slash", GlassButton::Form::plain);
    hide_->setFixedSize(22, 22);
    connect(hide_, &QPushButton::clicked, this, [this] {
        edit([](DisplayManager::InputDevice& d) { d.hidden = !d.hidden; });
    });
    row->addWidget(hide_);

    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    setChoice(choice_);
}

bool InputDeviceRow::isActive() const { return display_.currentInput() == choice_.code; }

void InputDeviceRow::setChoice(const DisplayManager::InputChoice& choice)
{
    choice_ = choice;
    const bool active = isActive();
    symbolMenu_->setShown(InputSourceMenu::shownSymbol(choice_), active);
    name_->setPlaceholderText(choice_.isThisMac ? DisplayManager::thisMacName() : Texts::tr("Cihaz adı ekle"));
    // Each row's controls carry their input in their names, so a screen reader tells the rows apart.
    name_->setAccessibleName(Texts::tr("%1 için cihaz adı", choice_.port));
    name_->syncText(choice_.device.name);
    port_->setText(choice_.port);

    chip_->setVisible(choice_.isThisMac || active);
    if (choice_.isThisMac) {
        chip_->setText(Texts::tr("Bu Mac"));
        chip_->setTint(SystemColor::green);
    } else if (active) {
        chip_->setText(Texts::tr("Etkin"));
        chip_->setTint(Tint::accent());
    }
    switch_->setVisible(!choice_.isThisMac && !active && !choice_.device.hidden);
    switch_->setAccessibleName(Texts::tr("%1 girişine geç", choice_.port));

    hide_->setSymbol(choice_.device.hidden ? "eye" : "eye.slash");
    hide_->setTint(Tint::secondary());
    hide_->setToolTip(choice_.device.hidden ? Texts::tr("Menüde göster") : Texts::tr("Menüde gizle"));
    hide_->setAccessibleName(choice_.device.hidden ? Texts::tr("%1 girişini menüde göster", choice_.port)
                                                   : Texts::tr("%1 girişini menüde gizle", choice_.port));
    const bool locked = choice_.isThisMac || active; // this Mac's and the active input stay in the menu
    hide_->setEnabled(!locked);
    // The button draws itself at 0.45 when disabled; this brings it to 0.3.
    if (locked && !hide_->graphicsEffect()) {
        auto* dim = new QGraphicsOpacityEffect(hide_);
        dim->setOpacity(0.3 / 0.45);
        hide_->setGraphicsEffect(dim);
    } else if (!locked && hide_->graphicsEffect()) {
        hide_->setGraphicsEffect(nullptr);
    }
}


void InputDeviceRow::edit(const std::function<void(DisplayManager::InputDevice&)>& change)
{
    DisplayManager::InputDevice device = choice_.device;
    for (const auto& c : InputSourceMenu::choices(display_))
        if (c.code == choice_.code)
            device = c.device;
    change(device);
    display_.setInputDevice(device, choice_.code);
}

void InputDeviceRow::fillSymbols(QMenu& menu)
{
    addMenuSection(menu, Texts::tr("Simge"));
    QStringList titles;
    int checked = -1;
    const QString shown = InputSourceMenu::shownSymbol(choice_);
    const auto& all = symbolChoices();
    for (size_t i = 0; i < all.size(); ++i) {
        titles << all[i].second;
        if (all[i].first == shown)
            checked = int(i);
    }
    const auto actions = addMenuChoices(menu, titles, checked, [this](int i) {
        const QString symbol = symbolChoices()[size_t(i)].first;
        edit([&](DisplayManager::InputDevice& d) { d.symbol = symbol; });
    });
    for (qsizetype i = 0; i < actions.size(); ++i)
        actions[i]->setIcon(Symbols::icon(all[size_t(i)].first, &menu));
}

// ---- InputDevicesCard

std::vector<DisplayManager::InputChoice> InputDevicesCard::ordered(std::vector<DisplayManager::InputChoice> choices)
{
    std::stable_sort(choices.begin(), choices.end(),
                     [](const auto& a, const auto& b) { return a.isThisMac && !b.isThisMac; });
    return choices;
}

InputDevicesCard::InputDevicesCard(DisplayManager& display, QWidget* parent) : QWidget(parent), display_(display)
{
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* card = new Card(14, this);
    outer->addWidget(card);

    card->addWidget(new CardHeader(Texts::tr("Bağlı cihazlar"), "rectangle.connected.to.line.below", Tint::secondary()));
    card->addWidget(new WrappingText(Texts::tr("Her girişe bağlı cihaza bir ad verin; menüde port yerine bu ad "
                                               "görünür. Başka bir cihaza geçmek KVM'i ona aktarır."),
                                     design::calloutFont()));

    auto* list = new QWidget;
    auto* listColumn = new QVBoxLayout(list);
    listColumn->setContentsMargins(0, 0, 0, 0);
    listColumn->setSpacing(2);
    visible_ = std::make_unique<KeyedRows>(listColumn);
    card->addWidget(list);

    auto* hiddenList = new QWidget;
    auto* hiddenColumn = new QVBoxLayout(hiddenList);
    hiddenColumn->setContentsMargins(0, 4, 0, 0);
    hiddenColumn->setSpacing(2);
    hidden_ = std::make_unique<KeyedRows>(hiddenColumn);
    hiddenGroup_ = new DisclosureGroup(QString(), BoolBinding{[this] { return showHidden_; },
                                                              [this](bool open) { showHidden_ = open; }},
                                       hiddenList);
    card->addWidget(hiddenGroup_);

    sync_ = new ViewSync(this, [this] { sync(); });
    sync_->follow(&display_, &DisplayManager::changed);
    sync();
}

InputDevicesCard::~InputDevicesCard() = default;

void InputDevicesCard::sync()
{
    const auto choices = ordered(InputSourceMenu::choices(display_));
    QStringList shownKeys, hiddenKeys;
    for (const auto& c : choices)
        (c.device.hidden ? hiddenKeys : shownKeys) << codeKey(c.code);
    auto make = [this, &choices](const QString& key) -> QWidget* {
        for (const auto& c : choices)
            if (codeKey(c.code) == key)
                return new InputDeviceRow(display_, c);
        return nullptr;
    };
    visible_->sync(shownKeys, make);
    hidden_->sync(hiddenKeys, make);
    for (const auto& c : choices)
        if (auto* r = row(c.code))
            r->setChoice(c);
    hiddenGroup_->setVisible(!hiddenKeys.isEmpty());
    hiddenGroup_->setTitle(Texts::tr("Gizlenen girişler (%1)", int(hiddenKeys.size())));
    hiddenGroup_->refresh();
}

InputDeviceRow* InputDevicesCard::row(uint16_t code) const
{
    if (auto* r = visible_->row<InputDeviceRow>(codeKey(code)))
        return r;
    return hidden_->row<InputDeviceRow>(codeKey(code));
}

std::vector<uint16_t> InputDevicesCard::visibleCodes() const
{
    std::vector<uint16_t> out;
    for (const QString& k : visible_->keys())
        out.push_back(uint16_t(k.toUInt(nullptr, 16)));
    return out;
}

std::vector<uint16_t> InputDevicesCard::hiddenCodes() const
{
    std::vector<uint16_t> out;
    for (const QString& k : hidden_->keys())
        out.push_back(uint16_t(k.toUInt(nullptr, 16)));
    return out;
}
