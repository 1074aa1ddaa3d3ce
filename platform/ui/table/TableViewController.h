#pragma once

#include <memory>

#include "platform/ui/table/TableView.h"
#include "platform/ui/table/TableViewDataSource.h"
#include "platform/ui/table/TableViewDelegate.h"
#include "platform/ui/ViewController.h"

namespace platform {

// A screen built around a table. Without a table handed over through setTableView(), the view
// is a new table with this controller as its data source and delegate. A table handed over is
// wired by whoever built it, and may sit inside a larger view given with setView().
class TableViewController : public ViewController,
                            public TableViewDataSource,
                            public TableViewDelegate {
public:
    // Loads the view when the table does not exist yet.
    std::shared_ptr<TableView> tableView();
    void setTableView(std::shared_ptr<TableView> tableView) { tableView_ = std::move(tableView); }

    void loadView() override;
    // Also puts the table into or out of editing.
    void setEditing(bool editing, bool animated) override;

private:
    std::shared_ptr<TableView> tableView_;
};

}  // namespace platform
