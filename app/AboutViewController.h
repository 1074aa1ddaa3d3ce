#pragma once

#include "platform/ui/SegmentedControl.h"
#include "platform/ui/ViewController.h"

#include <memory>

// The maker's web site, opened outside the application.
inline constexpr const char* kWEBSITE = "https://soundboard.example.org/";

// The About screen: shows the stored shake mode on its segmented control and opens the maker's
// web site. The control's changes go to the board, which stores the mode; this screen never
// writes it.
class AboutViewController final : public platform::ViewController {
public:
    // Binds the shake-mode selector that the interface description built.
    void connectOutlets(std::shared_ptr<platform::SegmentedControl> shakeTypeControl);

    void viewDidLoad() override;
    void goToWebsite(platform::Control& sender);
    bool shouldAutorotateToInterfaceOrientation(
        platform::InterfaceOrientation orientation) override;

private:
    std::shared_ptr<platform::SegmentedControl> shakeTypeControl_;
};
