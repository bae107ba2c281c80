#pragma once
// The one sound device of the process, its 3D listener and the host-wide sound state.
//
// The state below is handed to modules in the engine record, so each item keeps its meaning:
// the interface pointers are the platform's own (IDirectSound8, IDirectSound,
// IDirectSoundBuffer in the product). A device exists when either device pointer is non-null.
// The device is created once and never released: it lives until the process ends.
#include <cstdint>

#include "common/deleting_destructor.h"
#include "common/layout_check.h"

class SoundListener;

namespace sound {
extern void* Device8;         // preferred device; null if not created
extern void* FallbackDevice;  // used only when Device8 is missing
extern SoundListener* Listener;
extern void* PrimaryBuffer;  // held only while the listener is being set up
extern int32_t LiveObjects;  // sound objects constructed and not yet destroyed
extern uint8_t Effects3D;    // non-zero: mono static buffers are made 3D (the host leaves it 0)
// The window that SoundInit last received; a sound object made before any device exists
// retries SoundInit with it.
extern void* MainWindow;

inline bool HasDevice() { return Device8 != nullptr || FallbackDevice != nullptr; }
}  // namespace sound

// Creates the device for the window: the version-8 device when preferVersion8 is 1, else (or
// when that fails) the plain device on deviceId (null: the default device), cooperative level
// normal. Then creates the listener. Returns 0 only for a null window; a machine without sound
// still gets 1 and sound objects that play nothing.
int32_t SoundInit(void* window, const void* deviceId = nullptr, int32_t preferVersion8 = 1);

// The 3D listener: its position as the device reported it at creation and its interface.
//
//   offset  field
//   0       virtual table (slot 0: deleting destructor)
//   4       position x, y, z (float)
//   16      listener interface (IDirectSound3DListener), null without the version-8 device
class SoundListener final {
  public:
    SoundListener();
    SoundListener(const SoundListener&) = delete;
    SoundListener& operator=(const SoundListener&) = delete;

    virtual void* DeletingDestructor(uint32_t flags);

    // Reads the listener interface and position from the version-8 device, when there is one.
    void AttachToDevice();

    float x;
    float y;
    float z;
    void* listener;

    // Releases nothing: the interface lives as long as the device.
    ~SoundListener() = default;
};

#if TIDEMARCH_SHARED_LAYOUT
TIDEMARCH_LAYOUT_CHECKS_BEGIN
TIDEMARCH_CHECK_SIZE(SoundListener, 20);
TIDEMARCH_CHECK_OFFSET(SoundListener, x, 4);
TIDEMARCH_CHECK_OFFSET(SoundListener, z, 12);
TIDEMARCH_CHECK_OFFSET(SoundListener, listener, 16);
TIDEMARCH_LAYOUT_CHECKS_END
#endif
