#pragma once

#include <memory>

#include "platform/foundation/IndexPath.h"

namespace platform {

class TableView;
class TableViewCell;

// What a table asks about its rows. The table keeps the row counts it was last given and asks
// again only at reloadData() and deleteRowsAtIndexPaths(), so a data source may change its
// answers at any time and tell the table at one of those two calls.
class TableViewDataSource {
public:
    virtual ~TableViewDataSource() = default;

    virtual int numberOfSectionsInTableView(TableView&) { return 1; }
    virtual int tableViewNumberOfRowsInSection(TableView& tableView, int section) = 0;
    // A cell for a row that is about to come on screen; the table takes it over. Ask the table
    // for a spare one first (dequeueReusableCellWithIdentifier) and make one only when there is
    // none.
    virtual std::shared_ptr<TableViewCell> tableViewCellForRowAtIndexPath(
        TableView& tableView, const IndexPath& indexPath) = 0;
    // Called after the user has dragged a row to a new place and the table has moved it on
    // screen; the data source moves its own item to match.
    virtual void tableViewMoveRowAtIndexPathToIndexPath(TableView&, const IndexPath&,
                                                        const IndexPath&) {}
};

}  // namespace platform
