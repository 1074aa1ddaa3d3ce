// One frame of a board-like screen: a window with a table of clip rows (a name label and a
// check mark image in each), drawn offscreen at scale 2 with the software renderer.

#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/foundation/RunLoop.h"
#include "platform/sdl/OffscreenRenderer.h"
#include "platform/ui/Image.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "platform/ui/TableView.h"
#include "platform/ui/TableViewCell.h"
#include "platform/ui/Window.h"

namespace platform {
namespace {

const std::vector<std::string> kClipNames = {
    "Air Horn",  "Applause",      "Bell",       "Boing", "Buzzer",    "Cymbal Crash",
    "Door Bell", "Gong",          "Hello",      "Horn",  "Kick Drum", "Laser",
    "Oops",      "Slide Whistle", "Snare Drum", "Ta-da", "Whistle"};

class ClipCell : public TableViewCell {
public:
    ClipCell() : TableViewCell(kRectZero, "clip") {
        label_->setFont(Font::boldSystemFont(20));
        label_->setBackgroundColor(Color::clear());
        contentView()->addSubview(label_);
        check_->setContentMode(ContentMode::Center);
        contentView()->addSubview(check_);
    }
    void show(const std::string& name, std::shared_ptr<const Image> check) {
        label_->setText(name);
        check_->setImage(std::move(check));
    }

private:
    std::shared_ptr<Label> label_ = std::make_shared<Label>(Rect(44, 0, 260, 44));
    std::shared_ptr<ImageView> check_ = std::make_shared<ImageView>(Rect(4, 4, 36, 36));
};

class Clips : public TableViewDataSource {
public:
    int tableViewNumberOfRowsInSection(TableView&, int) override {
        return static_cast<int>(kClipNames.size());
    }
    std::shared_ptr<TableViewCell> tableViewCellForRowAtIndexPath(
        TableView& table, const IndexPath& indexPath) override {
        auto reused =
            std::static_pointer_cast<ClipCell>(table.dequeueReusableCellWithIdentifier("clip"));
        auto cell = reused ? reused : std::make_shared<ClipCell>();
        cell->show(kClipNames[static_cast<size_t>(indexPath.row)], check_);
        return cell;
    }

private:
    std::shared_ptr<const Image> check_ =
        Image::fromFile(std::string(SOUNDBOARD_RESOURCES_DIR) + "/checked@2x.png", 2);
};

struct Board {
    Board() {
        window->setBackgroundColor(Color::whiteColor());
        table->setDataSource(clips);
        window->addSubview(table);
        window->makeKeyAndVisible();
    }
    std::shared_ptr<Window> window = std::make_shared<Window>();
    std::shared_ptr<TableView> table = std::make_shared<TableView>(Rect(0, 64, 320, 372));
    std::shared_ptr<Clips> clips = std::make_shared<Clips>();
};

// The same screen again, as after a change that moves nothing: caches are warm.
void BM_SteadyFrame(benchmark::State& state) {
    RunLoop::setMain(std::make_shared<RunLoop>(std::make_shared<ManualClock>()));
    Board board;
    auto renderer = OffscreenRenderer::create({320, 480}, 2);
    renderer->render(*board.window);
    for (auto _ : state) {
        board.window->setNeedsDisplayFlag(true);
        renderer->render(*board.window);
        benchmark::DoNotOptimize(renderer->pixelAt(0, 0));
    }
}
BENCHMARK(BM_SteadyFrame)->Unit(benchmark::kMillisecond);

// A frame per point of scrolling, down the list and back up: rows come and go.
void BM_ScrollFrame(benchmark::State& state) {
    RunLoop::setMain(std::make_shared<RunLoop>(std::make_shared<ManualClock>()));
    Board board;
    auto renderer = OffscreenRenderer::create({320, 480}, 2);
    const float range = board.table->contentSize().height - board.table->frame().height();
    float y = 0;
    float step = 1;
    for (auto _ : state) {
        if (y + step > range || y + step < 0) step = -step;
        y += step;
        board.table->setContentOffset({0, y}, false);
        renderer->render(*board.window);
        benchmark::DoNotOptimize(renderer->pixelAt(0, 0));
    }
}
BENCHMARK(BM_ScrollFrame)->Unit(benchmark::kMillisecond);

// The first frame, with every text and image texture made anew.
void BM_ColdFrame(benchmark::State& state) {
    RunLoop::setMain(std::make_shared<RunLoop>(std::make_shared<ManualClock>()));
    Board board;
    auto fonts = std::make_shared<FontCache>();
    for (auto _ : state) {
        auto renderer = OffscreenRenderer::create({320, 480}, 2, fonts);
        renderer->render(*board.window);
        benchmark::DoNotOptimize(renderer->pixelAt(0, 0));
    }
}
BENCHMARK(BM_ColdFrame)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace platform

BENCHMARK_MAIN();
