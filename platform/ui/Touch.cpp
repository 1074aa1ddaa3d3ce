#include "platform/ui/Touch.h"

#include "platform/ui/View.h"

namespace platform {

Point Touch::locationInView(const View& view) const {
    return view.convertPointFrom(locationInWindow, nullptr);
}

Point Touch::previousLocationInView(const View& view) const {
    return view.convertPointFrom(previousLocationInWindow, nullptr);
}

}  // namespace platform
