#include "screen_module/screen_module_engine_info.h"

#include <cstring>

#include "host/host_globals.h"
#include "sound/sound_device.h"

void FillEngineInfo(EngineInfo& info) {
    std::memset(&info, 0, sizeof info);
    info.hostWindow = host::HostWindow;
    info.instanceHandle = host::InstanceHandle;
    info.featureWord = gDisplayFormat.featureWord;
    info.directDraw = host::DirectDrawObject;
    info.effects3D = sound::Effects3D;
    info.soundDevice8 = sound::Device8;
    info.fallbackSoundDevice = sound::FallbackDevice;
    info.primarySoundBuffer = sound::PrimaryBuffer;
    info.soundListener = sound::Listener;
    info.liveSoundObjects = sound::LiveObjects;
    info.cooperativeLevel = host::CooperativeLevel;
    info.screenWidth = gDisplayFormat.screenWidth;
    info.screenHeight = gDisplayFormat.screenHeight;
    info.bytesPerPixel = gDisplayFormat.bytesPerPixel;
    info.rowBytes = gDisplayFormat.rowBytes;
    info.frameBytes = gDisplayFormat.frameBytes;
    info.channelMasks = gChannelMasks;
    info.display = host::Display;
    info.rootControl = host::RootControl;
    info.mouseCursor = host::MouseCursor;
}

void AdoptEngineInfo(const EngineInfo& info) {
    host::HostWindow = info.hostWindow;
    host::InstanceHandle = info.instanceHandle;
    gDisplayFormat.featureWord = info.featureWord;
    host::DirectDrawObject = info.directDraw;
    sound::Effects3D = info.effects3D;
    sound::Device8 = info.soundDevice8;
    sound::FallbackDevice = info.fallbackSoundDevice;
    sound::PrimaryBuffer = info.primarySoundBuffer;
    sound::Listener = info.soundListener;
    sound::LiveObjects = info.liveSoundObjects;
    host::CooperativeLevel = info.cooperativeLevel;
    gDisplayFormat.screenWidth = info.screenWidth;
    gDisplayFormat.screenHeight = info.screenHeight;
    gDisplayFormat.bytesPerPixel = info.bytesPerPixel;
    gDisplayFormat.rowBytes = info.rowBytes;
    gDisplayFormat.frameBytes = info.frameBytes;
    gChannelMasks = info.channelMasks;
    host::Display = info.display;
    host::RootControl = info.rootControl;
    host::MouseCursor = info.mouseCursor;
}
