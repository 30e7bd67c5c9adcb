// Accessible objects of this program's own: a control answers WM_GETOBJECT
// with an object that takes everything from the system's standard object
// for its window but what is set here (name, role, default action, keyboard
// shortcut, the names of its children, what its default action does).
#pragma once
#include <windows.h>

#include <functional>

#include "base/text.h"

namespace gw {

struct AccessibleTraits {
  long role = 0;                            // ROLE_SYSTEM_...; 0: the standard object's
  std::function<Text()> name;               // empty: the standard object's
  std::function<Text()> shortcut;           // empty: the standard object's
  std::function<Text()> default_action;     // empty: the standard object's
  std::function<void()> do_default_action;  // empty: the standard object's
  // The name of child `child` (1, 2, ...); empty: the standard object's.
  std::function<Text(long child)> child_name;
};

// From now on `hwnd` answers WM_GETOBJECT for its client area with an object
// of these traits; again for the same window, the traits are replaced. The
// traits go with the window.
void MakeAccessible(HWND hwnd, AccessibleTraits traits);

// Names `hwnd` for the accessibility layer, when a client first asks:
// through the system's annotation service, which keeps the control's own
// object (and with it the text patterns of an edit field); where that
// service is missing (Wine), through an object of the program's own.
void NameForAccessibility(HWND hwnd, std::function<Text()> name);

// Names the field after the label `label`, from the label's caption.
void NameFieldByLabel(HWND field, HWND label);

// The text of a control as the accessibility layer reads names: without the
// "&" of a mnemonic and the trailing colon.
Text ControlLabelName(HWND control);

}  // namespace gw
