#pragma once
// Keeps the waybill cache honest: a form that saved or deleted a waybill
// posts WM_PAGE_NOTIFY with a copy of the record to its page; every such
// notice drops that waybill from the cache before the page handles it, so a
// print that follows reads the waybill anew.

#include <memory>

#include <QObject>

class CWaybillCache;

// Starts watching the notices of the window thread for the cache; the
// watch ends when the returned object goes.  nullptr while there is no
// application object.
std::unique_ptr<QObject> WatchWaybillChanges(CWaybillCache& cache);
