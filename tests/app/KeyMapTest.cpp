// The key map as the README's "Keys" table and the manual page tell it, checked against the
// interface: both documents list the same keys, and on each screen exactly the listed keys (and
// those listed for everywhere) are taken.

#include "tests/app/BoardFixture.h"

#include "platform/ui/Key.h"
#include "platform/ui/Window.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace {
using platform::Key;
using platform::KeyPress;

// The places the documents name, as the keyboard tells them apart: edit mode is the board.
const std::map<std::string, std::string> kPlaces{
    {"Everywhere", "everywhere"},
    {"Board", "board"},
    {"Edit mode", "board"},
    {"About", "about"},
    {"Alert", "alert"},
    {"In the list", "board"},
    {"In edit mode", "board"},
    {"On the About screen", "about"},
    {"While an alert shows", "alert"},
};
// Keys the host takes before the interface sees them (Host quits, the SDL host toggles
// fullscreen).
const std::set<std::string> kHostKeys{"Ctrl+Q", "F11"};

using KeyMap = std::set<std::pair<std::string, std::string>>;  // place, key name

std::vector<std::string> splitOn(const std::string& text, const std::string& separator) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (size_t at; (at = text.find(separator, start)) != std::string::npos;) {
        parts.push_back(text.substr(start, at - start));
        start = at + separator.size();
    }
    parts.push_back(text.substr(start));
    return parts;
}

std::string trimmed(const std::string& text) {
    const size_t first = text.find_first_not_of(' ');
    return first == std::string::npos ? ""
                                      : text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// "Page Up / Page Down, Home / End", "Return or Space", "1 to 9": the key names.
std::vector<std::string> keyNames(std::string text) {
    for (const std::string separator : {" / ", " or "})
        for (size_t at; (at = text.find(separator)) != std::string::npos;)
            text.replace(at, separator.size(), ", ");
    std::vector<std::string> names;
    for (const auto& part : splitOn(text, ", ")) {
        const auto range = splitOn(part, " to ");
        if (range.size() == 2 && range[0].size() == 1 && range[1].size() == 1)
            for (char c = range[0][0]; c <= range[1][0]; ++c) names.emplace_back(1, c);
        else
            names.push_back(trimmed(part));
    }
    return names;
}

std::vector<std::string> lines(const std::string& file) {
    std::ifstream in(std::string(SOUNDBOARD_SOURCE_DIR) + "/" + file);
    std::vector<std::string> read;
    for (std::string line; std::getline(in, line);) read.push_back(line);
    return read;
}

KeyMap readmeKeys() {
    KeyMap keys;
    bool inTable = false;
    std::string place;
    for (const auto& line : lines("README.md")) {
        if (line.rfind("#", 0) == 0) inTable = line == "### Keys";
        if (!inTable || line.rfind("| ", 0) != 0 || line.rfind("| Where", 0) == 0) continue;
        const auto cells = splitOn(line, "|");
        if (const auto where = trimmed(cells.at(1)); !where.empty()) place = kPlaces.at(where);
        for (const auto& name : keyNames(trimmed(cells.at(2)))) keys.emplace(place, name);
    }
    return keys;
}

// The arguments of a roff font request (.B, .BR), joined: `.BR Up ", " Down` is "Up, Down".
std::string roffText(const std::string& request) {
    std::string text;
    for (size_t at = request.find(' '); at < request.size();) {
        if (request[at] == ' ') {
            ++at;
        } else if (request[at] == '"') {
            const size_t end = request.find('"', at + 1);
            text += request.substr(at + 1, end - at - 1);
            at = end + 1;
        } else {
            const size_t end = std::min(request.find(' ', at), request.size());
            text += request.substr(at, end - at);
            at = end;
        }
    }
    return text;
}

KeyMap manualKeys() {
    KeyMap keys;
    bool inKeys = false;
    bool afterTag = false;
    std::string place;
    for (const auto& line : lines("data/soundboard.1")) {
        if (line.rfind(".SH", 0) == 0) inKeys = line == ".SH KEYS";
        if (!inKeys) continue;
        if (line.rfind(".SS ", 0) == 0) place = kPlaces.at(line.substr(4));
        if (afterTag)
            for (const auto& name : keyNames(roffText(line))) keys.emplace(place, name);
        afterTag = line == ".TP";
    }
    return keys;
}

// The press a key name stands for: "Alt+Up", "Page Down", "S", "1".
KeyPress pressFor(std::string name) {
    uint32_t modifiers = platform::kKeyModifierNone;
    for (const auto& [prefix, modifier] : {std::pair{"Ctrl+", platform::kKeyModifierControl},
                                           std::pair{"Alt+", platform::kKeyModifierAlt}})
        if (name.rfind(prefix, 0) == 0) {
            modifiers |= modifier;
            name = name.substr(std::string(prefix).size());
        }
    static const std::map<std::string, Key> named{
        {"Up", Key::Up},          {"Down", Key::Down},          {"Left", Key::Left},
        {"Right", Key::Right},    {"Home", Key::Home},          {"End", Key::End},
        {"Page Up", Key::PageUp}, {"Page Down", Key::PageDown}, {"Return", Key::Return},
        {"Space", Key::Space},    {"Escape", Key::Escape},      {"Backspace", Key::Backspace}};
    if (const auto found = named.find(name); found != named.end())
        return {found->second, modifiers};
    EXPECT_EQ(name.size(), 1u) << "unknown key " << name;
    return {platform::keyFor(static_cast<char>(std::tolower(name[0]))), modifiers};
}

// Every key the keyboard has a name for, alone and with Alt or Ctrl.
std::vector<std::string> allKeyNames() {
    std::vector<std::string> bare{"Up",      "Down",      "Left",   "Right", "Home",   "End",
                                  "Page Up", "Page Down", "Return", "Space", "Escape", "Backspace"};
    for (char c = 'A'; c <= 'Z'; ++c) bare.emplace_back(1, c);
    for (char c = '0'; c <= '9'; ++c) bare.emplace_back(1, c);
    std::vector<std::string> names;
    for (const std::string prefix : {"", "Alt+", "Ctrl+"})
        for (const auto& name : bare) names.push_back(prefix + name);
    return names;
}

TEST(KeyMapTest, ReadmeAndManualPageListTheSameKeys) {
    const KeyMap readme = readmeKeys();
    EXPECT_GT(readme.size(), 20u);
    EXPECT_EQ(readme, manualKeys());
}

class KeyMapScreenTest : public BoardFixture {
protected:
    // A fresh start, then the place: the board, the About screen or an alert on the board.
    void goTo(const std::string& place) {
        interface.reset();
        launch();
        window().layoutIfNeeded();
        if (place == "about") window().sendKey({platform::keyFor('a')});
        if (place == "alert") board().showAlertIfMuted();
        env.runLoop().runFor(1);
    }
    platform::Window& window() { return *interface->delegate()->window(); }
};

TEST_F(KeyMapScreenTest, EachPlaceTakesExactlyTheListedKeys) {
    addClip("Clip", 0.2);
    const KeyMap documented = readmeKeys();
    for (const std::string place : {"board", "about", "alert"}) {
        const auto listed = [&](const std::string& name) {
            return !kHostKeys.count(name) &&
                   (documented.count({place, name}) || documented.count({"everywhere", name}));
        };
        // A key that nothing takes changes nothing, so they all go to one start.
        goTo(place);
        for (const auto& name : allKeyNames()) {
            if (listed(name)) continue;
            EXPECT_FALSE(window().sendKey(pressFor(name))) << name << " on " << place;
        }
        for (const auto& [where, name] : documented) {
            if (kHostKeys.count(name) || (where != place && where != "everywhere")) continue;
            goTo(place);
            EXPECT_TRUE(window().sendKey(pressFor(name))) << name << " on " << place;
        }
    }
}

}  // namespace
