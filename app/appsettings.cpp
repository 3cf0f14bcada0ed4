#include "app/appsettings.h"

#include <QFileInfo>
#include <QSettings>

#include "link/port/talocomport.h"

namespace {

const QString kPortKey = QStringLiteral("Port/Last");
const QString kGeometryKey = QStringLiteral("MainWindow/Geometry");
const QString kVerifyKey = QStringLiteral("Image/VerifyAfterRestore");
// Quick answers became the default: the setting kept is the way back to
// the standard waits (the former "Device/QuickListings", saved at every
// exit, would hold the old default for everyone).
const QString kStandardWaitsKey = QStringLiteral("Device/StandardWaits");
const QString kLocalSortKey = QStringLiteral("Local/Sort");
const QString kDeviceSortKey = QStringLiteral("Device/Sort");
// Both panes' lists have four columns: name, size, type, modified.
constexpr int kListColumns = 4;

}  // namespace

AppSettings::AppSettings()
    : Store(new QSettings(QSettings::UserScope, QStringLiteral("talo7100"),
                          QStringLiteral("talo7100"))) {}

AppSettings::~AppSettings() { delete Store; }

QString AppSettings::LastPort() const { return Store->value(kPortKey).toString(); }

void AppSettings::SetLastPort(const QString& port) {
  if (port.isEmpty())
    Store->remove(kPortKey);
  else
    Store->setValue(kPortKey, port);
}

QByteArray AppSettings::WindowGeometry() const { return Store->value(kGeometryKey).toByteArray(); }

void AppSettings::SetWindowGeometry(const QByteArray& geometry) {
  Store->setValue(kGeometryKey, geometry);
}

bool AppSettings::VerifyAfterRestore() const { return Store->value(kVerifyKey, false).toBool(); }

void AppSettings::SetVerifyAfterRestore(bool verify) { Store->setValue(kVerifyKey, verify); }

bool AppSettings::QuickListings() const { return !Store->value(kStandardWaitsKey, false).toBool(); }

void AppSettings::SetQuickListings(bool quick) { Store->setValue(kStandardWaitsKey, !quick); }

ListSort AppSettings::LocalSort() const {
  return ListSort::FromText(Store->value(kLocalSortKey).toString(), kListColumns);
}

void AppSettings::SetLocalSort(const ListSort& sort) { Store->setValue(kLocalSortKey, sort.ToText()); }

ListSort AppSettings::DeviceSort() const {
  return ListSort::FromText(Store->value(kDeviceSortKey).toString(), kListColumns);
}

void AppSettings::SetDeviceSort(const ListSort& sort) { Store->setValue(kDeviceSortKey, sort.ToText()); }

bool AppSettings::Save() {
  Store->sync();
  return Store->status() == QSettings::NoError;
}

QString AppSettings::StartPort(const QString& commandLinePort, const QString& remembered) {
  if (!commandLinePort.isEmpty()) return commandLinePort;
  if (remembered.isEmpty()) return {};
  const QString device =
      QString::fromStdString(TaloComPort::ResolveDevicePath(remembered.toStdString()));
  return QFileInfo::exists(device) ? remembered : QString();
}
