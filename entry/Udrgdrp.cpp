#include "entry/Udrgdrp.h"

namespace entry {

TDragValue DragValue;

void TDragValue::Take(const TFormatParam& holder) {
    assignValue(holder);
    Armed = true;
}

void TDragValue::Deliver(TFormatParam& holder) {
    struct Disarm {
        bool& armed;
        ~Disarm() { armed = false; }
    } disarm{Armed};
    holder.assignValue(*this);
}

} // namespace entry
