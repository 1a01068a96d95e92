#pragma once

#include "entry/Ufparam.h"

namespace entry {

// The value being dragged from one typed edit to another. A left mouse press on a typed
// edit takes its value and arms it; a drop on a typed edit delivers it and disarms it.
class TDragValue : public TFormatParam {
public:
    bool Armed = false;

    // Copies the holder's data type and value (or null); arms.
    void Take(const TFormatParam& holder);
    // Copies data type and value into the holder; disarms, also when the copy fails
    // and raises its error. The display format is never copied.
    void Deliver(TFormatParam& holder);
};

// The process-wide drag value.
extern TDragValue DragValue;

} // namespace entry
