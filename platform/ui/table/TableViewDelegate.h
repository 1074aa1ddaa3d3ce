#pragma once

#include "platform/foundation/IndexPath.h"
#include "platform/ui/table/TableViewCell.h"

namespace platform {

class TableView;

// What a table tells about the user's actions on its rows, and asks about their editing look.
class TableViewDelegate {
public:
    virtual ~TableViewDelegate() = default;

    // A tap has selected the row; the row is highlighted when this is called.
    virtual void tableViewDidSelectRowAtIndexPath(TableView&, const IndexPath&) {}
    // Whether the row's content moves right, out of the way of the editing control.
    virtual bool tableViewShouldIndentWhileEditingRowAtIndexPath(TableView&, const IndexPath&) {
        return true;
    }
    virtual TableViewCellEditingStyle tableViewEditingStyleForRowAtIndexPath(TableView&,
                                                                             const IndexPath&) {
        return TableViewCellEditingStyle::Delete;
    }
};

}  // namespace platform
