#pragma once
// The desktop's suspend and resume, as the window's power events: logind
// announces both with PrepareForSleep on the system bus.
#include <QDBusConnection>
#include <QObject>

namespace hrx::gui {

// The window's power-event numbers these notices stand for.
inline constexpr int kPowerSuspend = 4;            // the machine goes to sleep
inline constexpr int kPowerResumeAutomatic = 18;   // it is awake again

class PowerEvents : public QObject {
  Q_OBJECT

 public:
  inline static const QString kLogindService = QStringLiteral("org.freedesktop.login1");
  inline static const QString kLogindPath = QStringLiteral("/org/freedesktop/login1");
  inline static const QString kLogindInterface = QStringLiteral("org.freedesktop.login1.Manager");

  // Listens on `bus` for the sender `service`; without a bus (no logind,
  // no system bus) nothing is ever reported, which is no fault.
  explicit PowerEvents(const QDBusConnection& bus = QDBusConnection::systemBus(),
                       const QString& service = kLogindService, QObject* parent = nullptr);
  bool listening() const { return listening_; }

 Q_SIGNALS:
  void powerEvent(int pbt);

 public Q_SLOTS:
  void prepareForSleep(bool sleeping);

 private:
  bool listening_ = false;
};

}  // namespace hrx::gui
