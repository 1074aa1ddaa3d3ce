#include "app/AboutViewController.h"

#include "app/RootViewController.h"
#include "platform/foundation/Url.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/ui/Application.h"
#include "platform/foundation/Services.h"

#include <limits>

void AboutViewController::connectOutlets(
    std::shared_ptr<platform::SegmentedControl> shakeTypeControl) {
    shakeTypeControl_ = std::move(shakeTypeControl);
}

void AboutViewController::viewDidLoad() {
    const auto stored = platform::services().defaults->objectForKey(kShakeTypeKey);
    const int64_t mode = stored ? stored->integerValue() : 0;
    // A mode beyond int's range selects no segment, as any other out-of-range mode does.
    const bool fits =
        mode >= std::numeric_limits<int>::min() && mode <= std::numeric_limits<int>::max();
    if (shakeTypeControl_)
        shakeTypeControl_->setSelectedSegmentIndex(fits ? static_cast<int>(mode)
                                                        : platform::SegmentedControl::kNoSegment);
}

void AboutViewController::goToWebsite(platform::Control&) {
    if (const auto url = platform::Url::URLWithString(kWEBSITE))
        platform::services().application->openURL(*url);
}

bool AboutViewController::shouldAutorotateToInterfaceOrientation(
    platform::InterfaceOrientation orientation) {
    return orientation == platform::InterfaceOrientation::Portrait;
}
