#include "shell/WaybillCacheNotice.h"

#include <QCoreApplication>
#include <QObject>

#include "refdata/RecordStores.h"
#include "refdata/WaybillCache.h"
#include "ui/ViewPage.h"

namespace {

// Watches the events of the window thread for save and delete notices.
class WaybillNoticeFilter : public QObject {
 public:
  explicit WaybillNoticeFilter(CWaybillCache& cache) : cache_(cache) {}

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == platform::PrivateMessageEvent::EventType()) {
      auto* message = static_cast<platform::PrivateMessageEvent*>(event);
      if (message->Message() == WM_PAGE_NOTIFY) {
        if (const auto* record = message->Payload<WaybillRecord>()) {
          cache_.Invalidate(record->irID > 0 ? record->irID : 0);
        } else if (const auto* input = message->Payload<InputWaybillRecord>()) {
          cache_.Invalidate(input->waybill.irID > 0 ? input->waybill.irID : 0);
        } else {
          cache_.Invalidate(0);  // which waybill is unknown: drop whatever is held
        }
      }
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  CWaybillCache& cache_;
};

}  // namespace

std::unique_ptr<QObject> WatchWaybillChanges(CWaybillCache& cache) {
  QCoreApplication* app = QCoreApplication::instance();
  if (app == nullptr) return nullptr;
  auto filter = std::make_unique<WaybillNoticeFilter>(cache);
  app->installEventFilter(filter.get());
  return filter;
}
