#pragma once

#include <memory>
#include <string>

#include "platform/ui/BarButtonItem.h"
#include "platform/ui/NavigationItem.h"
#include "platform/ui/View.h"

namespace platform {

class NavigationController;

enum class InterfaceOrientation {
    Portrait = 1,
    PortraitUpsideDown = 2,
    LandscapeRight = 3,
    LandscapeLeft = 4,
};

// The controller of one screen: it owns the screen's view, made on first use, and hears about
// the view's lifecycle. Controllers are owned through shared_ptr (the navigation controller
// holds those it shows); the edit button's action holds its controller weakly.
class ViewController : public std::enable_shared_from_this<ViewController> {
public:
    static constexpr float kDefaultViewWidth = 320;
    static constexpr float kDefaultViewHeight = 416;

    ViewController();
    virtual ~ViewController();
    ViewController(const ViewController&) = delete;
    ViewController& operator=(const ViewController&) = delete;

    // The view, loaded on first use: loadView(), then viewDidLoad(). A view handed over with
    // setView() before that counts as loaded by loadView(): viewDidLoad() follows on first use.
    std::shared_ptr<View> view();
    void setView(std::shared_ptr<View> view);
    bool isViewLoaded() const { return view_ != nullptr; }

    virtual void loadView();
    virtual void viewDidLoad() {}
    virtual void viewWillAppear(bool /*animated*/) {}
    virtual void viewDidAppear(bool /*animated*/) {}
    virtual void viewWillDisappear(bool /*animated*/) {}
    virtual void viewDidDisappear(bool /*animated*/) {}
    // Views here are cheap to keep; nothing is given up by default.
    virtual void didReceiveMemoryWarning() {}
    // Upright portrait only, the one orientation of the screen.
    virtual bool shouldAutorotateToInterfaceOrientation(InterfaceOrientation orientation);

    // The title, also that of the navigation item (and so of a navigation bar showing it).
    const std::string& title() const { return title_; }
    void setTitle(std::string title);
    NavigationItem& navigationItem() { return *navigationItem_; }
    // The navigation controller showing this controller, if any; non-owning.
    NavigationController* navigationController() const { return navigationController_; }

    // A button that reads "Edit", or "Done" while editing; made once. Its action toggles
    // editing through setEditing(!isEditing(), true) until replaced.
    std::shared_ptr<BarButtonItem> editButtonItem();
    bool isEditing() const { return editing_; }
    virtual void setEditing(bool editing, bool animated);

private:
    friend class NavigationController;
    void toggleEditing();

    std::shared_ptr<View> view_;
    bool viewDidLoadCalled_ = false;
    std::string title_;
    std::shared_ptr<NavigationItem> navigationItem_;        // shared with the bar that shows it
    NavigationController* navigationController_ = nullptr;  // non-owning
    std::shared_ptr<BarButtonItem> editButtonItem_;
    BarButtonItemStyle editButtonRestingStyle_ = BarButtonItemStyle::Bordered;
    bool editing_ = false;
};

}  // namespace platform
