#include "window/PowerSection.h"

#include "app/Texts.h"
#include "battery/BatteryManager.h"
#include "battery/HistorySection.h"
#include "design/Card.h"
#include "design/Controls.h"
#include "design/Gauges.h"
#include "design/Grid.h"
#include "design/Paint.h"
#include "design/Rows.h"
#include "design/ViewSync.h"

#include <QVBoxLayout>
#include <algorithm>

StatList::StatList(QWidget* parent) : QWidget(parent)
{
    layout_ = new QVBoxLayout(this);
    layout_->setContentsMargins(0, 0, 0, 0);
    layout_->setSpacing(6);
}

void StatList::setFaces(const std::vector<StatFace>& faces)
{
    if (faces == faces_)
        return;
    const bool sameLabels = faces.size() == faces_.size() &&
                            std::equal(faces.begin(), faces.end(), faces_.begin(),
                                       [](const StatFace& a, const StatFace& b) { return a.label == b.label; });
    faces_ = faces;
    if (!sameLabels) {
        for (StatRow* row : rows_)
            retireWidget(row);
        rows_.clear();
        for (const StatFace& face : faces_) {
            auto* row = new StatRow(face.label, face.value, face.secondary);
            layout_->addWidget(row);
            rows_.push_back(row);
        }
        return;
    }
    for (size_t i = 0; i < faces_.size(); ++i) {
        rows_[i]->setValue(faces_[i].value);
        rows_[i]->setSecondary(faces_[i].secondary);
    }
}

namespace {

QString mAh(int capacity) { return Texts::tr("%1 mAh", capacity); }

Card* card(const QString& title, const QString& symbol, Tint tint)
{
    auto* c = new Card(14);
    c->addWidget(new CardHeader(title, symbol, tint));
    return c;
}

} // namespace

std::vector<StatFace> PowerSection::electrics(const BatteryTelemetry& t, std::optional<int> minutesRemaining,
                                              bool isCharging)
{
    const QString sign = t.batteryPower >= 0 ? QStringLiteral("+") : QString();
    std::vector<StatFace> rows{
        {Texts::tr("Akım"), Texts::tr("%1 A", Texts::decimal(t.amperage, 2)), std::nullopt},
        {Texts::tr("Voltaj"), Texts::tr("%1 V", Texts::decimal(t.voltage, 2)), std::nullopt},
        {Texts::tr("Pil gücü"), Texts::tr("%1 W", sign + Texts::decimal(t.batteryPower, 2)), std::nullopt},
        {Texts::tr("Sistem yükü"), Texts::tr("%1 W", Texts::decimal(t.systemLoad, 1)), std::nullopt},
    };
    if (t.remainingCapacity) {
        std::optional<QString> share;
        if (t.fullCapacity && *t.fullCapacity > 0)
            share = Texts::tr("%%1", Texts::decimal(std::min(100.0 * *t.remainingCapacity / *t.fullCapacity, 100.0), 1));
        rows.push_back({Texts::tr("Kalan şarj"), mAh(*t.remainingCapacity), share});
    }
    if (minutesRemaining) {
        const int minutes = *minutesRemaining;
        rows.push_back({isCharging ? Texts::tr("Dolmasına") : Texts::tr("Kalan süre"),
                        Texts::tr("%1 sa %2 dk", minutes / 60, minutes % 60), std::nullopt});
    }
    return rows;
}

PowerSection::Health PowerSection::health(const BatteryTelemetry& t, std::optional<int> healthPercent,
                                          std::optional<int> cycleCount)
{
    Health out;
    if (t.designCapacity)
        out.rows.push_back({Texts::tr("Tasarım kapasitesi"), mAh(*t.designCapacity), Texts::tr("%100")});
    if (t.fullCapacity)
        out.rows.push_back({Texts::tr("Maksimum kapasite"), mAh(*t.fullCapacity),
                            healthPercent ? std::optional(Texts::tr("%%1", *healthPercent)) : std::nullopt});
    if (cycleCount)
        out.rows.push_back({Texts::tr("Döngü sayısı"), QString::number(*cycleCount), std::nullopt});
    out.percent = healthPercent;
    return out;
}

SystemColor PowerSection::healthTint(int percent)
{
    return percent < 70 ? SystemColor::orange : percent < 80 ? SystemColor::yellow : SystemColor::green;
}

QString PowerSection::healthSentence(int percent)
{
    return percent < 80 ? Texts::tr("Kapasite tasarımın %%1'i; Apple %80 altını servis eşiği sayar", percent)
                        : Texts::tr("Kapasite normal aralıkta");
}

std::vector<StatFace> PowerSection::adapter(const BatteryTelemetry& t)
{
    std::vector<StatFace> rows;
    if (t.adapterName)
        rows.push_back({Texts::tr("Tür"), *t.adapterName, std::nullopt});
    rows.push_back({Texts::tr("Çekilen güç"), Texts::tr("%1 W", Texts::decimal(t.adapterPower, 1)),
                    t.adapterRated ? std::optional(Texts::tr("%1 W", *t.adapterRated)) : std::nullopt});
    if (t.adapterVoltage)
        rows.push_back({Texts::tr("Voltaj"), Texts::tr("%1 V", Texts::decimal(*t.adapterVoltage, 1)), std::nullopt});
    if (t.adapterCurrent)
        rows.push_back({Texts::tr("Maks. akım"), Texts::tr("%1 A", Texts::decimal(*t.adapterCurrent, 2)), std::nullopt});
    return rows;
}

PowerSection::PowerSection(BatteryManager& battery, BatteryLive& live, QWidget* parent)
    : QWidget(parent), battery_(battery), live_(live)
{
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* grid = new MasonryGrid(300, 12);
    outer->addWidget(grid);

    Card* flow = card(Texts::tr("Güç dağılımı"), "bolt.horizontal", Tint());
    split_ = new PowerSplitBar(0, 0, 0);
    flow->addWidget(split_);
    grid->addWidget(flow);

    Card* electrics = card(Texts::tr("Elektriksel"), "bolt.fill", SystemColor::yellow);
    electrics_ = new StatList;
    electrics->addWidget(electrics_);
    grid->addWidget(electrics);

    Card* health = card(Texts::tr("Sağlık"), "heart.fill", SystemColor::pink);
    health_ = new StatList;
    health->addWidget(health_);
    healthBar_ = new BatteryBar(0, 80, SystemColor::green, 8);
    health->addWidget(healthBar_);
    healthText_ = new WrappingText(QString(), design::calloutFont());
    health->addWidget(healthText_);
    grid->addWidget(health);

    Card* adapter = card(Texts::tr("Güç adaptörü"), "powerplug.fill", SystemColor::yellow);
    unplugged_ = new WrappingText(Texts::tr("Adaptör bağlı değil."), design::bodyFont());
    adapter->addWidget(unplugged_);
    adapter_ = new StatList;
    adapter->addWidget(adapter_);
    grid->addWidget(adapter);

    auto* binding = new ViewSync(this, [this] { sync(); });
    binding->follow(&battery_, &BatteryManager::changed).follow(&live_, &BatteryLive::changed);
    sync();
}

void PowerSection::sync()
{
    const BatteryTelemetry& t = live_.telemetry();
    split_->setValues(t.adapterPower, t.batteryPower, t.systemLoad);
    electrics_->setFaces(electrics(t, battery_.minutesRemaining(), battery_.isCharging()));
    const Health h = health(t, battery_.healthPercent(), battery_.cycleCount());
    health_->setFaces(h.rows);
    healthBar_->setVisible(h.percent.has_value());
    healthText_->setVisible(h.percent.has_value());
    if (h.percent) {
        healthBar_->setValues(*h.percent, 80);
        healthBar_->setTint(healthTint(*h.percent));
        healthText_->setText(healthSentence(*h.percent));
    }
    unplugged_->setVisible(!battery_.onAC());
    adapter_->setVisible(battery_.onAC());
    adapter_->setFaces(battery_.onAC() ? adapter(t) : std::vector<StatFace>{});
}

HistoryContainer::HistoryContainer(BatteryManager& battery, QWidget* parent) : QWidget(parent), battery_(battery)
{
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    section_ = new HistorySection(battery_.history(), battery_.limit());
    outer->addWidget(section_);
    // The section draws again only when its samples or limit changed.
    auto* binding = new ViewSync(this, [this] { section_->setContent(battery_.history(), battery_.limit()); });
    binding->follow(&battery_, &BatteryManager::changed);
}
