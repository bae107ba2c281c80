// The module author's kit declares the shared classes and records a second time, for compilers
// that cannot build the host's headers. This file holds the kit's declarations against the
// host's, field by field: every field at the same offset with the same size, every record of
// the same size. It is compiled in every build, so a change on either side that the other does
// not follow fails the build here. (The slot order is held by kit_slots_match.cpp.)
#include "kit_and_host.h"

#define SAME_SIZE(KitType, HostType)                                                                         \
    static_assert(sizeof(tidemarch::KitType) == sizeof(::HostType),                                          \
                  "the kit's " #KitType " differs in size from the host's " #HostType)
#define SAME_FIELD_AS(KitType, kitField, HostType, hostField)                                                \
    static_assert(offsetof(tidemarch::KitType, kitField) == offsetof(::HostType, hostField) &&               \
                      sizeof(tidemarch::KitType::kitField) == sizeof(::HostType::hostField),                 \
                  "the kit's " #KitType "::" #kitField " differs from the host's " #HostType                 \
                  "::" #hostField)
#define SAME_FIELD(Type, field) SAME_FIELD_AS(Type, field, Type, field)

TIDEMARCH_LAYOUT_CHECKS_BEGIN

SAME_SIZE(Rect, Rect);
SAME_FIELD(Rect, left);
SAME_FIELD(Rect, top);
SAME_FIELD(Rect, right);
SAME_FIELD(Rect, bottom);
SAME_SIZE(Point, Point);
SAME_FIELD(Point, x);
SAME_FIELD(Point, y);
SAME_SIZE(Size, Size);
SAME_FIELD(Size, width);
SAME_FIELD(Size, height);

SAME_SIZE(WindowMessage, WindowMessage);
SAME_FIELD(WindowMessage, window);
SAME_FIELD(WindowMessage, message);
SAME_FIELD(WindowMessage, wParam);
SAME_FIELD(WindowMessage, lParam);
SAME_FIELD(WindowMessage, time);
SAME_FIELD(WindowMessage, point);

SAME_SIZE(DisplayFormat, DisplayFormat);
SAME_FIELD(DisplayFormat, featureWord);
SAME_FIELD(DisplayFormat, screenWidth);
SAME_FIELD(DisplayFormat, screenHeight);
SAME_FIELD(DisplayFormat, bytesPerPixel);
SAME_FIELD(DisplayFormat, rowBytes);
SAME_FIELD(DisplayFormat, frameBytes);

SAME_SIZE(ChannelMasks, ChannelMasks);
SAME_FIELD(ChannelMasks, redLanes);
SAME_FIELD(ChannelMasks, greenLanes);
SAME_FIELD(ChannelMasks, blueLanes);
SAME_FIELD(ChannelMasks, pairMaskA);
SAME_FIELD(ChannelMasks, pairMaskB);
SAME_FIELD(ChannelMasks, redBlueLanes);
SAME_FIELD(ChannelMasks, greenLanes2);

SAME_SIZE(EngineInfo, EngineInfo);
SAME_FIELD(EngineInfo, hostWindow);
SAME_FIELD(EngineInfo, instanceHandle);
SAME_FIELD(EngineInfo, featureWord);
SAME_FIELD(EngineInfo, directDraw);
SAME_FIELD(EngineInfo, unsetGlobal16);
SAME_FIELD(EngineInfo, effects3D);
SAME_FIELD(EngineInfo, unsetBytes21);
SAME_FIELD(EngineInfo, soundDevice8);
SAME_FIELD(EngineInfo, fallbackSoundDevice);
SAME_FIELD(EngineInfo, primarySoundBuffer);
SAME_FIELD(EngineInfo, soundListener);
SAME_FIELD(EngineInfo, unsetGlobal40);
SAME_FIELD(EngineInfo, unsetGlobal44);
SAME_FIELD(EngineInfo, liveSoundObjects);
SAME_FIELD(EngineInfo, cooperativeLevel);
SAME_FIELD(EngineInfo, screenWidth);
SAME_FIELD(EngineInfo, screenHeight);
SAME_FIELD(EngineInfo, bytesPerPixel);
SAME_FIELD(EngineInfo, rowBytes);
SAME_FIELD(EngineInfo, frameBytes);
SAME_FIELD(EngineInfo, channelMasks);
SAME_FIELD(EngineInfo, display);
SAME_FIELD(EngineInfo, rootControl);
SAME_FIELD(EngineInfo, unwritten);
SAME_FIELD(EngineInfo, mouseCursor);

SAME_SIZE(ApplicationInfo, ApplicationInfo);
SAME_FIELD(ApplicationInfo, networkManager);
SAME_FIELD(ApplicationInfo, window);
SAME_FIELD(ApplicationInfo, currentScreen);
SAME_FIELD(ApplicationInfo, emptyText);
SAME_FIELD(ApplicationInfo, RetryCount);

SAME_SIZE(CommandLineBlock, CommandLineBlock);
SAME_FIELD(CommandLineBlock, head);
SAME_FIELD(CommandLineBlock, zero);
SAME_FIELD(CommandLineBlock, tail);
SAME_FIELD(CommandLineBlock, hasTail);
SAME_FIELD(CommandLineBlock, padding);

// The control tree.
#define CONTROL_FIELDS(Type)                                                                                 \
    SAME_FIELD(Type, x);                                                                                     \
    SAME_FIELD(Type, y);                                                                                     \
    SAME_FIELD(Type, offsetX);                                                                               \
    SAME_FIELD(Type, offsetY);                                                                               \
    SAME_FIELD(Type, bounds);                                                                                \
    SAME_FIELD(Type, flags);                                                                                 \
    SAME_FIELD(Type, priority);                                                                              \
    SAME_FIELD(Type, alpha);                                                                                 \
    SAME_FIELD(Type, effect);                                                                                \
    SAME_FIELD(Type, parent);                                                                                \
    SAME_FIELD(Type, prevSibling);                                                                           \
    SAME_FIELD(Type, nextSibling);                                                                           \
    SAME_FIELD(Type, firstChild);                                                                            \
    SAME_FIELD(Type, drawOwner);                                                                             \
    SAME_FIELD(Type, drawPrev);                                                                              \
    SAME_FIELD(Type, drawNext);                                                                              \
    SAME_FIELD(Type, drawFirst)

SAME_SIZE(Control, Control);
CONTROL_FIELDS(Control);
SAME_SIZE(Panel, Panel);
SAME_SIZE(TransitionPanel, TransitionPanel);
CONTROL_FIELDS(TransitionPanel);
SAME_FIELD(TransitionPanel, targetX);
SAME_FIELD(TransitionPanel, targetY);
SAME_FIELD(TransitionPanel, targetAlpha);
SAME_FIELD(TransitionPanel, targetEffect);

SAME_SIZE(Surface, Surface);
SAME_FIELD(Surface, platformSurface);
SAME_FIELD(Surface, pixels);
SAME_FIELD(Surface, pitch);
SAME_FIELD(Surface, blitOptions);
SAME_FIELD(Surface, width);
SAME_FIELD(Surface, height);
SAME_SIZE(SurfaceControl, SurfaceControl);
SAME_FIELD(SurfaceControl, ownSurface);
SAME_FIELD(SurfaceControl, fillColour);

SAME_SIZE(ProgressBar, ProgressBar);
SAME_FIELD(ProgressBar, colour);
SAME_FIELD(ProgressBar, minimum);
SAME_FIELD(ProgressBar, maximum);
SAME_FIELD(ProgressBar, value);

SAME_SIZE(AnimatedSprite, AnimatedSprite);
SAME_FIELD(AnimatedSprite, frameCounter);
SAME_FIELD_AS(AnimatedSprite, spriteBundle, AnimatedSprite, bundle);
SAME_SIZE(MouseCursor, MouseCursor);
SAME_FIELD(MouseCursor, leftButton);
SAME_FIELD(MouseCursor, rightButton);
SAME_FIELD(MouseCursor, screenPosition);
SAME_FIELD(MouseCursor, unused);
SAME_SIZE(ImageControl, ImageControl);
SAME_FIELD(ImageControl, sprite);

SAME_SIZE(NumberDisplay, NumberDisplay);
SAME_FIELD(NumberDisplay, minimum);
SAME_FIELD(NumberDisplay, maximum);
SAME_FIELD(NumberDisplay, reserved);
SAME_FIELD(NumberDisplay, fixedDigitCount);
SAME_FIELD(NumberDisplay, shownValue);
SAME_FIELD(NumberDisplay, targetValue);
SAME_FIELD(NumberDisplay, digits);
SAME_FIELD(NumberDisplay, digitCount);
SAME_FIELD(NumberDisplay, step);
SAME_FIELD(NumberDisplay, ownedA);
SAME_FIELD(NumberDisplay, ownedB);
SAME_FIELD(NumberDisplay, digitBundle);
static_assert(tidemarch::NumberDisplay::kMaxDigits == NumberDisplay::kMaxDigits);
static_assert(tidemarch::NumberDisplay::kChangedNotice == kNumberChangedNotice);
SAME_SIZE(AttachedObject, AttachedObject);

// Sprites.
SAME_SIZE(SpriteFileHead, SpriteFileHead);
SAME_FIELD(SpriteFileHead, signature);
SAME_FIELD(SpriteFileHead, keptValue);
SAME_FIELD(SpriteFileHead, title);
SAME_FIELD(SpriteFileHead, version);
SAME_FIELD(SpriteFileHead, layout);
SAME_FIELD(SpriteFileHead, keptByte);
SAME_FIELD(SpriteFileHead, unread87);
SAME_FIELD(SpriteFileHead, bundleCount);
SAME_FIELD(SpriteFileHead, spriteCount);
SAME_FIELD(SpriteFileHead, fileTotal);
SAME_FIELD(SpriteFileHead, version3Value);
SAME_FIELD(SpriteFileHead, effectCount);
SAME_FIELD(SpriteFileHead, version3Bytes);
SAME_FIELD(SpriteFileHead, unread131);

SAME_SIZE(FrameRecord, FrameRecord);
SAME_FIELD(FrameRecord, offsetX);
SAME_FIELD(FrameRecord, offsetY);
SAME_FIELD(FrameRecord, value3);
SAME_FIELD(FrameRecord, value4);
SAME_FIELD(FrameRecord, value5);
SAME_FIELD(FrameRecord, value6);
SAME_FIELD(FrameRecord, value7);
SAME_FIELD(FrameRecord, value8);
SAME_FIELD(FrameRecord, value9);

SAME_SIZE(SpriteRenderer, SpriteRenderer);
SAME_FIELD(SpriteRenderer, width);
SAME_FIELD(SpriteRenderer, height);
SAME_FIELD(SpriteRenderer, pixelData);
SAME_FIELD(SpriteRenderer, offsetX);
SAME_FIELD(SpriteRenderer, offsetY);
SAME_FIELD(SpriteRenderer, bounds);
SAME_FIELD(SpriteRenderer, alpha);
SAME_FIELD(SpriteRenderer, effect);
SAME_FIELD(SpriteRenderer, extra);

SAME_SIZE(SpriteBundle, SpriteBundle);
SAME_FIELD(SpriteBundle, reserved);
SAME_FIELD(SpriteBundle, bundleValue);
SAME_FIELD(SpriteBundle, frameCount);
SAME_FIELD(SpriteBundle, frameRecords);
SAME_FIELD(SpriteBundle, frames);
SAME_FIELD(SpriteBundle, offsetX);
SAME_FIELD(SpriteBundle, offsetY);
SAME_FIELD(SpriteBundle, bounds);
SAME_FIELD(SpriteBundle, alpha);
SAME_FIELD(SpriteBundle, effect);
SAME_FIELD(SpriteBundle, further);

SAME_SIZE(SpriteFile, SpriteFile);
SAME_FIELD(SpriteFile, fileHandle);
SAME_FIELD(SpriteFile, name);
SAME_FIELD(SpriteFile, head);
SAME_FIELD(SpriteFile, sprites);
SAME_FIELD(SpriteFile, bundles);
SAME_FIELD(SpriteFile, effects);

// Sound. A stream's record is the host's first fields; the host keeps more behind them, so
// only the shared fields are compared for it.
SAME_SIZE(SoundObject, SoundObject);
SAME_FIELD(SoundObject, kind);
SAME_FIELD(SoundObject, reserved1);
SAME_FIELD(SoundObject, reserved2);
SAME_SIZE(NullSound, NullSound);
SAME_SIZE(SoundBuffer, SoundBuffer);
SAME_FIELD(SoundBuffer, data);
SAME_FIELD(SoundBuffer, size);
SAME_FIELD(SoundBuffer, soundBuffer);
SAME_FIELD(SoundBuffer, buffer3D);
SAME_FIELD(SoundStream, loop);
SAME_FIELD(SoundStream, threadId);
SAME_FIELD(SoundStream, threadHandle);
SAME_FIELD(SoundStream, blockEvent);
SAME_FIELD(SoundStream, dataStart);
SAME_FIELD(SoundStream, dataEnd);
SAME_FIELD(SoundStream, readPosition);
SAME_FIELD(SoundStream, fileHandle);
SAME_FIELD(SoundStream, blockCount);
SAME_FIELD(SoundStream, blockSize);
SAME_FIELD(SoundStream, unused1);
SAME_FIELD(SoundStream, unused2);
SAME_FIELD(SoundStream, endReached);
SAME_FIELD(SoundStream, writeOffset);
static_assert(tidemarch::sound_kind::StaticBuffer == int32_t(SoundKind::StaticBuffer) &&
              tidemarch::sound_kind::Placeholder == int32_t(SoundKind::Placeholder) &&
              tidemarch::sound_kind::Stream == int32_t(SoundKind::Stream));

// The network.
SAME_SIZE(MessageHeader, MessageHeader);
SAME_FIELD(MessageHeader, magic);
SAME_FIELD(MessageHeader, id);
SAME_FIELD(MessageHeader, a);
SAME_FIELD(MessageHeader, b);
SAME_FIELD(MessageHeader, bodyLength);

SAME_SIZE(OverlappedRecord, OverlappedRecord);
SAME_FIELD(OverlappedRecord, internal);
SAME_FIELD(OverlappedRecord, internalHigh);
SAME_FIELD(OverlappedRecord, offset);
SAME_FIELD(OverlappedRecord, offsetHigh);
SAME_FIELD(OverlappedRecord, event);

SAME_SIZE(MaskTable, MaskTable);
SAME_FIELD(MaskTable, entryCount);
SAME_FIELD(MaskTable, allocationKind);
SAME_FIELD(MaskTable, entries);
SAME_FIELD(MaskTable, cursor);
SAME_FIELD(MaskTable, reserved);

SAME_SIZE(Connection, Connection);
SAME_FIELD(Connection, socket);
SAME_FIELD(Connection, sendOverlapped);
SAME_FIELD(Connection, receiveBuffer);
SAME_FIELD(Connection, receiveCapacity);
SAME_FIELD(Connection, receiveFill);
SAME_FIELD(Connection, reserved1);
SAME_FIELD(Connection, manager);
SAME_FIELD(Connection, state);
SAME_FIELD(Connection, createdAt);
SAME_FIELD(Connection, lastReceiveAt);
SAME_FIELD(Connection, reserved2);
SAME_FIELD(Connection, maskTable);
SAME_FIELD(Connection, ChecksumMode);
SAME_FIELD(Connection, receiveKeyed);
SAME_FIELD(Connection, sendKeyed);
SAME_FIELD(Connection, reserved3);
SAME_FIELD(Connection, receiveIndex);
SAME_FIELD(Connection, sendIndex);
SAME_FIELD(Connection, reserved4);
static_assert(tidemarch::kReceiveBufferSize == Connection::kBaseBufferSize);
static_assert(tidemarch::kFrameMagic == FrameMagic);

SAME_SIZE(RegistryEntry, RegistryEntry);
SAME_FIELD(RegistryEntry, socket);
SAME_FIELD(RegistryEntry, connection);
SAME_FIELD(RegistryEntry, next);

SAME_SIZE(NetworkManager, NetworkManager);
SAME_FIELD(NetworkManager, NotifyText);
SAME_FIELD(NetworkManager, notificationCount);
SAME_FIELD(NetworkManager, window);
SAME_FIELD(NetworkManager, registeredCount);
SAME_FIELD(NetworkManager, buckets);
static_assert(tidemarch::NetworkManager::kBucketCount == NetworkManager::kBucketCount);

// The flag words and command codes the module writes.
static_assert(tidemarch::control_flags::Visible == control_flags::Visible &&
              tidemarch::control_flags::InputEnabled == control_flags::InputEnabled &&
              tidemarch::control_flags::Active == control_flags::Active &&
              tidemarch::control_flags::Shown == control_flags::Shown &&
              tidemarch::control_flags::NotifyTarget == control_flags::NotifyTarget &&
              tidemarch::control_flags::TransitionMask == control_flags::TransitionMask &&
              tidemarch::control_flags::FollowParentMove == control_flags::FollowParentMove &&
              tidemarch::control_flags::InheritAlpha == control_flags::InheritAlpha &&
              tidemarch::control_flags::InheritEffect == control_flags::InheritEffect &&
              tidemarch::control_flags::Initial == control_flags::Initial &&
              tidemarch::control_flags::HiddenMask == control_flags::HiddenMask);

TIDEMARCH_LAYOUT_CHECKS_END

static_assert(tidemarch::host_command::SetInputRoot == host_command::SetInputRoot &&
              tidemarch::host_command::GetInputRoot == host_command::GetInputRoot &&
              tidemarch::host_command::SetBackgroundClear == host_command::SetBackgroundClear &&
              tidemarch::host_command::ResizeWindow == host_command::ResizeWindow &&
              tidemarch::host_command::SetFrameInterval == host_command::SetFrameInterval);
