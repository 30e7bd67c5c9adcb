#include "base/ole_win32.h"

#include <windows.h>
#include <ole2.h>

namespace gw {

namespace {

enum class OleState { NotTried, Initialised, Failed };
OleState g_ole = OleState::NotTried;

}  // namespace

bool EnsureOle() {
  if (g_ole == OleState::NotTried)
    g_ole = SUCCEEDED(OleInitialize(nullptr)) ? OleState::Initialised : OleState::Failed;
  return g_ole == OleState::Initialised;
}

void ReleaseOle() {
  if (g_ole == OleState::Initialised) OleUninitialize();
  g_ole = OleState::NotTried;
}

}  // namespace gw
