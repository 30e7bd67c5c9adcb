#include "mainwindow/elevated_target.h"

namespace gw {

InsertionRoute ChooseInsertionRoute(const IntegrityReadings& readings) {
  if (!readings.own) return InsertionRoute::Type;
  if (!readings.target_opened) return InsertionRoute::Type;
  if (!readings.target) return InsertionRoute::Clipboard;
  return *readings.target > *readings.own ? InsertionRoute::Clipboard : InsertionRoute::Type;
}

}  // namespace gw
