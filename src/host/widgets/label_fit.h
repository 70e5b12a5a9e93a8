// A label laid out at a fixed place for its Portuguese text may read longer
// in another language ("de" is "from"): it grows to the left, its right edge
// (next to the control it names) staying where the layout puts it, so that
// nothing is cut and nothing else moves.
#pragma once

class QLabel;

namespace confcred::host::widgets {

// Widens `label` leftwards to its text's width when it is narrower, no
// further than `leftmost` (its parent's margin).
void fitLabelLeftward(QLabel& label, int leftmost = 2);

}  // namespace confcred::host::widgets
