#include "platform/ui/ViewController.h"

#include "platform/foundation/Log.h"

namespace platform {

ViewController::ViewController() : navigationItem_(std::make_shared<NavigationItem>()) {}

ViewController::~ViewController() = default;

std::shared_ptr<View> ViewController::view() {
    if (!view_) loadView();
    if (!view_) {
        Log::print("ViewController: loadView made no view; using an empty one");
        view_ = std::make_shared<View>(Rect(0, 0, kDefaultViewWidth, kDefaultViewHeight));
    }
    if (!viewDidLoadCalled_) {
        viewDidLoadCalled_ = true;
        viewDidLoad();
    }
    return view_;
}

void ViewController::setView(std::shared_ptr<View> view) {
    if (view == view_) return;
    view_ = std::move(view);
    viewDidLoadCalled_ = false;
}

void ViewController::loadView() {
    setView(std::make_shared<View>(Rect(0, 0, kDefaultViewWidth, kDefaultViewHeight)));
}

bool ViewController::shouldAutorotateToInterfaceOrientation(InterfaceOrientation orientation) {
    return orientation == InterfaceOrientation::Portrait;
}

void ViewController::setTitle(std::string title) {
    title_ = std::move(title);
    navigationItem_->setTitle(title_);
}

std::shared_ptr<BarButtonItem> ViewController::editButtonItem() {
    if (!editButtonItem_) {
        editButtonItem_ = std::make_shared<BarButtonItem>(
            editing_ ? "Done" : "Edit",
            editing_ ? BarButtonItemStyle::Done : BarButtonItemStyle::Bordered);
        if (auto self = weak_from_this().lock())
            editButtonItem_->setTarget(self, &ViewController::toggleEditing);
        else
            Log::print(
                "ViewController: the edit button needs a shared controller; it does nothing");
    }
    return editButtonItem_;
}

void ViewController::toggleEditing() { setEditing(!editing_, true); }

void ViewController::setEditing(bool editing, bool /*animated*/) {
    if (editing == editing_) return;
    editing_ = editing;
    if (!editButtonItem_) return;
    // "Done" wears the Done style; the style the owner chose comes back with "Edit".
    if (editing) {
        editButtonRestingStyle_ = editButtonItem_->style();
        editButtonItem_->setStyle(BarButtonItemStyle::Done);
    } else {
        editButtonItem_->setStyle(editButtonRestingStyle_);
    }
    editButtonItem_->setTitle(editing ? "Done" : "Edit");
}

}  // namespace platform
