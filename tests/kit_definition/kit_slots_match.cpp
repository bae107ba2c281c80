// Holds the kit's virtual slots against the host's, slot by slot: every slot the kit declares
// must sit at the same place in the host's class. Run by the build right after it is linked,
// so that a difference fails the build. Slot numbers are read from pointers to virtual member
// functions, which in the ABI of g++ and clang (the one every build here uses) hold one more
// than the slot's byte offset in the virtual table.
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "kit_and_host.h"

namespace {

template <class PointerToMember> long SlotOf(PointerToMember pointer) {
    struct Representation {
        uintptr_t function;
        ptrdiff_t adjustment;
    };
    static_assert(sizeof(PointerToMember) == sizeof(Representation));
    Representation r;
    std::memcpy(&r, &pointer, sizeof r);
    if ((r.function & 1) == 0) return -1;  // not a virtual function
    return long((r.function - 1) / sizeof(void*));
}

int failures = 0;

template <class Kit, class Host> void Same(const char* name, Kit kit, Host host, long expected) {
    long kitSlot = SlotOf(kit), hostSlot = SlotOf(host);
    if (kitSlot == hostSlot && kitSlot == expected) return;
    std::fprintf(stderr, "slot of %s: kit %ld, host %ld, contract %ld\n", name, kitSlot, hostSlot, expected);
    ++failures;
}

#define SAME_SLOT(Class, function, slot)                                                                     \
    Same(#Class "::" #function, &tidemarch::Class::function, &::Class::function, slot)

}  // namespace

int main() {
    SAME_SLOT(Control, DeletingDestructor, 0);
    SAME_SLOT(Control, Open, 1);
    SAME_SLOT(Control, Close, 2);
    SAME_SLOT(Control, Update, 3);
    SAME_SLOT(Control, HandleMessage, 4);
    SAME_SLOT(Control, Draw, 5);
    SAME_SLOT(Panel, Open, 1);
    SAME_SLOT(Panel, Notify, 6);
    SAME_SLOT(TransitionPanel, Update, 3);
    SAME_SLOT(TransitionPanel, Notify, 6);
    SAME_SLOT(ProgressBar, Draw, 5);
    SAME_SLOT(AnimatedSprite, Update, 3);
    SAME_SLOT(AnimatedSprite, Draw, 5);
    SAME_SLOT(ImageControl, Draw, 5);
    SAME_SLOT(NumberDisplay, DeletingDestructor, 0);
    SAME_SLOT(NumberDisplay, Update, 3);
    SAME_SLOT(NumberDisplay, Draw, 5);
    SAME_SLOT(NumberDisplay, Increment, 6);
    SAME_SLOT(NumberDisplay, Decrement, 7);
    SAME_SLOT(AttachedObject, DeletingDestructor, 0);

    SAME_SLOT(Surface, DeletingDestructor, 0);
    SAME_SLOT(Surface, GetPixel, 1);
    SAME_SLOT(Surface, PutPixel, 2);
    SAME_SLOT(Surface, Reserved3, 3);
    SAME_SLOT(Surface, DrawHLine, 4);
    SAME_SLOT(Surface, DrawVLine, 5);
    SAME_SLOT(Surface, FillRect, 6);
    SAME_SLOT(Surface, Reserved7, 7);
    SAME_SLOT(Surface, BlitTo, 8);

    SAME_SLOT(SpriteRenderer, DeletingDestructor, 0);
    SAME_SLOT(SpriteRenderer, Draw, 1);
    SAME_SLOT(SpriteRenderer, DrawTinted, 2);
    SAME_SLOT(SpriteBundle, DeletingDestructor, 0);
    SAME_SLOT(SpriteFile, DeletingDestructor, 0);

    SAME_SLOT(SoundObject, DeletingDestructor, 0);
    SAME_SLOT(SoundObject, Play, 1);
    SAME_SLOT(SoundObject, Stop, 2);
    SAME_SLOT(SoundObject, SetVolume, 3);
    SAME_SLOT(SoundObject, SetPan, 4);
    SAME_SLOT(SoundObject, IsPlaying, 5);
    SAME_SLOT(SoundBufferBase, ClearFields, 6);
    SAME_SLOT(SoundBufferBase, DropBuffer, 7);
    SAME_SLOT(SoundBuffer, Duplicate, 8);
    SAME_SLOT(SoundStream, ReleaseBuffer, 8);
    SAME_SLOT(SoundStream, ResetStream, 9);

    SAME_SLOT(MaskTable, DeletingDestructor, 0);
    SAME_SLOT(MaskTable, Reseed, 1);
    SAME_SLOT(Connection, OnReservedSlot0, 0);
    SAME_SLOT(Connection, OnBadChecksum, 1);
    SAME_SLOT(Connection, DeletingDestructor, 2);
    SAME_SLOT(Connection, OnConnected, 3);
    SAME_SLOT(Connection, OnDisconnected, 4);
    SAME_SLOT(Connection, OnMessage, 5);
    SAME_SLOT(NetworkManager, DeletingDestructor, 0);
    SAME_SLOT(NetworkManager, NoOperation, 1);

    if (failures) {
        std::fprintf(stderr, "%d slots of the kit differ from the host's\n", failures);
        return 1;
    }
    std::puts("every slot of the kit sits where the host's does");
    return 0;
}
