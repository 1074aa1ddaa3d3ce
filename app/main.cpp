#include "app/MainInterface.h"
#include "platform/sdl/SdlHost.h"

int main(int argc, char** argv) {
    return platform::SdlHost::applicationMain(argc, argv, [] { return MainInterface::load(); });
}
