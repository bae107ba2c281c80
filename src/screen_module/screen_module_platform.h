#pragma once
// What the screen-module loader needs of the platform: load a library by path, look up an
// export by name, free the library. The Windows implementation is LoadLibraryA, GetProcAddress
// and FreeLibrary; an in-process table of libraries serves where there are no real ones.
class ScreenModulePlatform {
  public:
    // A handle for the library, or null when it cannot be loaded.
    virtual void* Load(const char* path) = 0;
    // The export's address, or null when the library has no export of that name.
    virtual void* Find(void* library, const char* name) = 0;
    virtual void Free(void* library) = 0;

  protected:
    ~ScreenModulePlatform() = default;
};
