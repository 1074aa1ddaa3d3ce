#pragma once

#include <memory>
#include <string>

#include "platform/ui/View.h"

namespace platform {

enum class TableViewCellEditingStyle { None = 0, Delete = 1, Insert = 2 };

// One row of a table. Subclasses put their views into contentView(), which the cell moves and
// narrows while editing: right by the indentation when the row indents, and away from the
// reorder grip on the right when the grip shows. Views added to the cell itself stay put.
//
// A selected or highlighted cell shows a blue background and highlights every Label in its
// content view. The table owns the cells it shows and keeps a few spare ones for reuse.
class TableViewCell : public View {
public:
    static constexpr float kDefaultWidth = 320;
    static constexpr float kDefaultHeight = 44;
    static constexpr float kIndentationWidth = 32;
    static constexpr float kReorderControlWidth = 38;
    static constexpr double kDeselectDuration = 0.3;
    static constexpr double kEditingDuration = 0.3;

    // A frame without a size gets the default row size, so that subclasses can lay out their
    // content view in their constructors.
    TableViewCell(const Rect& frame, std::string reuseIdentifier);

    const std::shared_ptr<View>& contentView() const { return contentView_; }
    const std::string& reuseIdentifier() const { return reuseIdentifier_; }

    bool isSelected() const { return selected_; }
    void setSelected(bool selected, bool animated);
    bool isHighlighted() const { return highlighted_; }
    void setHighlighted(bool highlighted, bool animated);

    bool isEditing() const { return editing_; }
    virtual void setEditing(bool editing, bool animated);
    bool showsReorderControl() const { return showsReorderControl_; }
    // The grip shows only while the cell is editing.
    void setShowsReorderControl(bool shows);
    bool shouldIndentWhileEditing() const { return shouldIndentWhileEditing_; }
    void setShouldIndentWhileEditing(bool indents);
    TableViewCellEditingStyle editingStyle() const { return editingStyle_; }
    void setEditingStyle(TableViewCellEditingStyle style);

    bool isReorderControlVisible() const { return editing_ && showsReorderControl_; }
    // The grip's area, in the cell's coordinates; a drag that starts there moves the row.
    Rect reorderControlRect() const;

    // Called by the table when it hands the cell out again for another row.
    virtual void prepareForReuse();

    void setFrame(const Rect& frame) override;
    void layoutSubviews() override;
    void draw(Painter& painter) override;

private:
    Rect contentFrame() const;
    void layoutEditingViews();
    void updateSelectionAppearance(bool animated);

    std::string reuseIdentifier_;
    std::shared_ptr<View> selectedBackground_;  // behind the content, alpha 0 when not shown
    std::shared_ptr<View> contentView_;
    std::shared_ptr<View> reorderControl_;  // the grip; alpha 0 when not shown
    bool selected_ = false;
    bool highlighted_ = false;
    bool editing_ = false;
    bool showsReorderControl_ = false;
    bool shouldIndentWhileEditing_ = true;
    TableViewCellEditingStyle editingStyle_ = TableViewCellEditingStyle::None;
};

}  // namespace platform
