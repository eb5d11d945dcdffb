#include "app/Updater.h"

#include "platform/Windowing.h"
#include "showcase/Showcase.h"

#include <QPointer>

Updater& Updater::shared()
{
    static Updater* updater = new Updater; // the controller lives for the process
    return *updater;
}

Updater::Updater()
{
    controller_ = std::make_unique<platform::updates::StandardUpdaterController>(!Showcase::isEnabled(), this);
    QPointer<Updater> self(this);
    controller_->updater().observeCanCheckForUpdates([self](bool can) {
        if (self && self->canCheck_ != can) {
            self->canCheck_ = can;
            emit self->changed();
        }
    });
}

Updater::~Updater() = default;

void Updater::checkForUpdates()
{
    platform::windowing::activateSelf();
    controller_->checkForUpdates();
}

bool Updater::automaticallyChecks() const { return controller_->updater().automaticallyChecksForUpdates(); }

void Updater::setAutomaticallyChecks(bool on)
{
    controller_->updater().setAutomaticallyChecksForUpdates(on);
    emit changed(); // the value lives in the framework, not here
}
