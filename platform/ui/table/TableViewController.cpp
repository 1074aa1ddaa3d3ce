#include "platform/ui/table/TableViewController.h"

namespace platform {

std::shared_ptr<TableView> TableViewController::tableView() {
    if (!tableView_ && !isViewLoaded()) view();
    return tableView_;
}

void TableViewController::loadView() {
    if (!tableView_) {
        tableView_ = std::make_shared<TableView>(Rect(0, 0, kDefaultViewWidth, kDefaultViewHeight));
        tableView_->setAutoresizingMask(kAutoresizingFlexibleWidth | kAutoresizingFlexibleHeight);
        const auto self = std::static_pointer_cast<TableViewController>(weak_from_this().lock());
        tableView_->setDataSource(std::weak_ptr<TableViewDataSource>(self));
        tableView_->setDelegate(std::weak_ptr<TableViewDelegate>(self));
    }
    setView(tableView_);
}

void TableViewController::setEditing(bool editing, bool animated) {
    ViewController::setEditing(editing, animated);
    if (tableView_) tableView_->setEditing(editing, animated);
}

}  // namespace platform
