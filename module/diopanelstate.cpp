#include "module/diopanelstate.h"

#include <QStringList>

#include "module/diotext.h"
#include "module/moduleprotocol.h"

void DioPanelState::Apply(const DioReading& reading) {
  Beat = Beat == 0 ? 1 : 0;
  if (!reading.Ok) {
    Key = QString::number(Beat + 2);
    Message = QString::fromLatin1(DioText::kPollFailed);
    return;
  }
  Key = QString::number(Beat);
  Message = QString::fromLatin1(DioText::kPolling);
  const unsigned outputs = ModuleProtocol::ReadHex(reading.DOByte);
  const unsigned inputs = ModuleProtocol::ReadHex(reading.DIByte);
  for (int i = 0; i < DOCount(); ++i) DOState[static_cast<size_t>(i)] = (outputs >> i) & 1;
  for (int i = 0; i < DICount(); ++i) DIState[static_cast<size_t>(i)] = (inputs >> i) & 1;
  Hex = QStringLiteral("0x") + QString::fromStdString(reading.DIByte + reading.DOByte);
  Read = true;
}

std::optional<std::string> DioPanelState::ToggleValue(int channel) const {
  if (!Read || channel < 0 || channel >= DOCount()) return std::nullopt;
  return DOOn(channel) ? std::string("0") : std::string("1");
}

QString DioPanelState::ChannelsText() const {
  QStringList channels;
  for (int i = 0; i < DICount(); ++i) channels.append(QStringLiteral("DI%1=%2").arg(i).arg(DIOn(i) ? 1 : 0));
  for (int i = 0; i < DOCount(); ++i) channels.append(QStringLiteral("DO%1=%2").arg(i).arg(DOOn(i) ? 1 : 0));
  return channels.join(QLatin1Char(' '));
}

QString DioPanelState::LampsText() const {
  QString di, dout;
  for (int i = 0; i < DICount(); ++i) di += DIOn(i) ? QLatin1Char('1') : QLatin1Char('0');
  for (int i = 0; i < DOCount(); ++i) dout += DOOn(i) ? QLatin1Char('1') : QLatin1Char('0');
  return QStringLiteral("DI ") + di + QStringLiteral(" DO ") + dout;
}
