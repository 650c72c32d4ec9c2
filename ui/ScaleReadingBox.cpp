#include "ui/ScaleReadingBox.h"

#include <QLineEdit>

#include "devices/PortMessages.h"
#include "devices/ScaleReader.h"
#include "devices/ScaleSettingsForm.h"
#include "platform/QtMessages.h"
#include "platform/QtText.h"

bool ShowScaleReading(QEvent* event, CScaleReader& reader, QLineEdit* weight) {
  auto* m = platform::AsPrivateMessage(event);
  if (m == nullptr || m->Message() != devices::WM_PORT_RECEIVED) return false;
  const std::u16string text = ScaleWeightText(reader.ReadWeight());
  if (!text.empty()) weight->setText(platform::ToQString(text));
  return true;
}
