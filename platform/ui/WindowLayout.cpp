#include "platform/ui/WindowLayout.h"

namespace platform {

WindowLayout WindowLayout::forPixels(float width, float height) {
    WindowLayout layout;
    if (!(width > 0) || !(height > 0)) return layout;
    if (height >= kPortraitRatio * width) {
        layout.scale = width / kScreen.width;
        layout.points = {kScreen.width, height / layout.scale};
        return layout;
    }
    layout.scale = height / kScreen.height;
    layout.origin = {(width - kScreen.width * layout.scale) / 2, 0};
    return layout;
}

}  // namespace platform
