#include "display/DisplayManager.h"

DisplayManager::DisplayManager(QObject* parent) : QObject(parent) {}

void DisplayManager::setVolume(double value)
{
    volume_ = value;
    emit changed();
}
