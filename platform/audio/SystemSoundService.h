#pragma once

#include <cstdint>
#include <memory>

#include "platform/foundation/Timer.h"

namespace platform {

class RunLoop;
class Url;

using SystemSoundID = uint32_t;
using OSStatus = int32_t;

// Short sounds: register a file, play it (returns at once; overlapping plays mix), hear when it
// has finished, give it back. Handle 0 or an unknown handle plays nothing.
//
// Completions are delivered on the given run loop (nullptr: the main one) in the given modes
// (0: the default mode); a disposed handle never delivers one. A run loop given here must
// outlive the registration. All calls are made on the main thread.
class SystemSoundService {
public:
    using CompletionProc = void (*)(SystemSoundID sound, void* clientData);

    static constexpr OSStatus kNoErr = 0;
    // The file could not be read or decoded.
    static constexpr OSStatus kUnspecifiedErr = -1500;
    // The handle is 0, unknown or already disposed, or no callback was given.
    static constexpr OSStatus kBadHandleErr = -50;

    virtual ~SystemSoundService() = default;

    // On success `outSound` holds a fresh non-zero handle; otherwise it is left alone.
    virtual OSStatus createSystemSoundID(const Url& url, SystemSoundID& outSound) = 0;
    virtual void playSystemSound(SystemSoundID sound) = 0;
    // Replaces any earlier registration for `sound`; `clientData` is not owned.
    virtual OSStatus addSystemSoundCompletion(SystemSoundID sound, RunLoop* runLoop,
                                              RunLoopModes modes, CompletionProc proc,
                                              void* clientData) = 0;
    virtual void removeSystemSoundCompletion(SystemSoundID sound) = 0;
    // Stops the handle's plays, drops its completion and forgets the handle.
    virtual void disposeSystemSoundID(SystemSoundID sound) = 0;
    // A play may be asked for in a moment (a finger or a key went down, a shake began): a
    // service whose device rests opens it now, so that the play is not late.
    virtual void prepareToPlay() {}
};

}  // namespace platform
