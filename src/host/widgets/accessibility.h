// Names for screen readers. A control without text of its own (an icon
// button, an edit, a date) is named after what the operator sees beside it:
// an icon button by its hint, an input by the label that is its buddy. The
// screens' controls are listed as assistive technology sees them, through
// Qt's accessibility interfaces (the automation driver and the tests).
#pragma once

#include <QString>
#include <vector>

class QWidget;

namespace confcred::host::widgets {

// Names every control under `root` that has no accessible name yet: buttons
// without text by their hint (tooltip), label buddies by their label's text
// (without the mnemonic's '&' and a closing ':').
void nameControls(QWidget* root);

struct AccessibleControl {
    QString role;  // "button", "checkbox", "radio", "text", "spinbox", "table", ...
    QString objectName;
    QString name;  // as assistive technology reads it
    QWidget* widget = nullptr;
};

// The controls under `root` in its own window, in focus-chain order: every
// button and every widget that takes the focus by Tab, leaving out the parts
// of composite controls (the edit inside a date edit, the buttons inside an
// edit or a tab bar).
std::vector<AccessibleControl> accessibleControls(QWidget* root);

}  // namespace confcred::host::widgets
