#include "tests/app/BoardFixture.h"

#include "app/CustomCell.h"
#include "platform/ui/Label.h"

#include <filesystem>

std::vector<std::string> BoardFixture::rowTitles() {
    std::vector<std::string> titles;
    const int rows = board().tableViewNumberOfRowsInSection(table(), 0);
    for (int row = 0; row < rows; ++row) {
        auto cell = std::dynamic_pointer_cast<CustomCell>(
            board().tableViewCellForRowAtIndexPath(table(), platform::IndexPath::forRow(row, 0)));
        titles.push_back(cell ? cell->titleLabel()->text() : "?");
    }
    return titles;
}

std::vector<std::pair<std::string, double>> BoardFixture::plays() const {
    std::vector<std::pair<std::string, double>> result;
    for (const auto& play : sound->plays())
        result.emplace_back(std::filesystem::path(play.path).stem().string(), play.time);
    return result;
}

std::shared_ptr<platform::Button> BoardFixture::button(const std::string& title) {
    return findView<platform::Button>([&](const platform::Button& b) {
        return b.titleForState(platform::kControlStateNormal) == title;
    });
}
