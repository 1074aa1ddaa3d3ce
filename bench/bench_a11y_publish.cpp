// What the main thread pays to publish a change to screen readers: a key moves the list's
// focus, then the accessible tree is described as the host describes it before drawing. Rows
// come from a row list shared between snapshots, so the cost should not grow with the list.
// Also the memory a snapshot holds, with its shared row list counted apart.

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>

#include "app/MainInterface.h"
#include "app/SoundsAppDelegate.h"
#include "platform/a11y/AccessibleTreeBuilder.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/RunLoop.h"
#include "platform/foundation/Services.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/ui/Application.h"
#include "platform/ui/Window.h"
#include "tests/support/TempDirectory.h"
#include "tests/support/UiTestEnvironment.h"

namespace platform {
namespace {
namespace fs = std::filesystem;

size_t snapshotBytes(const a11y::AccessibleSnapshot& snapshot) {
    size_t bytes = sizeof snapshot;
    for (const auto& node : snapshot.nodes) {
        bytes += sizeof node + node.name.capacity() + node.children.capacity() * sizeof(uint64_t);
        for (const auto& action : node.actions) bytes += sizeof action + action.capacity();
    }
    if (snapshot.list.checked) bytes += snapshot.list.checked->size() / 8;
    return bytes;
}

size_t rowListBytes(const a11y::AccessibleRowList& rows) {
    size_t bytes = sizeof rows;
    for (size_t row = 0; row < rows.size(); ++row)
        bytes += sizeof(uint64_t) + sizeof(std::string) + rows.name(row).capacity() +
                 // one hash node and bucket per row, roughly
                 sizeof(std::pair<uint64_t, int>) + 3 * sizeof(void*);
    return bytes;
}

// state.range(0): clips; state.range(1): 1 in edit mode (every row checkable).
void BM_PublishAfterFocusMove(benchmark::State& state) {
    TempDirectory folder;
    const fs::path resources = folder / "Resources";
    fs::create_directories(resources);
    for (int i = 0; i < state.range(0); ++i)
        std::ofstream(resources / ("Clip " + std::to_string(i) + ".wav"));
    UiTestEnvironment env{{.bundle = std::make_shared<Bundle>(resources),
                           .defaults = std::make_shared<UserDefaults>(folder / "preferences.json"),
                           .log = [](const std::string&) {}}};
    {
        auto interface = MainInterface::load();
        interface->delegate()->applicationDidFinishLaunching(*services().application);
        Window& window = *interface->delegate()->window();
        window.layoutIfNeeded();
        env.runLoop().runUntilIdle();
        if (state.range(1) == 1) {
            window.sendKey({keyFor('e'), kKeyModifierNone, false});
            env.runLoop().runFor(1);
        }
        a11y::AccessibleTreeBuilder builder;
        auto snapshot = builder.build(window, "Soundboard", true, true, {});
        bool down = true;
        for (auto _ : state) {
            window.sendKey({down ? Key::Down : Key::Up, kKeyModifierNone, false});
            down = !down;
            snapshot = builder.build(window, "Soundboard", true, true, {});
            benchmark::DoNotOptimize(snapshot);
        }
        if (snapshot->rowCount() != static_cast<size_t>(state.range(0)) || snapshot->focus == 0)
            state.SkipWithError("the snapshot does not hold every row and the focus");
        state.counters["snapshot_bytes"] = static_cast<double>(snapshotBytes(*snapshot));
        state.counters["shared_rows_bytes"] =
            static_cast<double>(rowListBytes(*snapshot->list.rows));
        state.counters["objects"] = static_cast<double>(snapshot->nodes.size());
    }
}
BENCHMARK(BM_PublishAfterFocusMove)
    ->ArgsProduct({{12, 10000}, {0, 1}})
    ->ArgNames({"clips", "editing"})
    ->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace platform

BENCHMARK_MAIN();
