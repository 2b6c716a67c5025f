#include "app/gui/PowerEvents.h"

namespace hrx::gui {

PowerEvents::PowerEvents(const QDBusConnection& bus, const QString& service, QObject* parent) : QObject(parent) {
  QDBusConnection connection(bus);
  listening_ = connection.isConnected() &&
               connection.connect(service, kLogindPath, kLogindInterface, QStringLiteral("PrepareForSleep"), this,
                                  SLOT(prepareForSleep(bool)));
}

void PowerEvents::prepareForSleep(bool sleeping) { Q_EMIT powerEvent(sleeping ? kPowerSuspend : kPowerResumeAutomatic); }

}  // namespace hrx::gui
